#pragma once
// PDF files of the program's pages: the strip pages, the register list
// pages and the calibration page, drawn by their one page routine each, as
// on a printer, at a printer's resolution, with text kept as text. The
// desktop program and tavrel-cli both write through these, so the two give
// the same pages for the same entries.
//
// The pages go through the program's one output writer: a file is written
// under a temporary name and put in place only when every page was drawn and
// every byte written, so a failed write, or a drawing that throws on a
// malformed record, leaves whatever had the name before untouched; "-", a
// FIFO or a device is written into directly.

#include "platform/textfile.h"
#include "print/listpage.h"
#include "print/pageformat.h"
#include "print/sheetpage.h"
#include "print/strippage.h"

#include <QPainter>
#include <memory>

class QPdfWriter;
class RegisterDocument;

namespace print {

// The resolution of the pages: text widths and line heights are measured
// at it, as a printer's are at its own.
constexpr int PdfResolution = 600;

// Titles of documents without a register name: the strip and list print
// jobs' titles, and the test print's.
extern const QString StripPdfTitle;   // "示名条印刷"
extern const QString ListPdfTitle;    // "示名条一覧印刷"
extern const QString CalibrationTitle; // "テスト印刷"

// The title a register's PDF carries: the register file's name without its
// folder and extension, or `unnamed` for a register that has no file yet.
QString registerTitle(const QString &registerFile, const QString &unnamed);

class PdfPages
{
public:
    PdfPages(const QString &path, const QString &title);
    ~PdfPages();
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;

    // Starts the next page on that paper; throws FileError when the file
    // cannot be written.
    void nextPage(QPageSize::PageSizeId paper, QPageLayout::Orientation orientation);
    void nextPage(const QPageSize &paper, QPageLayout::Orientation orientation);
    QPainter &painter() { return m_painter; }
    // Scales of the page resolution, no origin offset (the PDF page has no
    // unprintable margin).
    static PagePlacement placement(const Adjustment &adjustment);
    // Ends the document and puts the file in place; throws FileError
    // naming the file and the reason when that fails.
    void finish();

private:
    textfile::OutputFile m_file;
    QString m_title;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
};

// The strip pages of the jobs, one page per copy, each on its format's paper
// in its orientation. An entry that is missing throws TavrelError naming it;
// each of these throws FileError when the file cannot be written.
void writeStripPdf(const QString &path, const RegisterDocument &doc, const QList<StripJob> &jobs,
                   const Adjustment &adjustment, const QString &title);
// The sheets of a run that lays out (sheetRunProblem empty), one page each
// on the run's paper.
void writeSheetPdf(const QString &path, const RegisterDocument &doc, const SheetRun &run, const Adjustment &adjustment,
                   const QString &title);
// Every page of the register list table on A4 landscape, the footer showing
// `drawnAt`.
void writeListPdf(const QString &path, const QList<ListRow> &table, const QDateTime &drawnAt, const QString &title);
// The calibration page of a format on its paper.
void writeCalibrationPdf(const QString &path, PageFormat format, const Adjustment &adjustment, const QString &title);
// The calibration page of sheet printing on its paper.
void writeSheetCalibrationPdf(const QString &path, const SheetSettings &settings, const Adjustment &adjustment,
                              const QString &title);

} // namespace print
