#pragma once
// TFSearch: the find and replace dialog. Modeless and on top of the main
// window, it steps through the cell texts of the register from a start
// point, shows each occurrence in the cell's in-place editor of the detail
// view with the found characters selected (the one editor of CellEditing,
// with its rules and write-back), and in replace mode rewrites the
// occurrence it showed last. The search itself is regsearch::step.

#include "register/registersearch.h"

#include <QDialog>

class ActionCollection;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAction;
class CellEditing;
class RegisterCommands;
class RegisterDocument;
class StripDisplay;

class TFSearch : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Find, Replace };
    static constexpr int ClientWidth = 424;
    static constexpr int ClientHeight = 110;

    // Adds the two commands that open the dialog (検索, 置換) to `actions`;
    // parent is the main window. The dialog is made once, with the main
    // window: it is modeless and keeps the searched text, the options and
    // the last occurrence between uses.
    // commands is the register list, which shows the entry of an occurrence.
    TFSearch(RegisterDocument &document, StripDisplay &display, RegisterCommands &commands, CellEditing &editing,
             ActionCollection &actions, QWidget *parent);

    Mode mode() const { return m_mode; }
    const regsearch::State &state() const { return m_state; }

public Q_SLOTS:
    void ActionEditFindExecute();
    void ActionEditReplaceExecute();
    void btnOkClick();

private:
    void open(Mode mode);
    void applyLayout();
    void showOccurrence(const regsearch::Occurrence &o, int length);
    void showReplaced(const regsearch::StepResult &r);

    RegisterDocument &m_doc;
    StripDisplay &m_display;
    RegisterCommands &m_commands;
    CellEditing &m_editing;
    Mode m_mode = Mode::Find;
    regsearch::State m_state;

    // The widgets, named after these fields (tests find them by name).
    QLabel *findLabel = nullptr;
    QLineEdit *findEdit = nullptr;
    QLabel *replaceLabel = nullptr;
    QLineEdit *replaceEdit = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QCheckBox *matchCaseBox = nullptr;
    QCheckBox *fromTopBox = nullptr;
};
