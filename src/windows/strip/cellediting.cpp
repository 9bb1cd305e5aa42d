#include "windows/strip/cellediting.h"

#include "register/celltext.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "register/textrule.h"
#include "strip/cellrenderer.h"
#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/strip/stripdisplay.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTextDocument>
#include <QTextCursor>

namespace {
// Line breaks of a text box's selection as the clipboard carries them.
QString clipboardLines(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return text;
}

// Clipboard text with every line break as one LF, as the editor holds it.
QString editorBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The editor's text with its characters as they are (a no-break space stays
// one) and one LF between lines.
QString editorText(const QPlainTextEdit *editor)
{
    QString text = editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// The clipboard's plain text; a null string when it holds no text.
QString clipboardText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return QString();
    return data->text();
}
} // namespace

CellEditing::CellEditing(RegisterDocument &document, StripDisplay &display, ActionCollection &actions, QWidget *window,
                         QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_window(window)
{
    // The Edit menu's commands and the cell pop-up's items of the same
    // name, each enabled while the shown cells allow it.
    struct Command
    {
        const char *name;
        const char *text;
        QKeySequence key;
        void (CellEditing::*handler)();
        StripDisplay::CellCommand state;
    };
    const Command commands[] = {
        {"ActionEditCut", "切り取り(&T)", QKeySequence(Qt::CTRL | Qt::Key_X), &CellEditing::ActionEditCutExecute,
         StripDisplay::EditCut},
        {"ActionEditCopy", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), &CellEditing::ActionEditCopyExecute,
         StripDisplay::EditCopy},
        {"ActionEditPaste", "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V), &CellEditing::ActionEditPasteExecute,
         StripDisplay::EditPaste},
        {"ActionEditDelete", "削除(&D)", QKeySequence(Qt::CTRL | Qt::Key_Delete), &CellEditing::ActionEditDeleteExecute,
         StripDisplay::EditDelete},
        {"ActionEditAllSel", "すべてを選択(&A)", QKeySequence(Qt::CTRL | Qt::Key_A),
         &CellEditing::ActionEditAllSelExecute, StripDisplay::EditAllSel},
        {"ActionEditSelReset", "選択の解除(&X)", {}, &CellEditing::ActionEditSelResetExecute, StripDisplay::EditSelReset},
        {"PopupCut", "切り取り(&T)", {}, &CellEditing::ActionEditCutExecute, StripDisplay::PopupCut},
        {"PopupCopy", "コピー(&C)", {}, &CellEditing::ActionEditCopyExecute, StripDisplay::PopupCopy},
        {"PopupPaste", "貼り付け(&P)", {}, &CellEditing::ActionEditPasteExecute, StripDisplay::PopupPaste},
        {"PopupDelete", "削除(&D)", {}, &CellEditing::ActionEditDeleteExecute, StripDisplay::PopupDelete}};
    for (const Command &c : commands)
        m_display.followCellCommand(actions.add(c.name, QString::fromUtf8(c.text), this, c.handler, c.key), c.state);
    connect(&m_display, &StripDisplay::editRequested, this, &CellEditing::startEditing);
}

bool CellEditing::cellsShown() const
{
    return m_display.cellCount() > 0 && m_display.detailActive();
}

int CellEditing::commandCell() const
{
    return cellsShown() ? m_display.commandCell() : -1;
}

QStringList CellEditing::currentLines(int cell) const
{
    const int b = strip::locateCell(m_doc.lines(), m_display.shownHeaderLine(), cell);
    return strip::readTextLines(m_doc.lines(), b);
}

void CellEditing::writeBack(int cell, const QStringList &lines)
{
    strip::writeCellText(m_doc, m_display.shownHeaderLine(), cell, lines);
}

bool CellEditing::acceptInput(QString &text)
{
    text = textrule::mapInput(text, m_doc.encoding());
    const textrule::Refusal r =
        textrule::check(strip::editorLines(text), textrule::Field::CellLine, m_doc.encoding());
    if (!r)
        return true;
    UserDialogs::current().message(m_window, r.message());
    return false;
}

// ---------------------------------------------------------------- editing

void CellEditing::startEditing(int cell)
{
    if (!cellsShown() || !m_display.isAssignable(cell))
        return;
    QPlainTextEdit *editor = openEditor(cell);
    editor->selectAll();
    editor->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    // Leaving the cell's text area for the editor must not lose the cell.
    m_display.selectOnly(cell);
    m_display.makeCurrent(cell);
    Q_EMIT editingChanged(cell);
}

void CellEditing::editFound(int cell, int from, int to)
{
    if (!cellsShown() || cell < 0 || cell >= m_display.cellCount())
        return;
    if (m_editing >= 0)
        commitEdit();
    m_display.reloadEditor(cell);
    QPlainTextEdit *editor = openEditor(cell);
    const int last = editor->document()->characterCount() - 1;
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(qBound(0, from, last));
    cursor.setPosition(qBound(0, to, last), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    if (QScrollArea *view = m_display.visibleView())
        view->ensureWidgetVisible(editor);
    editor->setFocus(Qt::OtherFocusReason);
    m_display.selectOnly(cell);
    Q_EMIT editingChanged(cell);
}

QPlainTextEdit *CellEditing::openEditor(int cell)
{
    if (m_editing >= 0 && m_editing != cell)
        commitEdit();
    m_display.setCellCommands(StripDisplay::allCellCommands());
    QPlainTextEdit *editor = m_display.editor(cell);
    if (!editor->property("cellEditing").toBool()) {
        editor->setProperty("cellEditing", true);
        editor->installEventFilter(this);
        editor->viewport()->installEventFilter(this);
        // A strip rebuilt while the cell is edited takes its editor along.
        connect(editor, &QObject::destroyed, this, [this, cell] {
            if (m_editing == cell) {
                m_editing = -1;
                Q_EMIT editingChanged(-1);
            }
        });
    }
    editor->setContextMenuPolicy(Qt::PreventContextMenu); // pasting goes through the checks
    editor->setAcceptDrops(false);
    editor->setTabChangesFocus(true);
    m_display.setEditorShown(cell, true);
    StripDisplay::dropLoadedBreak(editor);
    m_editing = cell;
    return editor;
}

void CellEditing::endEditing()
{
    const int cell = m_editing;
    if (cell < 0)
        return;
    m_editing = -1;
    if (cell >= m_display.cellCount()) {
        Q_EMIT editingChanged(-1);
        return;
    }
    QPlainTextEdit *editor = m_display.editor(cell);
    editor->selectAll();
    m_display.setEditorShown(cell, false);
    // An edit that changed nothing writes nothing: the cell keeps its lines
    // and its picture, and no step or modified mark comes of it.
    if (editor->document()->isModified()) {
        try {
            writeBack(cell, strip::editorLines(editorText(editor)));
        } catch (...) {
            // A refused text is not kept: the cell and its editor show the
            // stored text again.
            m_display.reloadEditor(cell);
            Q_EMIT editingChanged(-1);
            throw;
        }
    }
    Q_EMIT editingChanged(-1);
}

void CellEditing::commitEdit()
{
    if (m_editing < 0)
        return;
    const int cell = m_editing;
    // Moving the focus to the cell ends the edit through the focus loss.
    m_display.focusCell(cell);
    if (m_editing >= 0)
        endEditing();
    QCoreApplication::processEvents();
}

bool CellEditing::eventFilter(QObject *watched, QEvent *event)
{
    // The middle button neither pastes unchecked text into an open editor
    // nor reaches the cell under it (which would end the edit and open the
    // cell's menu).
    if (m_editing >= 0 && m_editing < m_display.cellCount()
        && watched == m_display.cell(m_editing).editor->viewport()) {
        const QEvent::Type t = event->type();
        if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick)
            && static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton) {
            event->accept();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
    auto *editor = qobject_cast<QPlainTextEdit *>(watched);
    if (!editor || m_editing < 0 || m_editing >= m_display.cellCount()
        || editor != m_display.cell(m_editing).editor)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusOut: {
        // Menus, message boxes and other windows take the focus only for a
        // while: the edit stays open (Edit ▸ 切り取り cuts the selection).
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason
            || reason == Qt::MenuBarFocusReason)
            return false;
        endEditing();
        return false;
    }
    case QEvent::KeyPress:
        return editorKey(editor, static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod: {
        auto *im = static_cast<QInputMethodEvent *>(event);
        QString commit = im->commitString();
        if (!commit.isEmpty() && !acceptInput(commit)) {
            editor->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (commit != im->commitString())
            im->setCommitString(commit, im->replacementStart(), im->replacementLength());
        return false;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool CellEditing::editorKey(QPlainTextEdit *editor, QKeyEvent *key)
{
    const int cell = m_editing;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A third line cannot be typed; pasted text is not limited.
        if (strip::editorLines(editor->toPlainText()).size() <= 1)
            editor->insertPlainText(QStringLiteral("\n"));
        return true;
    }
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        m_display.focusCell(cell);
        if (m_editing >= 0) // the text area is hidden: end here
            endEditing();
        return true;
    }
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)) {
        copyEditorSelection(editor, key->matches(QKeySequence::Cut));
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        pasteIntoEditor(editor);
        return true;
    }
    // Typed text (a character outside the basic plane comes as a pair).
    QString text = key->text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F)
        return false;
    if (!acceptInput(text)) {
        editor->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (text != key->text()) { // stored as the code page's own character
        editor->insertPlainText(text);
        return true;
    }
    return false;
}

void CellEditing::copyEditorSelection(QPlainTextEdit *editor, bool cut)
{
    QTextCursor cursor = editor->textCursor();
    if (!cursor.hasSelection())
        return;
    QGuiApplication::clipboard()->setText(clipboardLines(cursor.selectedText()));
    if (cut)
        cursor.removeSelectedText();
}

void CellEditing::pasteIntoEditor(QPlainTextEdit *editor)
{
    QString text = clipboardText();
    if (text.isEmpty() || !acceptInput(text)) {
        editor->setFocus(Qt::OtherFocusReason);
        return;
    }
    editor->insertPlainText(editorBreaks(text));
}

// ---------------------------------------------------------------- commands

void CellEditing::ActionEditCutExecute()
{
    if (m_editing >= 0) {
        copyEditorSelection(m_display.editor(m_editing), true);
        return;
    }
    const int cell = commandCell();
    if (cell < 0)
        return;
    QGuiApplication::clipboard()->setText(strip::clipboardText(currentLines(cell)));
    RegisterStep step(m_doc, QStringLiteral("切り取り"));
    writeBack(cell, {});
}

void CellEditing::ActionEditCopyExecute()
{
    if (m_editing >= 0) {
        copyEditorSelection(m_display.editor(m_editing), false);
        return;
    }
    const int cell = commandCell();
    if (cell < 0)
        return;
    // The cell is left as it is: writing the same lines back would detach
    // its picture.
    QGuiApplication::clipboard()->setText(strip::clipboardText(currentLines(cell)));
}

void CellEditing::ActionEditPasteExecute()
{
    if (m_editing >= 0) {
        pasteIntoEditor(m_display.editor(m_editing));
        return;
    }
    const int cell = commandCell();
    if (cell < 0)
        return;
    // Nothing to paste changes nothing (a picture stays).
    QString text = clipboardText();
    if (text.isNull() || !acceptInput(text))
        return;
    RegisterStep step(m_doc, QStringLiteral("貼り付け"));
    writeBack(cell, strip::editorLines(text));
}

void CellEditing::ActionEditDeleteExecute()
{
    if (!cellsShown())
        return;
    // An open edit (the menu leaves it open) is written back first, so that
    // it does not later write its text over the emptied cell.
    commitEdit();
    RegisterStep step(m_doc, QStringLiteral("削除"));
    for (int cell : m_display.selectedCells())
        writeBack(cell, {});
}

void CellEditing::ActionEditAllSelExecute()
{
    if (!cellsShown())
        return;
    m_display.commitPendingEdit();
    m_display.setCellCommands(StripDisplay::selectionCellCommands());
    m_display.selectAllCells();
}

void CellEditing::ActionEditSelResetExecute()
{
    if (!cellsShown())
        return;
    m_display.setCellCommands(StripDisplay::allCellCommands());
    m_display.selectOnly(m_display.currentCell());
}
