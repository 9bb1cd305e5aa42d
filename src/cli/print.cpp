// tavrel-cli print, print-list and calibrate: the strip pages, the register
// list pages and the calibration page drawn by the program's own page
// routines into a PDF file, each page in its format's paper and orientation
// or several strips to a sheet of plain paper, text kept as text. To put
// them on paper, pipe the file to lp.

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "print/pdfoutput.h"
#include "print/sheetpage.h"
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

const QStringList SheetOnlyOptions{"landscape", "margin", "gap", "cut-marks", "cut-lines", "no-cut", "captions",
                                   "start", "rotate"};

// --sheet PAPER and the options of sheet printing into `sheet`; 0, or the
// exit code of a usage error. `withRun` takes the options that only a run of
// strips has (guides, captions, start, rotate).
int readSheetSettings(CliContext &ctx, const CliArgs &args, bool withRun, std::optional<print::SheetSettings> &sheet)
{
    if (!args.has(QStringLiteral("sheet"))) {
        for (const QString &o : SheetOnlyOptions)
            if (args.has(o))
                return usageError(ctx, QStringLiteral("--%1 is an option of --sheet").arg(o));
        return 0;
    }
    print::SheetSettings s;
    const std::optional<print::SheetPaper> paper = print::sheetPaperNamed(args.value(QStringLiteral("sheet")));
    if (!paper)
        return usageError(ctx, QStringLiteral("--sheet takes %1 or WxH in mm (10 to 2000 each), not '%2'")
                                   .arg(print::sheetPaperNames().join(QStringLiteral(", ")), args.value(QStringLiteral("sheet"))));
    s.paper = *paper;
    s.landscape = args.has(QStringLiteral("landscape"));
    for (const auto &[name, target] : {std::pair{QStringLiteral("margin"), &s.margin}, std::pair{QStringLiteral("gap"), &s.gap}})
        if (args.has(name) && (!Fixed4::tryParse(args.value(name), *target) || *target < Fixed4()))
            return usageError(ctx, QStringLiteral("--%1 takes a number of millimetres, 0 or more").arg(name));
    if (withRun) {
        const int guides = int(args.has(QStringLiteral("cut-marks"))) + int(args.has(QStringLiteral("cut-lines")))
                           + int(args.has(QStringLiteral("no-cut")));
        if (guides > 1)
            return usageError(ctx, QStringLiteral("give one of --cut-marks, --cut-lines and --no-cut"));
        s.cut = args.has(QStringLiteral("cut-lines")) ? print::CutGuides::Lines
                : args.has(QStringLiteral("no-cut"))  ? print::CutGuides::None
                                                      : print::CutGuides::Marks;
        s.captions = args.has(QStringLiteral("captions"));
        s.rotate = args.has(QStringLiteral("rotate"));
        if (args.has(QStringLiteral("start"))
            && (!tryParseInt(args.value(QStringLiteral("start")), s.start) || s.start < 1))
            return usageError(ctx, QStringLiteral("--start takes a place number from 1"));
    }
    sheet = s;
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
    std::optional<print::SheetSettings> sheet;
    if (const int code = readSheetSettings(ctx, args, true, sheet))
        return code;

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
    const QList<print::StripJob> jobs = print::planStripJobs(positions, copies, collate);
    if (sheet) {
        const print::SheetRun run = print::planSheetRun(doc, jobs, *sheet);
        if (!run.ok()) {
            ctx.err << print::sheetRunProblem(run) << '\n';
            return 1;
        }
        print::writeSheetPdf(path, doc, run, adjust, title);
        return 0;
    }
    print::writeStripPdf(path, doc, jobs, adjust, title);
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
    if (!args.positional().isEmpty() || !args.has(QStringLiteral("o"))
        || args.has(QStringLiteral("format")) == args.has(QStringLiteral("sheet")))
        return usageErrorWithUsage(ctx, QStringLiteral("calibrate takes --format or --sheet, -o, and no file"));
    static const QStringList letters{"A", "B", "C", "D"};
    const qsizetype format = letters.indexOf(args.value(QStringLiteral("format")));
    if (args.has(QStringLiteral("format")) && format < 0)
        return usageError(ctx, QStringLiteral("--format takes A, B, C or D"));
    std::optional<print::SheetSettings> sheet;
    if (const int code = readSheetSettings(ctx, args, false, sheet))
        return code;
    print::Adjustment adjust;
    if (const int code = readAdjustment(ctx, args, adjust))
        return code;
    const QString path = args.value(QStringLiteral("o"));
    if (!outputApartFromRegister(ctx, path, QString()))
        return 2;
    if (sheet) {
        const print::BlockSize paper = print::sheetPaperSize(*sheet);
        if (sheet->margin + sheet->margin >= qMin(paper.width, paper.height)) {
            ctx.err << QStringLiteral("余白 %1 mm では用紙 %2 に印刷範囲が残りません。")
                           .arg(sheet->margin.toString(), sheet->paper.name)
                    << '\n';
            return 1;
        }
        print::writeSheetCalibrationPdf(path, *sheet, adjust, print::CalibrationTitle);
        return 0;
    }
    print::writeCalibrationPdf(path, print::PageFormat(format), adjust, print::CalibrationTitle);
    return 0;
}

const CliRegistration regPrint(
    QStringLiteral("print"), cmdPrint, CliApplication::Offscreen,
    {QStringLiteral("FILE -o OUT.pdf [--entries LIST] [--adjust-v MM] [--adjust-h MM] [--copies N] [--collate]\n"
                    "FILE -o OUT.pdf --sheet PAPER [--landscape] [--margin MM] [--gap MM] "
                    "[--cut-marks | --cut-lines | --no-cut] [--captions] [--start N] [--rotate] [--entries LIST] "
                    "[--adjust-v MM] [--adjust-h MM] [--copies N] [--collate]"),
     QStringLiteral("print the strips (示名条の印刷) to a PDF file, one page per entry or several per sheet"),
     {{QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("the entries to print; every entry when not given")},
      {QStringLiteral("adjust-v"), QStringLiteral("MM"),
       QStringLiteral("印刷位置の微調整 (fine adjustment): millimetres down (negative: up)")},
      {QStringLiteral("adjust-h"), QStringLiteral("MM"), QStringLiteral("millimetres to the right (negative: left)")},
      {QStringLiteral("copies"), QStringLiteral("N"), QStringLiteral("copies of each page, 1 to 999")},
      {QStringLiteral("collate"), QString(), QStringLiteral("print the copies as whole sets")},
      {QStringLiteral("sheet"), QStringLiteral("PAPER"),
       QStringLiteral("several strips per sheet of plain paper: A4, A3, B4 (JIS, 257 x 364 mm), JIS-B5 (or B5, "
                      "182 x 257 mm), A5, Letter, or WxH in mm such as 210x297")},
      {QStringLiteral("landscape"), QString(), QStringLiteral("the sheet lies with its longer side across")},
      {QStringLiteral("margin"), QStringLiteral("MM"), QStringLiteral("left free along every edge of the sheet; 5 when not given")},
      {QStringLiteral("gap"), QStringLiteral("MM"),
       QStringLiteral("between the pieces, their cut marks and captions included; 2 when not given")},
      {QStringLiteral("cut-marks"), QString(),
       QStringLiteral("short marks beside every section corner, 1 mm clear of it (the default)")},
      {QStringLiteral("cut-lines"), QString(), QStringLiteral("thin lines along every section edge instead")},
      {QStringLiteral("no-cut"), QString(), QStringLiteral("neither marks nor lines")},
      {QStringLiteral("captions"), QString(),
       QStringLiteral("below each piece its extension, department and user name")},
      {QStringLiteral("start"), QStringLiteral("N"),
       QStringLiteral("first place used on the first sheet, counted in rows from the top left on the grid of the "
                      "largest strip; 1 when not given")},
      {QStringLiteral("rotate"), QString(),
       QStringLiteral("turn a strip by 90 degrees where only then it fits")}},
     QStringLiteral("Each page is drawn with the program's own page routine on its format's paper (A5, A4, "
                    "postcard in landscape, JIS B5), text as text. To put the pages on paper: lp OUT.pdf, or tavrel-cli print FILE -o - | lp"
                    "\n\n"
                    "With --sheet the strips are placed at true size in list order, in rows from the top left of "
                    "the sheet within the margins, each copy a piece of its own. A strip larger than the sheet's "
                    "printable area, or a start past the places of the first sheet, is bad data: nothing is written.")});
const CliRegistration regPrintList(
    QStringLiteral("print-list"), cmdPrintList, CliApplication::Offscreen,
    {QStringLiteral("FILE -o OUT.pdf"),
     QStringLiteral("print the register list (示名条一覧の印刷) to a PDF file"),
     {{QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")}},
     QStringLiteral("30 rows to an A4 landscape page.")});
const CliRegistration regCalibrate(
    QStringLiteral("calibrate"), cmdCalibrate, CliApplication::Offscreen,
    {QStringLiteral("--format A|B|C|D -o OUT.pdf [--adjust-v MM] [--adjust-h MM]\n"
                    "--sheet PAPER [--landscape] [--margin MM] -o OUT.pdf [--adjust-v MM] [--adjust-h MM]"),
     QStringLiteral("write the calibration page (テスト印刷) of a page format or a sheet to a PDF file"),
     {{QStringLiteral("format"), QStringLiteral("A|B|C|D"), QStringLiteral("the page format whose paper is used")},
      {QStringLiteral("sheet"), QStringLiteral("PAPER"),
       QStringLiteral("the plain paper of sheet printing, named as print --sheet takes it")},
      {QStringLiteral("landscape"), QString(), QStringLiteral("the sheet lies with its longer side across")},
      {QStringLiteral("margin"), QStringLiteral("MM"), QStringLiteral("the sheet's margins; 5 when not given")},
      {QStringLiteral("o"), QStringLiteral("OUT.pdf"), QStringLiteral("the PDF file to write; - for standard output")},
      {QStringLiteral("adjust-v"), QStringLiteral("MM"),
       QStringLiteral("印刷位置の微調整 (fine adjustment): millimetres down (negative: up)")},
      {QStringLiteral("adjust-h"), QStringLiteral("MM"), QStringLiteral("millimetres to the right (negative: left)")}},
     QStringLiteral("Millimetre rulers along the top and left edges and crosshairs 20 mm from each corner, "
                    "labelled with their nominal coordinates. Print it and measure where the crosshairs land: "
                    "the difference is the fine adjustment to type. With --sheet the crosshairs stand at the "
                    "corners of the sheet's printable area, the paper less its margins.")});

} // namespace
