#pragma once
// UndoCommands: Edit ▸ 元に戻す and やり直し of the main window, over the
// register document's history. Undoing or redoing a step shows the entry it
// changed, with its row selected in the register list and the changed cells
// selected in the strip.
//
// While a cell's text is being edited, both commands (and Ctrl+Z in the
// editor) work on the editor's own text; the register's steps are undone
// once the edit has ended.

#include <QObject>

class ActionCollection;
class CellEditing;
class QAction;
class QTextDocument;
class RegisterCommands;
class RegisterDocument;
class StripDisplay;

class UndoCommands : public QObject
{
    Q_OBJECT

public:
    // Adds the undo and redo commands and their toolbar buttons to
    // `actions` and keeps their state and hints up to date.
    // registers is the register list, whose row follows the step undone.
    UndoCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers, CellEditing &editing,
                 ActionCollection &actions, QObject *parent = nullptr);

    // The status bar hints of the two commands: "元に戻す: <step>" and
    // "やり直し: <step>".
    QString undoHint() const;
    QString redoHint() const;

public Q_SLOTS:
    void ActionEditUndoExecute();
    void ActionEditRedoExecute();

private:
    void follow();
    void replay(bool undo);
    // The text of the cell being edited, or nullptr.
    QTextDocument *editedText() const;

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    RegisterCommands &m_registers;
    CellEditing &m_editing;
    ActionCollection &m_actions;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
};
