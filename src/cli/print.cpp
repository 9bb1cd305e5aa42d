// tavrel-cli print, print-list and calibrate: the strip pages, the register
// list pages and the calibration page drawn by the program's own page
// routines into a PDF file, each page in its format's paper and orientation,
// text kept as text. To put them on paper, pipe the file to lp.

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "print/pdfoutput.h"
#include "register/registerdocument.h"

namespace {

// --adjust-v MM and --adjust-h MM; 0, or the exit code of a usage error for
// a value that is no number of millimetres.
int readAdjustment(CliContext &ctx, const CliArgs &args, print::Adjustment &adjust)
{
    for (const auto &[name, target] : {std::pair{QStringLiteral("adjust-v"), &adjust.vertical},
                                       std::pair{QStringLiteral("adjust-h"), &adjust.horizontal}})
        if (args.has(name) && !Fixed4::tryParse(args.value(name), *target))
            return usageError(ctx, QStringLiteral("--%1 takes a number of millimetres").arg(name));
    return 0;
}

int cmdPrint(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")))
        return usageErrorWithUsage(ctx, QStringLiteral("print takes one register file and -o"));
    if (!outputApartFromRegister(ctx, args.value(QStringLiteral("o")), args.positional().at(0)))
        return 2;
    print::Adjustment adjust;
    if (const int code = readAdjustment(ctx, args, adjust))
        return code;
    int copies = 1;
    if (args.has(QStringLiteral("copies"))
        && (!tryParseInt(args.value(QStringLiteral("copies")), copies) || copies < 1 || copies > 999))
        return usageError(ctx, QStringLiteral("--copies takes a number from 1 to 999"));
    const bool collate = args.has(QStringLiteral("collate"));

    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(args.positional().at(0));
    QList<int> entries;
    bool all = !args.has(QStringLiteral("entries"));
    QString beyond;
    if (!all
        && !parseNumberList(args.value(QStringLiteral("entries")), entries, true, all, beyond, ListOrder::AsNamed))
        return usageError(ctx, QStringLiteral("--entries takes numbers and ranges such as 1,3-5, or all"));
    if (all) {
        for (int n = 1; n <= rows.size(); ++n)
            entries.append(n);
    } else if (const int rc = entriesExist(ctx, doc, entries, beyond)) {
        return rc;
    }
    QList<int> positions;
    for (int n : entries)
        positions.append(n - 1);
    if (positions.isEmpty()) {
        ctx.err << QStringLiteral("印刷するエントリがありません。") << '\n';
        return 1;
    }

    const QString path = args.value(QStringLiteral("o"));
    const QString title = print::registerTitle(args.positional().at(0), print::StripPdfTitle);
    print::writeStripPdf(path, doc, print::planStripJobs(positions, copies, collate), adjust, title);
    return 0;
}

int cmdPrintList(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")))
        return usageErrorWithUsage(ctx, QStringLiteral("print-list takes one register file and -o"));
    if (!outputApartFromRegister(ctx, args.value(QStringLiteral("o")), args.positional().at(0)))
        return 2;
    RegisterDocument doc;
    const QList<print::ListRow> table = print::listRowTable(doc.load(args.positional().at(0)));
    const int pages = print::listPageCount(int(table.size()));
    if (pages == 0) {
        ctx.err << QStringLiteral("印刷するエントリがありません。") << '\n';
        return 1;
    }
    const QString path = args.value(QStringLiteral("o"));
    const QString title = print::registerTitle(args.positional().at(0), print::ListPdfTitle);
    print::writeListPdf(path, table, QDateTime::currentDateTime(), title);
    return 0;
}

int cmdCalibrate(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (!args.positional().isEmpty() || !args.has(QStringLiteral("o")) || !args.has(QStringLiteral("format")))
        return usageErrorWithUsage(ctx, QStringLiteral("calibrate takes --format and -o, and no file"));
    static const QStringList letters{"A", "B", "C", "D"};
    const qsizetype format = letters.indexOf(args.value(QStringLiteral("format")));
    if (format < 0)
        return usageError(ctx, QStringLiteral("--format takes A, B, C or D"));
    print::Adjustment adjust;
    if (const int code = readAdjustment(ctx, args, adjust))
        return code;
    const QString path = args.value(QStringLiteral("o"));
    if (!outputApartFromRegister(ctx, path, QString()))
        return 2;
    print::writeCalibrationPdf(path, print::PageFormat(format), adjust, print::CalibrationTitle);
    return 0;
}

const CliRegistration regPrint(
    QStringLiteral("print"), cmdPrint, CliApplication::Offscreen,
    {QStringLiteral("FILE -o OUT.pdf [--entries LIST] [--adjust-v MM] [--adjust-h MM] [--copies N] [--collate]"),
     QStringLiteral("print the strips (示名条の印刷) to a PDF file, one page per entry"),
     {{QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("the entries to print; every entry when not given")},
      {QStringLiteral("adjust-v"), QStringLiteral("MM"),
       QStringLiteral("印刷位置の微調整 (fine adjustment): millimetres down (negative: up)")},
      {QStringLiteral("adjust-h"), QStringLiteral("MM"), QStringLiteral("millimetres to the right (negative: left)")},
      {QStringLiteral("copies"), QStringLiteral("N"), QStringLiteral("copies of each page, 1 to 999")},
      {QStringLiteral("collate"), QString(), QStringLiteral("print the copies as whole sets")}},
     QStringLiteral("Each page is drawn with the program's own page routine on its format's paper (A5, A4, "
                    "postcard in landscape, JIS B5), text as text. To put the pages on paper: lp OUT.pdf, or tavrel-cli print FILE -o - | lp")});
const CliRegistration regPrintList(
    QStringLiteral("print-list"), cmdPrintList, CliApplication::Offscreen,
    {QStringLiteral("FILE -o OUT.pdf"),
     QStringLiteral("print the register list (示名条一覧の印刷) to a PDF file"),
     {{QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")}},
     QStringLiteral("30 rows to an A4 landscape page.")});
const CliRegistration regCalibrate(
    QStringLiteral("calibrate"), cmdCalibrate, CliApplication::Offscreen,
    {QStringLiteral("--format A|B|C|D -o OUT.pdf [--adjust-v MM] [--adjust-h MM]"),
     QStringLiteral("write the calibration page (テスト印刷) of a page format to a PDF file"),
     {{QStringLiteral("format"), QStringLiteral("A|B|C|D"), QStringLiteral("the page format whose paper is used")},
      {QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")},
      {QStringLiteral("adjust-v"), QStringLiteral("MM"),
       QStringLiteral("印刷位置の微調整 (fine adjustment): millimetres down (negative: up)")},
      {QStringLiteral("adjust-h"), QStringLiteral("MM"), QStringLiteral("millimetres to the right (negative: left)")}},
     QStringLiteral("Millimetre rulers along the top and left edges and crosshairs 20 mm from each corner, "
                    "labelled with their nominal coordinates. Print it and measure where the crosshairs land: "
                    "the difference is the fine adjustment to type.")});

} // namespace
