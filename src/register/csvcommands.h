#pragma once
// The CSV commands of the main window: File ▸ CSV import (a preview of
// every row and its problem, then the sound rows imported) and File ▸ CSV
// export (the register list in the chosen encoding). The folders last used
// are kept in the settings file's Dir section (ImportCsv, ExportCsv).

#include "register/csvfile.h"

#include <QObject>
#include <QString>

class TFMain;

class CsvCommands : public QObject
{
    Q_OBJECT

public:
    static const QString FileFilter; // "CSVファイル(*.csv)"
    static const QString NothingToExportMessage;

    explicit CsvCommands(TFMain &main);
    ~CsvCommands() override;

    void ActionFileCsvImportExecute();
    void ActionFileCsvExportExecute();

    QString importFolder() const { return m_importFolder; }
    QString exportFolder() const { return m_exportFolder; }

private:
    TFMain &m_main;
    QString m_settingsPath;
    QString m_importFolder;
    QString m_exportFolder;
    csv::Encoding m_encoding = csv::Encoding::Cp932;
};
