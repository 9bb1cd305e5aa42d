// tavrel-cli print and print-list: the strip pages and the register list
// pages drawn by the program's own page routines into a PDF file, each page
// in its format's paper and orientation, text kept as text. To put them on
// paper, pipe the file to lp.

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "print/listpage.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/registerdocument.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

// The resolution of the PDF pages: text widths and line heights are
// measured at it, as a printer's are at its own.
constexpr int PdfResolution = 600;

// The pages go to a temporary file first, so that a failed run leaves no
// partial PDF under the requested name.
class PdfOutput
{
public:
    explicit PdfOutput(const QString &path) : m_file(path) {}
    bool open() { return m_file.open(QIODevice::WriteOnly); }
    QIODevice *device() { return &m_file; }
    bool commit() { return m_file.commit(); }
    QString path() const { return m_file.fileName(); }

private:
    QSaveFile m_file;
};

void setPage(QPdfWriter &w, QPageSize::PageSizeId paper, QPageLayout::Orientation o)
{
    w.setPageLayout(QPageLayout(QPageSize(paper), o, QMarginsF(0, 0, 0, 0)));
}

int writeFailed(CliContext &ctx, const QString &path)
{
    ctx.err << QStringLiteral("%1 を書き込めません。").arg(path) << '\n';
    return 1;
}

int cmdPrint(CliContext &ctx, const QStringList &argv)
{
    const QString usage = QStringLiteral(
        "print FILE -o OUT.pdf [--entries LIST] [--adjust-v MM] [--adjust-h MM] [--copies N] [--collate]");
    CliArgs args(argv, {QStringLiteral("collate")});
    if (!args.ok())
        return usageError(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")))
        return usageError(ctx, usage);
    print::Adjustment adjust;
    for (const auto &[name, target] : {std::pair{QStringLiteral("adjust-v"), &adjust.vertical},
                                       std::pair{QStringLiteral("adjust-h"), &adjust.horizontal}})
        if (args.has(name) && !Fixed4::tryParse(args.value(name), *target))
            return usageError(ctx, QStringLiteral("--%1 takes a number of millimetres").arg(name));
    int copies = 1;
    if (args.has(QStringLiteral("copies"))
        && (!tryParseInt(args.value(QStringLiteral("copies")), copies) || copies < 1 || copies > 999))
        return usageError(ctx, QStringLiteral("--copies takes a number from 1 to 999"));
    const bool collate = args.has(QStringLiteral("collate"));

    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(args.positional().at(0));
    QList<int> entries;
    bool all = !args.has(QStringLiteral("entries"));
    if (!all
        && !parseNumberList(args.value(QStringLiteral("entries")), 0, entries, true, all, ListOrder::AsNamed))
        return usageError(ctx, QStringLiteral("--entries takes numbers and ranges such as 1,3-5, or all"));
    if (all) {
        for (int n = 1; n <= rows.size(); ++n)
            entries.append(n);
    }
    QList<int> positions;
    for (int n : entries) {
        if (doc.findEntry(n) < 0) {
            ctx.err << QStringLiteral("エントリ %1 がありません。").arg(n) << '\n';
            return 1;
        }
        positions.append(n - 1);
    }
    if (positions.isEmpty()) {
        ctx.err << QStringLiteral("印刷するエントリがありません。") << '\n';
        return 1;
    }

    PdfOutput out(args.value(QStringLiteral("o")));
    if (!out.open())
        return writeFailed(ctx, out.path());
    QPdfWriter writer(out.device());
    writer.setResolution(PdfResolution);
    writer.setTitle(QStringLiteral("示名条印刷"));
    writer.setCreator(QStringLiteral("Tavrel"));
    const Fixed4 scale = print::scaleOfDpi(PdfResolution);
    QPainter painter;
    bool first = true;
    for (const print::StripJob &job : print::planStripJobs(positions, copies, collate)) {
        const int entry = job.position + 1;
        const EntryHeader h = doc.headerAt(doc.findEntry(entry) + 1);
        const print::PageFormatInfo &fmt =
            print::pageFormatInfo(print::selectPageFormat(h.seriesCaption, h.stripType));
        for (int page = 0; page < job.pages; ++page) {
            setPage(writer, fmt.paper, fmt.orientation);
            if (first) {
                if (!painter.begin(&writer))
                    return writeFailed(ctx, out.path());
                first = false;
            } else if (!writer.newPage()) {
                return writeFailed(ctx, out.path());
            }
            print::drawStripPage(painter, doc, entry, {scale, scale, Fixed4(), Fixed4(), adjust});
        }
    }
    painter.end();
    if (!out.commit())
        return writeFailed(ctx, out.path());
    return 0;
}

int cmdPrintList(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok())
        return usageError(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")))
        return usageError(ctx, QStringLiteral("print-list FILE -o OUT.pdf"));
    RegisterDocument doc;
    const QList<print::ListRow> table = print::listRowTable(doc.load(args.positional().at(0)));
    const int pages = print::listPageCount(int(table.size()));
    if (pages == 0) {
        ctx.err << QStringLiteral("印刷するエントリがありません。") << '\n';
        return 1;
    }
    PdfOutput out(args.value(QStringLiteral("o")));
    if (!out.open())
        return writeFailed(ctx, out.path());
    QPdfWriter writer(out.device());
    writer.setResolution(PdfResolution);
    writer.setTitle(QStringLiteral("示名条一覧印刷"));
    writer.setCreator(QStringLiteral("Tavrel"));
    setPage(writer, QPageSize::A4, QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&writer))
        return writeFailed(ctx, out.path());
    const QDateTime now = QDateTime::currentDateTime();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !writer.newPage())
            return writeFailed(ctx, out.path());
        print::drawListPage(painter, table, page, now);
    }
    painter.end();
    if (!out.commit())
        return writeFailed(ctx, out.path());
    return 0;
}

const CliRegistration regPrint(QStringLiteral("print"), cmdPrint);
const CliRegistration regPrintList(QStringLiteral("print-list"), cmdPrintList);

} // namespace
