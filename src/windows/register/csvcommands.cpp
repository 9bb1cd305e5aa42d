#include "windows/register/csvcommands.h"
#include "windows/common/appsettings.h"

#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "register/csvimport.h"
#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/register/registercommands.h"
#include "windows/register/tfcsvimport.h"
#include "windows/strip/stripdisplay.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>

const QString CsvCommands::FileFilter = QStringLiteral("CSVファイル(*.csv)");
const QString CsvCommands::NothingToExportMessage = QStringLiteral("出力する示名条がありません。");

namespace {
} // namespace

CsvCommands::CsvCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers,
                         const templates::Folders &templateFolders, SettingsStore &settings, ActionCollection &actions,
                         QWidget *window, QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_registers(registers), m_window(window),
      m_templateFolders(templateFolders)
{
    m_importFolder = appsettings::read(settings, appsettings::CsvImportFolder);
    m_exportFolder = appsettings::read(settings, appsettings::CsvExportFolder);
    actions.add("ActionFileCsvImport", QStringLiteral("CSV取込み(&I)..."), this, &CsvCommands::ActionFileCsvImportExecute,
                {}, QStringLiteral("CSVファイルから示名条を取り込みます"));
    actions.add("ActionFileCsvExport", QStringLiteral("CSV出力(&C)..."), this, &CsvCommands::ActionFileCsvExportExecute,
                {}, QStringLiteral("示名条の一覧をCSVファイルに出力します"));
}

CsvCommands::~CsvCommands() = default;

void CsvCommands::saveSettings(SettingsStore &settings) const
{
    appsettings::write(settings, appsettings::CsvImportFolder, m_importFolder);
    appsettings::write(settings, appsettings::CsvExportFolder, m_exportFolder);
}

void CsvCommands::ActionFileCsvImportExecute()
{
    m_display.commitPendingEdit();
    UserDialogs::FileRequest request{QStringLiteral("CSV取込み"), FileFilter, QStringLiteral("csv"), m_importFolder};
    request.writable = false;
    const QString path = UserDialogs::current().openFileName(m_window, request);
    if (path.isEmpty())
        return;
    m_importFolder = QFileInfo(path).absolutePath();

    const templates::Folders folder = m_templateFolders;
    csvimport::Analysis analysis;
    try {
        analysis = csvimport::analyse(textfile::readBytes(path), m_doc, folder, QDateTime::currentDateTime());
    } catch (const TavrelError &e) {
        UserDialogs::current().error(m_window, e.message());
        return;
    }
    if (analysis.rows.isEmpty()) {
        UserDialogs::current().message(m_window, csvimport::NoRowsMessage);
        return;
    }
    TFCsvImport preview(m_window);
    preview.setAnalysis(path, analysis);
    if (preview.exec() != QDialog::Accepted)
        return;
    const QList<int> added = csvimport::importCsvRows(m_doc, analysis, folder);
    if (!added.isEmpty())
        m_registers.selectAndShowRow(added.constFirst() - 1);
}

void CsvCommands::ActionFileCsvExportExecute()
{
    m_display.commitPendingEdit();
    if (m_registers.rowCount() == 0) {
        UserDialogs::current().message(m_window, NothingToExportMessage);
        return;
    }
    TFCsvExport choice(m_window);
    choice.setEncoding(m_encoding);
    if (choice.exec() != QDialog::Accepted)
        return;
    m_encoding = choice.encoding();
    // Encoded before the file dialog, so that a character the encoding
    // cannot hold is reported before a file name is asked for.
    QByteArray bytes;
    try {
        bytes = csvimport::exportCsv(m_doc, m_encoding);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(m_window, e.message());
        return;
    }
    UserDialogs::FileRequest request{QStringLiteral("CSV出力"), FileFilter, QStringLiteral("csv"), m_exportFolder};
    // A register is refused before replacing a file is confirmed: confirming
    // it would lose the register.
    QString chosen;
    const QString path = UserDialogs::current().saveOutputFileName(m_window, request, [&](const QString &p) {
        chosen = p;
        return RegisterDocument::outputReplacesRegister(p, m_doc.fileName())
                   ? RegisterDocument::OutputIsRegisterMessage.arg(p)
                   : QString();
    });
    if (!chosen.isEmpty())
        m_exportFolder = QFileInfo(chosen).absolutePath();
    if (path.isEmpty())
        return;
    try {
        textfile::writeBytes(path, bytes);
    } catch (const FileError &e) {
        UserDialogs::current().error(m_window, e.message());
    }
}
