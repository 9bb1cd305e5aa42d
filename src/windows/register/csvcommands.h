#pragma once
// The CSV commands of the main window: File ▸ CSV import (a preview of
// every row and its problem, then the sound rows imported) and File ▸ CSV
// export (the register list in the chosen encoding). The folders last used
// are kept in the settings file's Dir section (ImportCsv, ExportCsv).

#include "register/csvfile.h"
#include "register/templates.h"

#include <QObject>
#include <QString>

class ActionCollection;
class QAction;
class QWidget;
class RegisterCommands;
class RegisterDocument;
class StripDisplay;
class SettingsStore;

class CsvCommands : public QObject
{
    Q_OBJECT

public:
    static const QString FileFilter; // "CSVファイル(*.csv)"
    static const QString NothingToExportMessage;

    // The templates are read from templateFolders; the folders are read from
    // settings now and written back by saveSettings at the end of the run;
    // window parents the dialogs.
    // Adds the two CSV commands to `actions`; window parents the dialogs.
    // registers is the register list, which shows the first row imported.
    CsvCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers,
                const templates::Folders &templateFolders, SettingsStore &settings, ActionCollection &actions,
                QWidget *window, QObject *parent = nullptr);
    ~CsvCommands() override;

    // Writes the folders last used, with the main window's other settings.
    void saveSettings(SettingsStore &settings) const;

    void ActionFileCsvImportExecute();
    void ActionFileCsvExportExecute();

    QString importFolder() const { return m_importFolder; }
    QString exportFolder() const { return m_exportFolder; }

private:
    RegisterDocument &m_doc;
    StripDisplay &m_display;
    RegisterCommands &m_registers;
    QWidget *m_window;
    templates::Folders m_templateFolders;
    QString m_importFolder;
    QString m_exportFolder;
    csv::Encoding m_encoding = csv::Encoding::Cp932;
};
