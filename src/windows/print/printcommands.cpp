#include "windows/print/printcommands.h"
#include "windows/common/appsettings.h"

#include "platform/conversion.h"
#include "platform/settingsstore.h"
#include "print/calibrationpage.h"
#include "print/listpage.h"
#include "print/pageformat.h"
#include "print/pdfoutput.h"
#include "register/registerlistmodel.h"
#include "windows/common/actioncollection.h"
#include "windows/common/userdialogs.h"
#include "windows/print/printers.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijocard.h"
#include "windows/print/tfprintjimeijolist.h"
#include "windows/register/registercommands.h"
#include "windows/strip/stripdisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QTreeView>
#include <functional>

const QString PrintCommands::NoPrinterAtStartMessage = QStringLiteral("プリンターがインストールされていません。");
const QString PrintCommands::NoPrinterAtPrintMessage = QStringLiteral("プリンタがインストールされていません。");
const QString PrintCommands::PrinterErrorCaption = QStringLiteral("プリンタエラー");
const QString PrintCommands::PrinterErrorMessage =
    QStringLiteral("プリンタの設定に問題があります。\nプリンタの設定を見直すか、またはプリンタドライバをインストールし直してください。");
const QString PrintCommands::StripJobTitle = QStringLiteral("示名条印刷");
const QString PrintCommands::ListJobTitle = QStringLiteral("示名条一覧印刷");

namespace {

const QString MissingEntryMessage = QStringLiteral("示名条 %1 が見つかりません。印刷を中止しました。");

// One print job: whatever ends the job early (a failed page, an exception)
// aborts it, so that no job is left open; an aborted job to a file leaves
// no half-drawn file behind.
class PrintJob
{
public:
    explicit PrintJob(QPrinter &printer) : m_printer(printer) {}
    ~PrintJob()
    {
        if (m_painter.isActive()) {
            const QString file = m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName() : QString();
            m_printer.abort();
            m_painter.end();
            if (!file.isEmpty())
                QFile::remove(file);
        }
    }
    bool begin() { return m_painter.begin(&m_printer); }
    // Starts page `index` of the job (a new page before all but the first).
    bool page(int index) { return index == 0 || m_printer.newPage(); }
    bool end() { return m_painter.end(); }
    QPainter &painter() { return m_painter; }

private:
    QPrinter &m_printer;
    QPainter m_painter;
};

// The progress of a run of more than a few pages, with a cancel button.
class RunProgress
{
public:
    RunProgress(QWidget *parent, const QString &title, int pages)
    {
        if (pages <= PrintCommands::ProgressFromPages)
            return;
        m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("印刷しています..."),
                                                     QStringLiteral("キャンセル"), 0, pages, parent);
        m_dialog->setWindowTitle(title);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setValue(0);
    }
    bool cancelled() const { return m_dialog && m_dialog->wasCanceled(); }
    void pageDone()
    {
        if (m_dialog)
            m_dialog->setValue(++m_done);
    }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    int m_done = 0;
};

// One print job on the paper and in the orientation of a format: `pages`
// pages, each drawn by draw at the printer's resolution and offsets. A
// failure is reported and ends the run.
enum class JobEnd { Done, Cancelled, Failed };
using DrawPage = std::function<void(QPainter &, const print::PagePlacement &)>;
JobEnd runJob(QWidget *parent, QPrinter &pr, int pages, const print::Adjustment &adjustment, RunProgress &progress,
             const DrawPage &draw);
JobEnd printJob(QWidget *parent, QPrinter &pr, const print::PageFormatInfo &fmt, int pages,
                const print::Adjustment &adjustment, RunProgress &progress, const DrawPage &draw)
{
    // A printer that does not offer the paper prints on the paper it has.
    printers::setPrinterPaper(pr, fmt.paperIdentifier);
    pr.setPageOrientation(fmt.orientation);
    return runJob(parent, pr, pages, adjustment, progress, draw);
}

// The job on the paper the printer is set to.
JobEnd runJob(QWidget *parent, QPrinter &pr, int pages, const print::Adjustment &adjustment, RunProgress &progress,
             const DrawPage &draw)
{
    PrintJob pj(pr);
    if (!pj.begin()) {
        UserDialogs::current().captionedError(parent, PrintCommands::PrinterErrorCaption,
                                              PrintCommands::PrinterErrorMessage);
        return JobEnd::Failed;
    }
    const QRectF printable = pr.pageRect(QPrinter::DevicePixel);
    const print::PagePlacement placement{print::scaleOfDpi(pr.logicalDpiX()), print::scaleOfDpi(pr.logicalDpiY()),
                                         print::fixedOfReal(printable.left()), print::fixedOfReal(printable.top()),
                                         adjustment};
    bool cancelled = false;
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && progress.cancelled()) {
            cancelled = true;
            break;
        }
        if (!pj.page(page)) {
            UserDialogs::current().captionedError(parent, PrintCommands::PrinterErrorCaption,
                                                  PrintCommands::PrinterErrorMessage);
            return JobEnd::Failed; // the job is aborted as it goes out of scope
        }
        draw(pj.painter(), placement);
        progress.pageDone();
    }
    // A cancelled run ends the job it is in with the pages drawn so far.
    if (!pj.end()) {
        UserDialogs::current().captionedError(parent, PrintCommands::PrinterErrorCaption,
                                              PrintCommands::PrinterErrorMessage);
        return JobEnd::Failed;
    }
    return cancelled ? JobEnd::Cancelled : JobEnd::Done;
}

// Printing to a file: a run of several jobs writes one numbered file per
// job next to the chosen name instead of overwriting it job after job.
QString jobFileName(const QString &chosen, int job, int jobs)
{
    if (jobs <= 1 || chosen.isEmpty())
        return chosen;
    const QFileInfo fi(chosen);
    const QString suffix = fi.suffix().isEmpty() ? QString() : u'.' + fi.suffix();
    const QString stem = suffix.isEmpty() ? chosen : chosen.left(chosen.size() - suffix.size());
    return QStringLiteral("%1-%2%3").arg(stem).arg(job + 1).arg(suffix);
}

} // namespace

PrintCommands::PrintCommands(RegisterDocument &document, StripDisplay &display, RegisterCommands &registers,
                             SettingsStore &settings, ActionCollection &actions, QTreeView *list, QWidget *window,
                             QObject *parent)
    : QObject(parent), m_doc(document), m_display(display), m_registers(registers), m_window(window),
      m_settings(settings)
{
    m_registerList = list;
    actions.add("ActionFileSetup", QStringLiteral("印刷位置の微調整(&E)..."), this, &PrintCommands::ActionFileSetupExecute,
                {}, QStringLiteral("マニュアルで印字位置を微調整します"));
    QAction *print = actions.add("ActionFilePrint", QStringLiteral("示名条の印刷(&P)..."), this,
                                 &PrintCommands::ActionFilePrintExecute, {},
                                 QStringLiteral("１枚あるいは複数枚の示名条を印刷します"));
    actions.add("ActionFilePrintList", QStringLiteral("示名条一覧の印刷(&L)..."), this,
                &PrintCommands::ActionFilePrintListExecute, {}, QStringLiteral("登録されている示名条のリストを印刷します"));
    actions.add("ActionFilePdf", QStringLiteral("PDFに出力(&D)..."), this, &PrintCommands::ActionFilePdfExecute, {},
                QStringLiteral("示名条をPDFファイルに保存します"));
    actions.setButton(print, "ToolButtonPrint", "print", QStringLiteral("示名条の印刷|１枚あるいは複数枚の示名条を印刷します"));
    m_printerInUse = printers::defaultPrinterName();
    m_pdfFolder = appsettings::read(settings, appsettings::PdfFolder);
    m_sheet = SheetChoice::read(settings);
}

TFAdjust &PrintCommands::adjustDialog() const
{
    // The dialog holds each printer's fine adjustment; it starts on the
    // default printer and follows the printer in use.
    if (!m_adjust) {
        m_adjust = new TFAdjust(m_settings, m_window);
        if (m_printerInUse != printers::defaultPrinterName())
            m_adjust->usePrinter(m_printerInUse);
    }
    return *m_adjust;
}

TFPrintJimeijoCard &PrintCommands::cardDialog()
{
    if (!m_card)
        m_card = new TFPrintJimeijoCard(m_settings, m_window);
    return *m_card;
}

TFPrintJimeijoList &PrintCommands::listDialog()
{
    if (!m_list)
        m_list = new TFPrintJimeijoList(m_settings, m_window);
    return *m_list;
}

void PrintCommands::saveSettings(SettingsStore &settings) const
{
    // A dialog made writes its own place when it goes.
    if (!m_adjust)
        appsettings::keep(settings, appsettings::AdjustPlace);
    if (!m_card)
        appsettings::keep(settings, appsettings::CardPreviewPlace);
    if (!m_list)
        appsettings::keep(settings, appsettings::ListPreviewPlace);
    appsettings::write(settings, appsettings::PdfFolder, m_pdfFolder);
    m_sheet.write(settings);
}

bool PrintCommands::chooseSheet(QWidget *parent)
{
    const std::optional<SheetChoice> chosen = SheetPrintDialog::ask(parent, m_sheet);
    if (!chosen)
        return false;
    m_sheet = *chosen;
    return true;
}

std::optional<print::SheetRun> PrintCommands::sheetRun(QWidget *parent, const QList<int> &positions, int copies,
                                                       bool collate)
{
    print::SheetRun run;
    try {
        run = print::planSheetRun(document(), print::planStripJobs(positions, copies, collate), m_sheet.settings);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(parent, e.message());
        return std::nullopt;
    }
    if (!run.ok()) {
        UserDialogs::current().error(parent, print::sheetRunProblem(run));
        return std::nullopt;
    }
    return run;
}

void PrintCommands::printSheets(QWidget *parent, const QList<int> &positions)
{
    QPrinter &pr = printer();
    if (!askPrinter(parent, pr, 0))
        return;
    // Each copy of a strip takes a place of its own.
    const std::optional<print::SheetRun> run = sheetRun(parent, positions, pr.copyCount(), pr.collateCopies());
    if (!run)
        return;
    pr.setDocName(StripJobTitle);
    pr.setCopyCount(1);
    pr.setCollateCopies(false);
    pr.setPageSize(print::sheetPageSize(run->settings));
    pr.setPageOrientation(print::sheetOrientation(run->settings));
    RunProgress progress(parent, StripJobTitle, run->layout.sheetCount);
    const RegisterDocument &doc = document();
    int sheet = 0;
    runJob(parent, pr, run->layout.sheetCount, adjustment(), progress,
           [&](QPainter &p, const print::PagePlacement &placement) {
               print::drawSheetPage(p, doc, *run, sheet++, placement, false);
           });
}

void PrintCommands::printerChosen()
{
    const QString name = printerName();
    if (name == m_printerInUse)
        return;
    m_printerInUse = name;
    if (m_adjust)
        m_adjust->usePrinter(name);
}

QString PrintCommands::askPdfFile(QWidget *parent, const QString &unnamed)
{
    UserDialogs::FileRequest request{QStringLiteral("PDFに出力"), QStringLiteral("PDFファイル(*.pdf)"),
                                     QStringLiteral("pdf")};
    // At first the register's own folder.
    request.folder = m_pdfFolder;
    if (request.folder.isEmpty() && !document().fileName().isEmpty())
        request.folder = QFileInfo(document().fileName()).absolutePath();
    request.fileName = print::registerTitle(document().fileName(), unnamed) + QStringLiteral(".pdf");
    // A register is refused before replacing a file is confirmed: confirming
    // it would lose the register.
    QString chosen;
    const QString path = UserDialogs::current().saveOutputFileName(parent, request, [&](const QString &p) {
        chosen = p;
        return RegisterDocument::outputReplacesRegister(p, document().fileName())
                   ? RegisterDocument::OutputIsRegisterMessage.arg(p)
                   : QString();
    });
    if (!chosen.isEmpty())
        m_pdfFolder = QFileInfo(chosen).absolutePath();
    return path;
}

PrintCommands::~PrintCommands() = default;

RegisterDocument &PrintCommands::document()
{
    return m_doc;
}

print::Adjustment PrintCommands::adjustment() const
{
    return adjustDialog().adjustment();
}

QPrinter &PrintCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

QString PrintCommands::printerName() const
{
    if (m_printer && !m_printer->printerName().isEmpty())
        return m_printer->printerName();
    return printers::defaultPrinterName();
}

QList<EntryHeader> PrintCommands::listRows() const
{
    return m_registers.listModel().rowHeaders();
}

QList<int> PrintCommands::selectedPositions() const
{
    QList<int> positions;
    const QItemSelectionModel *sel = m_registerList->selectionModel();
    for (const QModelIndex &i : sel->selectedRows())
        positions.append(i.row());
    std::sort(positions.begin(), positions.end());
    if (positions.isEmpty()) {
        const QModelIndex current = m_registerList->currentIndex();
        if (current.isValid())
            positions.append(current.row());
    }
    return positions;
}

// ---------------------------------------------------------------- commands

bool PrintCommands::readyToPrint()
{
    if (m_registers.rowCount() == 0)
        return false;
    if (!printers::installed()) {
        UserDialogs::current().error(m_window, NoPrinterAtStartMessage);
        return false;
    }
    m_display.commitPendingEdit();
    return true;
}

void PrintCommands::ActionFilePrintExecute()
{
    if (!readyToPrint())
        return;
    const QList<int> positions = selectedPositions();
    if (positions.isEmpty())
        return; // rows, but none selected and none focused: nothing to print
    cardDialog().execFor(this, positions);
}

void PrintCommands::ActionFilePrintListExecute()
{
    if (!readyToPrint())
        return;
    listDialog().execFor(this);
}

void PrintCommands::ActionFileSetupExecute()
{
    if (!printers::installed()) {
        UserDialogs::current().error(m_window, NoPrinterAtPrintMessage);
        return;
    }
    adjustDialog().execFor(printerName(), [this](QWidget *parent, const print::Adjustment &typed) {
        printCalibration(parent, typed);
    });
}

void PrintCommands::ActionFilePdfExecute()
{
    if (m_registers.rowCount() == 0)
        return;
    m_display.commitPendingEdit();
    const QList<int> positions = selectedPositions();
    if (positions.isEmpty())
        return;
    const QString path = askPdfFile(m_window, print::StripPdfTitle);
    if (path.isEmpty())
        return;
    const QString title = print::registerTitle(document().fileName(), print::StripPdfTitle);
    try {
        if (m_sheet.onSheets) {
            if (const std::optional<print::SheetRun> run = sheetRun(m_window, positions))
                print::writeSheetPdf(path, document(), *run, adjustment(), title);
            return;
        }
        print::writeStripPdf(path, document(), print::planStripJobs(positions, 1, false), adjustment(), title);
    } catch (const FileError &e) {
        UserDialogs::current().error(m_window, e.message());
    }
}

void PrintCommands::saveListPdf(QWidget *parent)
{
    const QList<print::ListRow> table = print::listRowTable(listRows());
    if (table.isEmpty())
        return;
    const QString path = askPdfFile(parent, print::ListPdfTitle);
    if (path.isEmpty())
        return;
    const QString title = print::registerTitle(document().fileName(), print::ListPdfTitle);
    try {
        print::writeListPdf(path, table, QDateTime::currentDateTime(), title);
    } catch (const FileError &e) {
        UserDialogs::current().error(parent, e.message());
    }
}

// ---------------------------------------------------------------- print runs

bool PrintCommands::askPrinter(QWidget *parent, QPrinter &pr, int lastPage)
{
    if (!UserDialogs::current().print(parent, pr, lastPage))
        return false;
    printerChosen();
    // Printing to a file: confirming the replacement of a register would
    // lose it.
    if (pr.outputFormat() == QPrinter::PdfFormat
        && RegisterDocument::outputReplacesRegister(pr.outputFileName(), document().fileName())) {
        UserDialogs::current().error(parent, RegisterDocument::OutputIsRegisterMessage.arg(pr.outputFileName()));
        return false;
    }
    return true;
}

void PrintCommands::printStrips(QWidget *parent, const QList<int> &positions)
{
    QPrinter &pr = printer();
    if (!askPrinter(parent, pr, 0))
        return;
    const QList<print::StripJob> jobs = print::planStripJobs(positions, pr.copyCount(), pr.collateCopies());
    pr.setDocName(StripJobTitle);
    pr.setCopyCount(1);
    pr.setCollateCopies(false);
    const QString chosenFile = pr.outputFormat() == QPrinter::PdfFormat ? pr.outputFileName() : QString();
    int pages = 0;
    for (const print::StripJob &j : jobs)
        pages += j.pages;

    // The printer keeps the file name the user chose, however the run ends.
    struct RestoreFile
    {
        QPrinter &pr;
        QString name;
        ~RestoreFile()
        {
            if (!name.isEmpty())
                pr.setOutputFileName(name);
        }
    } restore{pr, chosenFile};

    RunProgress progress(parent, StripJobTitle, pages);
    const RegisterDocument &doc = document();
    for (int j = 0; j < jobs.size() && !progress.cancelled(); ++j) {
        const print::StripJob &job = jobs.at(j);
        const int entry = job.position + 1;
        const int marker = doc.findEntry(entry);
        if (marker < 0) {
            UserDialogs::current().error(parent, MissingEntryMessage.arg(entry));
            break;
        }
        const EntryHeader h = doc.headerAt(marker + 1);
        const print::PageFormatInfo &fmt =
            print::pageFormatInfo(print::selectPageFormat(h.seriesCaption, h.stripType));
        if (!chosenFile.isEmpty())
            pr.setOutputFileName(jobFileName(chosenFile, j, int(jobs.size())));
        const JobEnd end = printJob(parent, pr, fmt, job.pages, adjustment(), progress,
                                    [&](QPainter &p, const print::PagePlacement &placement) {
                                        print::drawStripPage(p, doc, entry, placement);
                                    });
        if (end != JobEnd::Done)
            break;
    }
}

void PrintCommands::printCalibration(QWidget *parent, const print::Adjustment &adjustment)
{
    print::PageFormat format = print::PageFormat::A;
    const RegisterDocument &doc = document();
    const int shown = m_display.shownEntryNumber();
    if (const int marker = doc.findEntry(shown); shown > 0 && marker >= 0) {
        const EntryHeader h = doc.headerAt(marker + 1);
        format = print::selectPageFormat(h.seriesCaption, h.stripType);
    }
    QPrinter &pr = printer();
    if (!askPrinter(parent, pr, 0))
        return;
    const int copies = qMax(1, pr.copyCount());
    pr.setDocName(print::CalibrationTitle);
    pr.setCopyCount(1);
    pr.setCollateCopies(false);
    RunProgress progress(parent, print::CalibrationTitle, copies);
    if (m_sheet.onSheets) {
        const print::SheetSettings sheet = m_sheet.settings;
        pr.setPageSize(print::sheetPageSize(sheet));
        pr.setPageOrientation(print::sheetOrientation(sheet));
        runJob(parent, pr, copies, adjustment, progress, [sheet](QPainter &p, const print::PagePlacement &placement) {
            print::drawSheetCalibrationPage(p, sheet, placement);
        });
        return;
    }
    printJob(parent, pr, print::pageFormatInfo(format), copies, adjustment, progress,
             [format](QPainter &p, const print::PagePlacement &placement) {
                 print::drawCalibrationPage(p, format, placement);
             });
}

void PrintCommands::printList(QWidget *parent)
{
    const QList<print::ListRow> table = print::listRowTable(listRows());
    const int pageCount = print::listPageCount(int(table.size()));
    if (pageCount == 0)
        return;
    QPrinter &pr = printer();
    if (!askPrinter(parent, pr, pageCount))
        return;
    const int copies = qMax(1, pr.copyCount());
    const bool collate = pr.collateCopies();
    const int outer = collate ? copies : 1;
    const int inner = collate ? 1 : copies;
    int from = 1, to = pageCount;
    if (pr.printRange() == QPrinter::PageRange && pr.fromPage() > 0) {
        from = qBound(1, pr.fromPage(), pageCount);
        to = qBound(from, pr.toPage() > 0 ? pr.toPage() : pageCount, pageCount);
    }
    pr.setDocName(ListJobTitle);
    printers::setPrinterPaper(pr, 9);
    pr.setPageOrientation(QPageLayout::Landscape);
    pr.setCopyCount(1);
    pr.setCollateCopies(false);

    PrintJob pj(pr);
    if (!pj.begin()) {
        UserDialogs::current().captionedError(parent, PrinterErrorCaption, PrinterErrorMessage);
        return;
    }
    // The page is placed on the paper, as strip pages are.
    const print::ListPlacement placement{qRound(pr.pageRect(QPrinter::DevicePixel).left()),
                                         qRound(pr.pageRect(QPrinter::DevicePixel).top()),
                                         pr.paperRect(QPrinter::DevicePixel).size().toSize()};
    // A cancelled run ends the job with the pages drawn so far.
    RunProgress progress(parent, ListJobTitle, outer * (to - from + 1) * inner);
    int index = 0;
    for (int o = 0; o < outer && !progress.cancelled(); ++o)
        for (int page = from; page <= to && !progress.cancelled(); ++page)
            for (int i = 0; i < inner && !progress.cancelled(); ++i) {
                if (!pj.page(index++)) {
                    UserDialogs::current().captionedError(parent, PrinterErrorCaption, PrinterErrorMessage);
                    return;
                }
                print::drawListPage(pj.painter(), table, page, QDateTime::currentDateTime(), placement);
                progress.pageDone();
            }
    if (!pj.end())
        UserDialogs::current().captionedError(parent, PrinterErrorCaption, PrinterErrorMessage);
}
