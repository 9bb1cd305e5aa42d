#include "windows/strip/formatcommands.h"

#include "platform/conversion.h"
#include "platform/fontlist.h"
#include "register/cellrecord.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "register/textrule.h"
#include "strip/cellformat.h"
#include "strip/cellselection.h"
#include "strip/colourline.h"
#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/strip/stripdisplay.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QActionGroup>

namespace {

constexpr int ItemHeight = 16;
constexpr int MarkRole = Qt::UserRole + 1;

const QPixmap &trueTypePicture()
{
    static const QPixmap picture = QPixmap::fromImage(trueTypeMark());
    return picture;
}

// One item of the font list: the mark picture for a TrueType face, then
// the face name, centred vertically.
void drawFontItem(QPainter *p, const QRect &r, const QString &name, bool trueType, const QBrush &background,
                  const QColor &textColour)
{
    p->fillRect(r, background);
    const QPixmap &mark = trueTypePicture();
    if (trueType)
        p->drawPixmap(r.left() + 2, r.top() + 2, mark);
    const int textHeight = p->fontMetrics().height();
    p->setPen(textColour);
    const int x = r.left() + mark.width() + 4;
    const int y = r.top() + (r.height() - textHeight) / 2;
    p->drawText(QRect(x, y, r.right() - x, textHeight), Qt::AlignLeft | Qt::AlignVCenter, name);
}

class FontItemDelegate : public QStyledItemDelegate
{
public:
    FontItemDelegate(std::function<void()> drawn, QObject *parent)
        : QStyledItemDelegate(parent), m_drawn(std::move(drawn)) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 20, ItemHeight);
    }
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QString mark = index.data(MarkRole).toString();
        p->save();
        drawFontItem(p, option.rect, index.data(Qt::DisplayRole).toString(), mark.endsWith(u't'),
                     option.palette.brush(selected ? QPalette::Highlight : QPalette::Base),
                     option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->restore();
        m_drawn();
    }

private:
    std::function<void()> m_drawn;
};

} // namespace

FormatCommands::FormatCommands(RegisterDocument &document, StripDisplay &display, ActionCollection &actions,
                               QWidget *window, QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_window(window)
{
    auto add = [&](const char *name, const char *text, void (FormatCommands::*handler)()) {
        return actions.add(name, QString::fromUtf8(text), this, handler);
    };
    m_c.ActionFormatFont = add("ActionFormatFont", "フォント(&F)...", &FormatCommands::ActionFormatFontExecute);
    m_c.ActionFormatColor = add("ActionFormatColor", "文字色", &FormatCommands::ActionFormatColorExecute);
    m_c.ActionFormatBColor = add("ActionFormatBColor", "背景色(&B)", &FormatCommands::ActionFormatBColorExecute);
    m_c.ActionFormatBold = add("ActionFormatBold", "太字", &FormatCommands::ActionFormatBoldExecute);
    m_c.ActionFormatItalic = add("ActionFormatItalic", "斜体", &FormatCommands::ActionFormatItalicExecute);
    m_c.ActionFormatLeft = add("ActionFormatLeft", "左寄せ(&L)", &FormatCommands::ActionFormatLeftExecute);
    m_c.ActionFormatCenter = add("ActionFormatCenter", "センタリング(&C)", &FormatCommands::ActionFormatCenterExecute);
    m_c.ActionFormatRight = add("ActionFormatRight", "右寄せ(&R)", &FormatCommands::ActionFormatRightExecute);
    // Bold, italic and the alignment show the current cell's format; one
    // alignment is on at a time.
    for (QAction *a : {m_c.ActionFormatBold, m_c.ActionFormatItalic, m_c.ActionFormatLeft, m_c.ActionFormatCenter,
                       m_c.ActionFormatRight})
        a->setCheckable(true);
    m_alignment = new QActionGroup(this);
    for (QAction *a : {m_c.ActionFormatLeft, m_c.ActionFormatCenter, m_c.ActionFormatRight})
        m_alignment->addAction(a);
    actions.setButton(m_c.ActionFormatColor, "ToolButtonColor", "text-colour", QStringLiteral("文字色|文字の色を変更します"));
    actions.setButton(m_c.ActionFormatBColor, "ToolButtonBColor", "background-colour",
                      QStringLiteral("背景色|背景の色を変更します"));
    actions.setButton(m_c.ActionFormatBold, "ToolButtonBold", "bold", QStringLiteral("太字|文字を太字にします。"));
    actions.setButton(m_c.ActionFormatItalic, "ToolButtonItalic", "italic", QStringLiteral("斜体|文字を斜体にします。"));
    actions.setButton(m_c.ActionFormatLeft, "ToolButtonLeft", "align-left", QStringLiteral("左寄せ|文字を左に揃えます"));
    actions.setButton(m_c.ActionFormatCenter, "ToolButtonCenter", "align-centre",
                      QStringLiteral("センタリング|文字を中央に揃えます"));
    actions.setButton(m_c.ActionFormatRight, "ToolButtonRight", "align-right", QStringLiteral("右寄せ|文字を右に揃えます"));
    m_c.ComboBoxFont = actions.addComboBox("ComboBoxFont", 132, QStringLiteral("フォント切替"), false);
    m_c.ComboBoxFontSize = actions.addComboBox("ComboBoxFontSize", 53, QStringLiteral("フォントサイズ"), true);

    QComboBox *font = m_c.ComboBoxFont;
    font->setEnabled(true);
    font->setItemDelegate(new FontItemDelegate([this] { markToolbarInUse(); }, font));
    font->installEventFilter(this);
    // Only the user's pick runs the command; following a cell sets the list
    // from code without writing anything.
    connect(font, &QComboBox::activated, this, &FormatCommands::ComboBoxFontChange);

    QComboBox *size = m_c.ComboBoxFontSize;
    size->setEnabled(true);
    size->setInsertPolicy(QComboBox::NoInsert);
    size->setCompleter(nullptr); // what is typed is what is written
    connect(size, &QComboBox::editTextChanged, this, &FormatCommands::ComboBoxFontSizeChange);
    // A typing run ends when the box is left, with Enter, or with a pick
    // from its list.
    connect(size->lineEdit(), &QLineEdit::editingFinished, this, &FormatCommands::endSizeRun);
    connect(size, &QComboBox::activated, this, &FormatCommands::endSizeRun);
    // The box hands the shortcut check on to its line edit itself.
    size->installEventFilter(this);
    size->lineEdit()->installEventFilter(this);

    connect(&m_display.selection(), &CellSelection::currentChanged, this, &FormatCommands::followCell);
}

FormatCommands::~FormatCommands() = default;

void FormatCommands::fillLists()
{
    QComboBox *font = m_c.ComboBoxFont;
    const QSignalBlocker block(font);
    font->clear();
    m_marks.clear();
    m_marks = fontMarkList();
    for (const QString &mark : m_marks) {
        font->addItem(mark.chopped(1));
        font->setItemData(font->count() - 1, mark, MarkRole);
    }
    QComboBox *size = m_c.ComboBoxFontSize;
    const QSignalBlocker blockSize(size);
    const QString text = size->currentText();
    size->clear();
    for (int s : strip::fontSizeList())
        size->addItem(QString::number(s));
    size->setEditText(text);
}

QStringList FormatCommands::fontNames() const
{
    QStringList out;
    for (int i = 0; i < m_c.ComboBoxFont->count(); ++i)
        out.append(m_c.ComboBoxFont->itemText(i));
    return out;
}

void FormatCommands::markToolbarInUse()
{
    m_display.setToolbarInUse(true);
}

bool FormatCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.ComboBoxFont && event->type() == QEvent::Paint) {
        paintFontBox();
        return true;
    }
    // Every size typed is already written to the cells, so the box's own
    // undo would write another size as a new change: Ctrl+Z and Ctrl+Y are
    // left to the window's undo and redo, and the box keeps no undo of its own.
    if ((watched == m_c.ComboBoxFontSize || watched == m_c.ComboBoxFontSize->lineEdit())
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void FormatCommands::paintFontBox()
{
    // The shown item is drawn like the items of the drop-down list.
    QComboBox *box = m_c.ComboBoxFont;
    QStylePainter p(box);
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    option.frame = true;
    option.currentText.clear();
    p.drawComplexControl(QStyle::CC_ComboBox, option);
    const int index = box->currentIndex();
    if (index < 0)
        return;
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    const bool focused = box->hasFocus();
    drawFontItem(&p, field, box->itemText(index), box->itemData(index, MarkRole).toString().endsWith(u't'),
                 box->palette().brush(focused ? QPalette::Highlight : QPalette::Base),
                 box->palette().color(focused ? QPalette::HighlightedText : QPalette::Text));
    markToolbarInUse();
}

// ---------------------------------------------------------------- following

void FormatCommands::followCell(int cell)
{
    if (cell < 0 || cell >= m_display.cellCount() || m_display.shownHeaderLine() < 1)
        return;
    const RegisterLines &lines = m_doc.lines();
    const int b = strip::locateCell(lines, m_display.shownHeaderLine(), cell);
    endSizeRun(); // another cell: the next size typed is a step of its own
    ++m_following;
    {
        const QSignalBlocker blockFont(m_c.ComboBoxFont);
        const QSignalBlocker blockSize(m_c.ComboBoxFontSize);
        QComboBox *font = m_c.ComboBoxFont;
        if (font->count() > 0) {
            font->setCurrentIndex(0);
            const int at = font->findText(strip::lineAt(lines, b + regfmt::cell::Face), Qt::MatchFixedString);
            if (at >= 0)
                font->setCurrentIndex(at);
            // Following redraws the list's shown item, which marks the
            // toolbar as in use: the selection then outlasts a click into
            // the toolbar's lists.
            markToolbarInUse();
            font->update();
        }
        m_c.ComboBoxFontSize->setEditText(strip::lineAt(lines, b + regfmt::cell::Size));
    }
    auto intOf = [&](int line) {
        int v;
        return tryParseInt(strip::lineAt(lines, b + line), v) ? v : 0;
    };
    m_c.ActionFormatBold->setChecked(intOf(regfmt::cell::Bold) != 0);
    m_c.ActionFormatItalic->setChecked(intOf(regfmt::cell::Italic) != 0);
    if (QAction *a = alignmentAction(intOf(regfmt::cell::Alignment)))
        showAlignment(a); // otherwise the alignment shown stays as it is
    --m_following;
}

// ---------------------------------------------------------------- commands

bool FormatCommands::cellsShown() const
{
    return m_display.cellCount() > 0 && m_display.detailActive() && m_display.shownHeaderLine() > 0;
}

void FormatCommands::apply(const strip::FormatChange &change)
{
    if (!cellsShown() || m_following > 0)
        return;
    const QList<int> cells = m_display.selectedCells();
    if (cells.isEmpty())
        return;
    // The display redraws the cells and their editors when the change is done.
    strip::applyFormat(m_doc, m_display.shownHeaderLine(), cells, change);
}

void FormatCommands::ActionFormatFontExecute()
{
    if (!cellsShown())
        return;
    const RegisterLines &lines = m_doc.lines();
    const int current = m_display.currentCell();
    const int b = strip::locateCell(lines, m_display.shownHeaderLine(), current);
    UserDialogs::FontChoice choice;
    choice.face = strip::lineAt(lines, b + regfmt::cell::Face);
    choice.pointSize = parseIntOr(strip::lineAt(lines, b + regfmt::cell::Size), 10);
    choice.colour = strip::textColourOf(strip::lineAt(lines, b + regfmt::cell::Colours));
    choice.bold = parseIntOr(strip::lineAt(lines, b + regfmt::cell::Bold), 0) != 0;
    choice.italic = parseIntOr(strip::lineAt(lines, b + regfmt::cell::Italic), 0) != 0;
    if (!UserDialogs::current().chooseFont(m_window, choice, fontNames(), strip::fontSizeList()))
        return;
    strip::FormatChange change;
    change.face = strip::recordFaceOf(choice.face);
    change.size = QString::number(choice.pointSize);
    change.textColour = choice.colour & 0xFFFFFF;
    change.bold = choice.bold;
    change.italic = choice.italic;
    apply(change);
    followCell(m_display.currentCell());
}

void FormatCommands::ComboBoxFontChange(int index)
{
    if (index < 0)
        return;
    strip::FormatChange change;
    change.face = m_c.ComboBoxFont->itemText(index);
    apply(change);
}

void FormatCommands::ComboBoxFontSizeChange(const QString &text)
{
    // Typing 12 passes through 1: the cells follow the box as it is typed,
    // but the run merges into one undo step, and a text that is no size (1x)
    // puts back what the cells had before the run. A number over the limit
    // is refused: the cells keep the size accepted last, and the box shows it.
    if (!cellsShown() || m_following > 0)
        return;
    int typed = 0;
    if (tryParseInt(text, typed) && typed > textrule::MaxFontSize) {
        const int b = strip::locateCell(m_doc.lines(), m_display.shownHeaderLine(), m_display.currentCell());
        const QSignalBlocker block(m_c.ComboBoxFontSize);
        m_c.ComboBoxFontSize->setEditText(strip::lineAt(m_doc.lines(), b + regfmt::cell::Size));
        return;
    }
    RegisterHistory &history = m_doc.history();
    if (m_sizeRun == 0)
        m_sizeRun = history.newMergeKey();
    if (!strip::isValidFontSize(text)) {
        if (history.newestMergeKey() == m_sizeRun)
            m_doc.undo();
        return;
    }
    const QList<int> cells = m_display.selectedCells();
    if (cells.isEmpty())
        return;
    strip::FormatChange change;
    change.size = text;
    strip::applyFormat(m_doc, m_display.shownHeaderLine(), cells, change, m_sizeRun);
}

// The shared colour chooser, opened on the last colour chosen; false when
// there is nothing to colour or the user cancels.
bool FormatCommands::chooseColour()
{
    if (!cellsShown())
        return false;
    const QColor colour = UserDialogs::current().chooseColour(m_window, strip::toQColor(m_lastColour));
    if (!colour.isValid())
        return false;
    m_lastColour = strip::fromQColor(colour);
    return true;
}

void FormatCommands::ActionFormatColorExecute()
{
    if (!chooseColour())
        return;
    strip::FormatChange change;
    change.textColour = m_lastColour;
    apply(change);
}

void FormatCommands::ActionFormatBColorExecute()
{
    if (!chooseColour())
        return;
    strip::FormatChange change;
    change.background = m_lastColour;
    apply(change);
}

void FormatCommands::ActionFormatBoldExecute()
{
    strip::FormatChange change;
    change.bold = m_c.ActionFormatBold->isChecked();
    apply(change);
}

void FormatCommands::ActionFormatItalicExecute()
{
    strip::FormatChange change;
    change.italic = m_c.ActionFormatItalic->isChecked();
    apply(change);
}

QAction *FormatCommands::alignmentAction(int alignment) const
{
    switch (alignment) {
    case regfmt::AlignLeft:
        return m_c.ActionFormatLeft;
    case regfmt::AlignCentre:
        return m_c.ActionFormatCenter;
    case regfmt::AlignRight:
        return m_c.ActionFormatRight;
    default:
        return nullptr;
    }
}

void FormatCommands::align(int alignment)
{
    // The triggered command is already checked; the alignment shown stays
    // the one before when no cell takes it.
    QAction *shown = m_alignmentShown;
    strip::FormatChange change;
    change.alignment = alignment;
    apply(change);
    if (cellsShown() && !m_display.selectedCells().isEmpty())
        shown = alignmentAction(alignment);
    showAlignment(shown);
}

void FormatCommands::showAlignment(QAction *shown)
{
    m_alignmentShown = shown;
    if (shown) {
        shown->setChecked(true);
    } else if (QAction *on = m_alignment->checkedAction()) {
        m_alignment->setExclusive(false);
        on->setChecked(false);
        m_alignment->setExclusive(true);
    }
}

void FormatCommands::ActionFormatLeftExecute() { align(regfmt::AlignLeft); }
void FormatCommands::ActionFormatCenterExecute() { align(regfmt::AlignCentre); }
void FormatCommands::ActionFormatRightExecute() { align(regfmt::AlignRight); }
