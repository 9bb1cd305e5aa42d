#pragma once
// RegisterCommands: the register list of the main window and the file and
// entry commands on it: New, Open, Save, Save As, the unsaved-changes
// question, showing the selected row, and creating, editing and deleting
// entries. The list is a model over the document, so the list and the
// register change together in every command; this class adds the
// selection, the focus and the questions.

#include "platform/registerlock.h"
#include "register/templates.h"
#include "windows/register/tftel_add.h"

#include <QObject>
#include <QString>

class QAction;
class ActionCollection;
class SettingsStore;
class QFileSystemWatcher;
class QTimer;
class QItemSelection;
class QComboBox;
class QTreeView;
class QWidget;
class RegisterDocument;
class RegisterListModel;
class StripDisplay;

class RegisterCommands : public QObject
{
    Q_OBJECT

public:
    // The file and entry commands are added to `actions`; `list` is the
    // register list, `series` the series selector that follows the shown
    // entry; templateFolders hold the templates; window parents the
    // questions.
    // The entry dialog is made on first use and kept; its place is read
    // from `settings` then and written by saveSettings.
    RegisterCommands(RegisterDocument &document, RegisterListModel &model, StripDisplay &display, QTreeView *list,
                     QComboBox *series, ActionCollection &actions, QWidget *window,
                     const templates::Folders &templateFolders, SettingsStore &settings, QObject *parent = nullptr);
    void saveSettings(SettingsStore &settings) const;
    // The entry dialog, made on first use.
    TFTelAdd &entryDialog();
    ~RegisterCommands() override;


    RegisterListModel &listModel() { return m_model; }
    int rowCount() const;

    // Selects row alone and shows its entry, as picking it in the list does.
    void selectAndShowRow(int row);
    // Selects row alone in the list; what is shown stays.
    void selectOnly(int row);
    // The unsaved-changes question: true when the command may go on. A
    // save that writes nothing (a question answered キャンセル, the save
    // dialog cancelled) stops the command; a failed save throws.
    bool askSaveChanges();
    // Opens the register at path as File ▸ Open does with a chosen file (a
    // file named on the command line): a missing or read-only file is
    // refused with the open dialog's words, then the unsaved-changes
    // question.
    void openFile(const QString &path);
    // The program is ended by a signal: unsaved changes are written to the
    // register's recovery copy (never over the register). Returns the
    // copy's path, empty when nothing was unsaved; throws when the copy
    // cannot be written.
    QString writeRecoveryCopy();

public Q_SLOTS:
    void ActionFileNewExecute();
    void ActionFileOpenExecute();
    // True when the register was written; false when a question was
    // answered キャンセル, the dialog was cancelled or there was nothing to
    // write (a failure throws).
    bool ActionFileSaveExecute();
    bool ActionFileSaveAsExecute();
    void ActionJimeijoNewExecute();
    void ActionJimeijoEditExecute();
    void ActionJimeijoDeleteExecute();

protected:
    // Delete on the list deletes, a double click on a row edits.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The commands this class made and the list parts it works on.
    struct Controls
    {
        QAction *ActionFileNew = nullptr;
        QAction *ActionFileOpen = nullptr;
        QAction *ActionFileSave = nullptr;
        QAction *ActionFileSaveAs = nullptr;
        QAction *ActionJimeijoNew = nullptr;
        QAction *ActionJimeijoEdit = nullptr;
        QAction *ActionJimeijoDelete = nullptr;
        QTreeView *registerList = nullptr;
        // The series selector, which follows the shown entry.
        QComboBox *ComboBoxSeries = nullptr;
    };

    // The register's lock: false when the user chose not to open a register
    // that another process holds.
    bool lockRegister(const QString &path);
    // Takes the lock; a folder that takes none is told once.
    // Takes the lock and the flock of the register; Live when another
    // holds it (or the file under another name), Free without a lock.
    RegisterLock::Probe takeLock(const QString &path);
    // No register file any more: the lock is given back, watching ends.
    void letGoOfFile();
    // Watching the open register for changes made elsewhere.
    void watch(const QString &path);
    void checkDisk();
    // Save's check that the file is still the one read; false to stop.
    bool confirmOverwrite(const QString &path, bool *saveAs);
    // Opens the register at path; `again` reads the open register again,
    // keeping what the window holds when that fails.
    void load(const QString &path, bool again = false);
    // A recovery copy kept for the register just opened is offered:
    // restore it, discard it or keep it for later.
    void offerRecovery(const QString &path);
    void focusListIfVisible();
    void listSelectionChanged(const QItemSelection &added);
    // Shows entry row + 1 and lets the series selector follow it.
    void showRow(int row);

    RegisterDocument &m_document;
    RegisterListModel &m_model;
    StripDisplay &m_display;
    QWidget *m_window;
    templates::Folders m_templateFolders;
    Controls m_controls;
    SettingsStore &m_settings;
    TFTelAdd *m_entryDialog = nullptr;
    TFTelAdd::Request entryRequest(TFTelAdd::Mode mode, int row) const;
    int m_listUpdating = 0; // row selections made by the commands themselves
    RegisterLock m_lock;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_poll = nullptr;
    bool m_toldChanged = false; // the user was told the file changed on disk
    bool m_toldNoLock = false;  // told once that a folder takes no lock
};
