#pragma once
// CellEditing: the in-place editing of cell texts and the Edit commands on
// cells (cut, copy, paste, delete, select all, selection reset). It works
// on the strip display of the main window and changes the register only
// through strip::writeCellText; the editors themselves belong to the
// display.
//
// While a cell is edited, cut, copy and paste work on the editor's
// selection; otherwise on the current cell's whole text. The clipboard
// holds plain text with CR LF between lines. Copy never changes a cell.

#include <QObject>
#include <QString>

class ActionCollection;
class QAction;
class QPlainTextEdit;
class QWidget;
class RegisterDocument;
class StripDisplay;

class CellEditing : public QObject
{
    Q_OBJECT

public:
    // window is the parent of the messages.
    // window is the main window, whose cell commands (menu items and cell
    // pop-up items, found by name) this class connects.
    CellEditing(RegisterDocument &document, StripDisplay &display, ActionCollection &actions, QWidget *window,
                QObject *parent = nullptr);

    // The cell being edited, or -1.
    int editingCell() const { return m_editing; }
    // Ends an open edit with its write-back; the edited cell stays the only
    // selected cell.
    void commitEdit();
    // Opens the cell's editor on its stored text with the characters from
    // `from` to `to` selected (an occurrence that find shows), any cell of
    // the detail view: the same editor, rules and write-back as an edit
    // started by a double-click.
    void editFound(int cell, int from, int to);

Q_SIGNALS:
    // An in-place edit started (the cell) or ended (-1).
    void editingChanged(int cell);

public Q_SLOTS:
    void ActionEditCutExecute();
    void ActionEditCopyExecute();
    void ActionEditPasteExecute();
    void ActionEditDeleteExecute();
    void ActionEditAllSelExecute();
    void ActionEditSelResetExecute();
    // The double-click on a cell's text.
    void startEditing(int cell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool cellsShown() const;
    // Shows the cell's editor with the editing rules; the edit is open.
    QPlainTextEdit *openEditor(int cell);
    // The cell that cut, copy and paste act on, or -1.
    int commandCell() const;
    void endEditing();
    void writeBack(int cell, const QStringList &lines);
    // Maps typed or pasted text by the input rule; false (after saying why)
    // when a line holds a character that the register cannot take.
    bool acceptInput(QString &text);
    bool editorKey(QPlainTextEdit *editor, class QKeyEvent *key);
    void copyEditorSelection(QPlainTextEdit *editor, bool cut);
    void pasteIntoEditor(QPlainTextEdit *editor);
    QStringList currentLines(int cell) const;

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    QWidget *m_window;
    int m_editing = -1;
};
