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

class QAction;
class QToolButton;
class TFMain;

class UndoCommands : public QObject
{
    Q_OBJECT

public:
    explicit UndoCommands(TFMain &main);

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

    TFMain &m_main;
};
