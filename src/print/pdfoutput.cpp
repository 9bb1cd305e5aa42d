#include "print/pdfoutput.h"

#include "platform/conversion.h"
#include "print/calibrationpage.h"
#include "register/registerdocument.h"

#include <QFileInfo>
#include <QPdfWriter>

namespace print {

const QString StripPdfTitle = QStringLiteral("示名条印刷");
const QString ListPdfTitle = QStringLiteral("示名条一覧印刷");
const QString CalibrationTitle = QStringLiteral("テスト印刷");

QString registerTitle(const QString &registerFile, const QString &unnamed)
{
    const QString name = QFileInfo(registerFile).completeBaseName();
    return name.isEmpty() ? unnamed : name;
}

PdfPages::PdfPages(const QString &path, const QString &title) : m_file(path, true), m_title(title) {}

PdfPages::~PdfPages()
{
    // An unfinished document is thrown away with its temporary file.
    if (m_painter.isActive())
        m_painter.end();
    m_writer.reset();
}

void PdfPages::nextPage(QPageSize::PageSizeId paper, QPageLayout::Orientation orientation)
{
    nextPage(QPageSize(paper), orientation);
}

void PdfPages::nextPage(const QPageSize &paper, QPageLayout::Orientation orientation)
{
    const QPageLayout layout(paper, orientation, QMarginsF(0, 0, 0, 0));
    if (!m_writer) {
        m_file.start();
        m_writer = std::make_unique<QPdfWriter>(&m_file);
        m_writer->setResolution(PdfResolution);
        m_writer->setTitle(m_title);
        m_writer->setCreator(QStringLiteral("Tavrel"));
        m_writer->setPageLayout(layout);
        if (!m_painter.begin(m_writer.get()))
            throw FileError(QStringLiteral("ファイル %1 に書き込めません。").arg(m_file.path()));
        return;
    }
    m_writer->setPageLayout(layout);
    m_writer->newPage();
}

PagePlacement PdfPages::placement(const Adjustment &adjustment)
{
    const Fixed4 scale = scaleOfDpi(PdfResolution);
    return {scale, scale, Fixed4(), Fixed4(), adjustment};
}

void PdfPages::finish()
{
    if (!m_writer)
        throw FileError(QStringLiteral("ファイル %1 に書き込めません: ページがありません。").arg(m_file.path()));
    m_painter.end();
    m_writer.reset();
    m_file.commit(); // every write of the pages is checked there
}

void writeStripPdf(const QString &path, const RegisterDocument &doc, const QList<StripJob> &jobs,
                   const Adjustment &adjustment, const QString &title)
{
    for (const StripJob &job : jobs)
        if (doc.findEntry(job.position + 1) < 0)
            throw TavrelError(QStringLiteral("エントリ %1 がありません。").arg(job.position + 1));
    PdfPages pdf(path, title);
    const PagePlacement placement = PdfPages::placement(adjustment);
    for (const StripJob &job : jobs) {
        const int entry = job.position + 1;
        const EntryHeader h = doc.headerAt(doc.findEntry(entry) + 1);
        const PageFormatInfo &fmt = pageFormatInfo(selectPageFormat(h.seriesCaption, h.stripType));
        for (int page = 0; page < job.pages; ++page) {
            pdf.nextPage(fmt.paper, fmt.orientation);
            drawStripPage(pdf.painter(), doc, entry, placement);
        }
    }
    pdf.finish();
}

void writeSheetPdf(const QString &path, const RegisterDocument &doc, const SheetRun &run, const Adjustment &adjustment,
                   const QString &title)
{
    if (!run.ok())
        throw TavrelError(sheetRunProblem(run));
    PdfPages pdf(path, title);
    const PagePlacement placement = PdfPages::placement(adjustment);
    for (int sheet = 0; sheet < run.layout.sheetCount; ++sheet) {
        pdf.nextPage(sheetPageSize(run.settings), sheetOrientation(run.settings));
        drawSheetPage(pdf.painter(), doc, run, sheet, placement, false);
    }
    pdf.finish();
}

void writeListPdf(const QString &path, const QList<ListRow> &table, const QDateTime &drawnAt, const QString &title)
{
    PdfPages pdf(path, title);
    const int pages = listPageCount(int(table.size()));
    for (int page = 1; page <= pages; ++page) {
        pdf.nextPage(QPageSize::A4, QPageLayout::Landscape);
        drawListPage(pdf.painter(), table, page, drawnAt);
    }
    pdf.finish();
}

void writeCalibrationPdf(const QString &path, PageFormat format, const Adjustment &adjustment, const QString &title)
{
    PdfPages pdf(path, title);
    const PageFormatInfo &fmt = pageFormatInfo(format);
    pdf.nextPage(fmt.paper, fmt.orientation);
    drawCalibrationPage(pdf.painter(), format, PdfPages::placement(adjustment));
    pdf.finish();
}

} // namespace print

namespace print {

void writeSheetCalibrationPdf(const QString &path, const SheetSettings &settings, const Adjustment &adjustment,
                              const QString &title)
{
    PdfPages pdf(path, title);
    pdf.nextPage(sheetPageSize(settings), sheetOrientation(settings));
    drawSheetCalibrationPage(pdf.painter(), settings, PdfPages::placement(adjustment));
    pdf.finish();
}

} // namespace print
