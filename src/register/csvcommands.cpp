#include "register/csvcommands.h"

#include "app/mainsub.h"
#include "app/settingsstore.h"
#include "app/tfmain.h"
#include "register/registercommands.h"
#include "platform/textfile.h"
#include "platform/userdialogs.h"
#include "register/csvimport.h"
#include "register/tfcsvimport.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>

const QString CsvCommands::FileFilter = QStringLiteral("CSVファイル(*.csv)");
const QString CsvCommands::NothingToExportMessage = QStringLiteral("出力する示名条がありません。");

namespace {
const QString DirSection = QStringLiteral("Dir");
const QString ImportKey = QStringLiteral("ImportCsv");
const QString ExportKey = QStringLiteral("ExportCsv");
} // namespace

CsvCommands::CsvCommands(TFMain &main) : QObject(&main), m_main(main)
{
    SettingsStore &s = main.mainSub()->settings();
    m_settingsPath = s.path();
    m_importFolder = s.readString(DirSection, ImportKey, QString());
    m_exportFolder = s.readString(DirSection, ExportKey, QString());
    main.connectCommand(main.ActionFileCsvImport, [this] { ActionFileCsvImportExecute(); });
    main.connectCommand(main.ActionFileCsvExport, [this] { ActionFileCsvExportExecute(); });
    main.ActionFileCsvImport->setEnabled(true);
    main.ActionFileCsvExport->setEnabled(true);
}

CsvCommands::~CsvCommands()
{
    // Written at the end of the run, as every window writes its settings;
    // the main window's own store may be gone by now, so a store of the same
    // file is used.
    SettingsStore s(m_settingsPath);
    s.writeString(DirSection, ImportKey, m_importFolder);
    s.writeString(DirSection, ExportKey, m_exportFolder);
}

void CsvCommands::ActionFileCsvImportExecute()
{
    m_main.CommitPendingEdit();
    UserDialogs::FileRequest request{QStringLiteral("CSV取込み"), FileFilter, QStringLiteral("csv"), m_importFolder};
    request.writable = false;
    const QString path = UserDialogs::current().openFileName(&m_main, request);
    if (path.isEmpty())
        return;
    m_importFolder = QFileInfo(path).absolutePath();

    RegisterDocument &doc = m_main.document();
    const QString folder = m_main.mainSub()->programFolder();
    csvimport::Analysis analysis;
    try {
        analysis = csvimport::analyse(textfile::readBytes(path), doc, folder, QDateTime::currentDateTime());
    } catch (const TavrelError &e) {
        UserDialogs::current().error(&m_main, e.message());
        return;
    }
    if (analysis.rows.isEmpty()) {
        UserDialogs::current().message(&m_main, QStringLiteral("取り込む行がありません。"));
        return;
    }
    TFCsvImport preview(&m_main);
    preview.setAnalysis(path, analysis);
    if (preview.exec() != QDialog::Accepted)
        return;
    const QList<int> added = csvimport::importCsvRows(doc, analysis, folder);
    if (!added.isEmpty())
        m_main.registerCommands().selectAndShowRow(added.constFirst() - 1);
}

void CsvCommands::ActionFileCsvExportExecute()
{
    m_main.CommitPendingEdit();
    RegisterDocument &doc = m_main.document();
    if (m_main.rowCount() == 0) {
        UserDialogs::current().message(&m_main, NothingToExportMessage);
        return;
    }
    TFCsvExport choice(&m_main);
    choice.setEncoding(m_encoding);
    if (choice.exec() != QDialog::Accepted)
        return;
    m_encoding = choice.encoding();
    // Encoded before the file dialog, so that a character the encoding
    // cannot hold is reported before a file name is asked for.
    QByteArray bytes;
    try {
        bytes = csvimport::exportCsv(doc, m_encoding);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(&m_main, e.message());
        return;
    }
    UserDialogs::FileRequest request{QStringLiteral("CSV出力"), FileFilter, QStringLiteral("csv"), m_exportFolder};
    const QString path = UserDialogs::current().saveFileName(&m_main, request);
    if (path.isEmpty())
        return;
    m_exportFolder = QFileInfo(path).absolutePath();
    textfile::writeBytes(path, bytes); // a failure is shown by the standard error box
}
