#include "windows/register/undocommands.h"

#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "windows/common/actioncollection.h"
#include "windows/register/registercommands.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/stripdisplay.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

namespace {
const QString UndoText = QStringLiteral("元に戻す");
const QString RedoText = QStringLiteral("やり直し");
const QString NothingToUndo = QStringLiteral("直前の操作を元に戻します");
const QString NothingToRedo = QStringLiteral("元に戻した操作をやり直します");

// The cells of the entry at headerLine whose lines meet the spans.
QList<int> cellsTouched(const RegisterLines &lines, int headerLine,
                        const std::vector<std::pair<int, int>> &spans)
{
    struct Visitor : strip::StripVisitor
    {
        const std::vector<std::pair<int, int>> &spans;
        QList<int> cells;
        explicit Visitor(const std::vector<std::pair<int, int>> &s) : spans(s) {}
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            const int from = c.line, to = c.line + strip::CellFixedLines + c.textLineCount;
            for (const auto &[first, end] : spans) {
                // An empty span is a place where lines were taken out.
                const bool meets = first == end ? (first >= from && first < to) : (first < to && end > from);
                if (meets) {
                    cells.append(c.index);
                    break;
                }
            }
            return true;
        }
    } visitor(spans);
    try {
        strip::walkStrip(lines, headerLine, visitor, strip::WalkGeometry::Skip);
    } catch (const TavrelError &) {
        // A strip that cannot be walked shows no cells to select either.
    }
    return visitor.cells;
}
} // namespace

UndoCommands::UndoCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers,
                           CellEditing &editing, ActionCollection &actions, QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_registers(registers), m_editing(editing),
      m_actions(actions)
{
    m_undo = actions.add("ActionEditUndo", QStringLiteral("元に戻す(&U)"), this, &UndoCommands::ActionEditUndoExecute,
                         QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = actions.add("ActionEditRedo", QStringLiteral("やり直し(&Y)"), this, &UndoCommands::ActionEditRedoExecute,
                         QKeySequence(Qt::CTRL | Qt::Key_Y));
    actions.setButton(m_undo, "ToolButtonUndo", "undo", UndoText + u'|' + NothingToUndo);
    actions.setButton(m_redo, "ToolButtonRedo", "redo", RedoText + u'|' + NothingToRedo);
    connect(&m_doc.history(), &RegisterHistory::changed, this, &UndoCommands::follow);
    // While a cell is edited the two commands act on the editor's text, so
    // they are enabled by what the editor can undo and redo.
    connect(&m_editing, &CellEditing::editingChanged, this, [this](int cell) {
        if (cell >= 0) {
            QTextDocument *text = m_display.editor(cell)->document();
            connect(text, &QTextDocument::undoAvailable, this, &UndoCommands::follow, Qt::UniqueConnection);
            connect(text, &QTextDocument::redoAvailable, this, &UndoCommands::follow, Qt::UniqueConnection);
        }
        follow();
    });
    follow();
}

QTextDocument *UndoCommands::editedText() const
{
    const int cell = m_editing.editingCell();
    if (cell < 0 || cell >= m_display.cellCount())
        return nullptr;
    return m_display.editor(cell)->document();
}

QString UndoCommands::undoHint() const
{
    const RegisterHistory &h = m_doc.history();
    return h.canUndo() ? UndoText + QStringLiteral(": ") + h.undoText() : NothingToUndo;
}

QString UndoCommands::redoHint() const
{
    const RegisterHistory &h = m_doc.history();
    return h.canRedo() ? RedoText + QStringLiteral(": ") + h.redoText() : NothingToRedo;
}

void UndoCommands::follow()
{
    const RegisterHistory &h = m_doc.history();
    const QTextDocument *text = editedText();
    m_undo->setEnabled(text ? text->isUndoAvailable() : h.canUndo());
    m_redo->setEnabled(text ? text->isRedoAvailable() : h.canRedo());
    m_undo->setStatusTip(undoHint());
    m_redo->setStatusTip(redoHint());
    // The toolbar buttons carry "tip|hint".
    m_actions.setButtonHint(m_undo, UndoText + u'|' + undoHint());
    m_actions.setButtonHint(m_redo, RedoText + u'|' + redoHint());
}

void UndoCommands::ActionEditUndoExecute()
{
    replay(true);
}

void UndoCommands::ActionEditRedoExecute()
{
    replay(false);
}

void UndoCommands::replay(bool undo)
{
    const int editing = m_editing.editingCell();
    if (editing >= 0 && editing < m_display.cellCount()) {
        QPlainTextEdit *editor = m_display.editor(editing);
        if (undo)
            editor->undo();
        else
            editor->redo();
        return;
    }
    m_display.commitPendingEdit();
    const RegisterHistory::Replay r = undo ? m_doc.undo() : m_doc.redo();
    if (!r.done)
        return;
    if (m_registers.rowCount() == 0) {
        m_display.clear();
        return;
    }
    // The first entry whose lines were written (the count line and the
    // version line belong to none); a step that took out the last entries
    // shows the entry now last.
    int entry = 0;
    for (const auto &span : r.spans) {
        if (m_doc.lineCount() == 0)
            break;
        const int e = m_doc.entryOfLine(std::min(span.first, m_doc.lineCount() - 1));
        if (e > 0 && (entry == 0 || e < entry))
            entry = e;
    }
    if (entry < 1)
        entry = m_display.shownEntryNumber();
    const int row = std::clamp(entry - 1, 0, m_registers.rowCount() - 1);
    // A step within the shown entry has been drawn by the display already;
    // one that added or took out entries shows the row anew.
    if (!r.listChanged && row + 1 == m_display.shownEntryNumber() && m_display.cellCount() > 0)
        m_registers.selectOnly(row);
    else
        m_registers.selectAndShowRow(row);
    if (r.listChanged || m_display.cellCount() == 0)
        return;
    const QList<int> cells = cellsTouched(m_doc.lines(), m_display.shownHeaderLine(), r.spans);
    m_display.selectCells(cells);
}
