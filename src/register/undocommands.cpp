#include "register/undocommands.h"

#include "app/tfmain.h"
#include "register/registercommands.h"
#include "strip/cellediting.h"
#include "strip/stripdisplay.h"
#include "strip/stripwalk.h"

#include <QPlainTextEdit>
#include <algorithm>
#include <QToolButton>

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

UndoCommands::UndoCommands(TFMain &main) : QObject(&main), m_main(main)
{
    m_main.connectCommand(m_main.ActionEditUndo, [this] { ActionEditUndoExecute(); });
    m_main.connectCommand(m_main.ActionEditRedo, [this] { ActionEditRedoExecute(); });
    connect(&m_main.document().history(), &RegisterHistory::changed, this, &UndoCommands::follow);
    follow();
}

QString UndoCommands::undoHint() const
{
    const RegisterHistory &h = m_main.document().history();
    return h.canUndo() ? UndoText + QStringLiteral(": ") + h.undoText() : NothingToUndo;
}

QString UndoCommands::redoHint() const
{
    const RegisterHistory &h = m_main.document().history();
    return h.canRedo() ? RedoText + QStringLiteral(": ") + h.redoText() : NothingToRedo;
}

void UndoCommands::follow()
{
    const RegisterHistory &h = m_main.document().history();
    m_main.ActionEditUndo->setEnabled(h.canUndo());
    m_main.ActionEditRedo->setEnabled(h.canRedo());
    m_main.ActionEditUndo->setStatusTip(undoHint());
    m_main.ActionEditRedo->setStatusTip(redoHint());
    // The toolbar buttons carry "tip|hint".
    if (m_main.ToolButtonUndo)
        m_main.ToolButtonUndo->setStatusTip(UndoText + u'|' + undoHint());
    if (m_main.ToolButtonRedo)
        m_main.ToolButtonRedo->setStatusTip(RedoText + u'|' + redoHint());
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
    StripDisplay &display = m_main.display();
    const int editing = m_main.cellEditing().editingCell();
    if (editing >= 0 && editing < display.cellCount()) {
        QPlainTextEdit *editor = display.editor(editing);
        if (undo)
            editor->undo();
        else
            editor->redo();
        return;
    }
    m_main.CommitPendingEdit();
    RegisterDocument &doc = m_main.document();
    const RegisterHistory::Replay r = undo ? doc.undo() : doc.redo();
    if (!r.done)
        return;
    if (m_main.rowCount() == 0) {
        display.clear();
        doc.setCurrentHeaderLine(0);
        return;
    }
    // The entry of the first line written; a step that took out the last
    // entries shows the entry now last.
    const int first = r.firstLine();
    int entry = first >= 0 && doc.lineCount() > 0 ? doc.entryOfLine(std::min(first, doc.lineCount() - 1)) : 0;
    if (entry < 1)
        entry = doc.currentEntryNumber();
    const int row = std::clamp(entry - 1, 0, m_main.rowCount() - 1);
    m_main.registerCommands().selectAndShowRow(row);
    if (r.listChanged || display.cellCount() == 0)
        return;
    const QList<int> cells = cellsTouched(doc.lines(), doc.currentHeaderLine(), r.spans);
    display.selectCells(cells);
}
