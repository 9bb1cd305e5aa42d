#include "windows/register/tfsearch.h"

#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/register/registercommands.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/stripdisplay.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int LabelLeft = 8, EditLeft = 126, ButtonLeft = 330, CheckLeft = 8;
constexpr int EditWidth = 193, EditHeight = 21, ButtonWidth = 86, ButtonHeight = 25;

// The dialog is disabled while a step runs, and enabled again however the
// step ends.
struct Disabled
{
    explicit Disabled(QWidget *w) : w(w) { w->setEnabled(false); }
    ~Disabled() { w->setEnabled(true); }
    QWidget *w;
};

} // namespace

TFSearch::TFSearch(RegisterDocument &document, StripDisplay &display, RegisterCommands &commands,
                   CellEditing &editing, ActionCollection &actions, QWidget *parent)
    : QDialog(parent), m_doc(document), m_display(display), m_commands(commands), m_editing(editing)
{
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(false);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    setFixedSize(ClientWidth, ClientHeight);

    findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);

    findLabel->setObjectName(QStringLiteral("findLabel"));
    findEdit = new QLineEdit(this);
    findEdit->setObjectName(QStringLiteral("findEdit"));
    findLabel->setBuddy(findEdit);
    replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
    replaceLabel->setObjectName(QStringLiteral("replaceLabel"));
    replaceEdit = new QLineEdit(this);
    replaceEdit->setObjectName(QStringLiteral("replaceEdit"));
    replaceLabel->setBuddy(replaceEdit);
    btnOk = new QPushButton(this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    matchCaseBox = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    matchCaseBox->setObjectName(QStringLiteral("matchCaseBox"));
    fromTopBox = new QCheckBox(QStringLiteral("内線リストの先頭から検索(&S)"), this);
    fromTopBox->setObjectName(QStringLiteral("fromTopBox"));
    setTabOrder(findEdit, replaceEdit);
    setTabOrder(replaceEdit, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, matchCaseBox);
    setTabOrder(matchCaseBox, fromTopBox);

    connect(btnOk, &QPushButton::clicked, this, &TFSearch::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Another register, or entries deleted or put back: the last occurrence is gone.
    RegisterEvents *events = m_doc.events();
    const auto forget = [this] { m_state = {}; };
    connect(events, &RegisterEvents::documentReset, this, forget);
    connect(events, &RegisterEvents::entriesRemoved, this, forget);
    connect(events, &RegisterEvents::entriesInserted, this, forget);
    m_display.followCellCommand(actions.add("ActionEditFind", QStringLiteral("検索(&S)..."), this,
                                            &TFSearch::ActionEditFindExecute, QKeySequence(Qt::CTRL | Qt::Key_F)),
                                StripDisplay::EditFind);
    m_display.followCellCommand(actions.add("ActionEditReplace", QStringLiteral("置換(&N)..."), this,
                                            &TFSearch::ActionEditReplaceExecute, QKeySequence(Qt::CTRL | Qt::Key_R)),
                                StripDisplay::EditReplace);
    applyLayout();
}

void TFSearch::ActionEditFindExecute()
{
    open(Mode::Find);
}

void TFSearch::ActionEditReplaceExecute()
{
    open(Mode::Replace);
}

void TFSearch::open(Mode mode)
{
    m_state = {};
    m_mode = mode;
    if (isVisible()) {
        // An open dialog takes the layout of the new mode, so that what it
        // shows is what its next step does: 検索 never replaces.
        applyLayout();
        raise();
        activateWindow();
        return;
    }
    applyLayout();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    show();
    raise();
    activateWindow();
    findEdit->setFocus();
}

void TFSearch::applyLayout()
{
    const bool replace = m_mode == Mode::Replace;
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    btnOk->setText(replace ? QStringLiteral("置換(&R)") : QStringLiteral("検索(&F)"));
    const int top1 = replace ? 10 : 18;
    findLabel->move(LabelLeft, top1 + 4);
    findLabel->adjustSize();
    findEdit->setGeometry(EditLeft, top1, EditWidth, EditHeight);
    replaceLabel->move(LabelLeft, 40);
    replaceLabel->adjustSize();
    replaceEdit->setGeometry(EditLeft, 36, EditWidth, EditHeight);
    replaceLabel->setVisible(replace);
    replaceEdit->setVisible(replace);
    btnOk->setGeometry(ButtonLeft, top1, ButtonWidth, ButtonHeight);
    btnCancel->setGeometry(ButtonLeft, replace ? 36 : 44, ButtonWidth, ButtonHeight);
    matchCaseBox->move(CheckLeft, replace ? 70 : 62);
    matchCaseBox->adjustSize();
    fromTopBox->move(CheckLeft, replace ? 88 : 80);
    fromTopBox->adjustSize();
}

void TFSearch::btnOkClick()
{
    regsearch::StepRequest req;
    req.text = findEdit->text();
    req.replace = m_mode == Mode::Replace;
    req.replacement = req.replace ? replaceEdit->text() : QString();
    req.caseSensitive = matchCaseBox->isChecked();
    if (req.text.isEmpty()) {
        UserDialogs::current().message(this, regsearch::EmptyTextMessage);
        return;
    }
    if (regsearch::hasLineBreak(req.replacement)) {
        UserDialogs::current().message(this, regsearch::LineBreakMessage);
        return;
    }
    if (const QString refused = regsearch::prepareTexts(m_doc, req.text, req.replacement); !refused.isEmpty()) {
        UserDialogs::current().message(this, refused);
        return;
    }
    Disabled guard(this);
    // Typed text is written back before the step reads or changes the
    // register (an occurrence's edit or one left open when the dialog was
    // opened): moving the focus in the main window would do nothing while
    // this dialog is the active window. A refused text stops the step.
    m_editing.commitEdit();
    if (fromTopBox->isChecked()) {
        req.startEntry = 1;
        req.startCell = 0;
    } else {
        req.startEntry = m_display.shownEntryNumber();
        req.startCell = m_display.currentCell();
    }
    req.entryCount = m_commands.rowCount();
    const regsearch::StepResult r = regsearch::step(m_doc, m_state, req);
    if (r.refused) {
        UserDialogs::current().message(this, regsearch::tooLongMessage(r.refusedLength));
        return;
    }
    if (r.replaced)
        showReplaced(r);
    if (r.found)
        showOccurrence(r.occurrence, int(req.text.size()));
}

void TFSearch::showReplaced(const regsearch::StepResult &r)
{
    if (r.replacedEntry != m_display.shownEntryNumber() || r.replacedCell >= m_display.cellCount())
        return;
    // The replaced text in the cell's editor, the caret after it.
    m_editing.editFound(r.replacedCell, r.caret, r.caret);
}

void TFSearch::showOccurrence(const regsearch::Occurrence &o, int length)
{
    m_editing.commitEdit();
    if (o.entry != m_display.shownEntryNumber())
        m_commands.selectAndShowRow(o.entry - 1);
    if (o.entry != m_display.shownEntryNumber() || o.cell >= m_display.cellCount())
        return;
    // The detail view is shown first, so that the editor can take the focus.
    m_display.openCellInDetail(o.cell);
    const int from = regsearch::editorOffset(o.position, o.lineIndex);
    m_editing.editFound(o.cell, from, from + length);
}
