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

int writeFailed(CliContext &ctx, const QString &path)
{
    ctx.err << QStringLiteral("%1 を書き込めません。").arg(path) << '\n';
    return 1;
}

// --adjust-v MM and --adjust-h MM; false (a usage error) for a value that
// is no number of millimetres.
bool readAdjustment(CliContext &ctx, const CliArgs &args, print::Adjustment &adjust, int &code)
{
    for (const auto &[name, target] : {std::pair{QStringLiteral("adjust-v"), &adjust.vertical},
                                       std::pair{QStringLiteral("adjust-h"), &adjust.horizontal}})
        if (args.has(name) && !Fixed4::tryParse(args.value(name), *target)) {
            code = usageError(ctx, QStringLiteral("--%1 takes a number of millimetres").arg(name));
            return false;
        }
    return true;
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
    int code = 0;
    if (!readAdjustment(ctx, args, adjust, code))
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

    const QString path = args.value(QStringLiteral("o"));
    const QString title = print::registerTitle(args.positional().at(0), print::StripPdfTitle);
    if (!print::writeStripPdf(path, doc, print::planStripJobs(positions, copies, collate), adjust, title))
        return writeFailed(ctx, path);
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
    const QString path = args.value(QStringLiteral("o"));
    const QString title = print::registerTitle(args.positional().at(0), print::ListPdfTitle);
    if (!print::writeListPdf(path, table, QDateTime::currentDateTime(), title))
        return writeFailed(ctx, path);
    return 0;
}

int cmdCalibrate(CliContext &ctx, const QStringList &argv)
{
    const QString usage = QStringLiteral("calibrate --format A|B|C|D -o OUT.pdf [--adjust-v MM] [--adjust-h MM]");
    CliArgs args(argv);
    if (!args.ok())
        return usageError(ctx, args.error());
    if (const QString unknown = args.unknownOption({"format", "o", "adjust-v", "adjust-h"}); !unknown.isEmpty())
        return usageError(ctx, QStringLiteral("unknown option --%1\n%2").arg(unknown, usage));
    if (!args.positional().isEmpty() || !args.has(QStringLiteral("o")) || !args.has(QStringLiteral("format")))
        return usageError(ctx, usage);
    static const QStringList letters{"A", "B", "C", "D"};
    const qsizetype format = letters.indexOf(args.value(QStringLiteral("format")));
    if (format < 0)
        return usageError(ctx, QStringLiteral("--format takes A, B, C or D"));
    print::Adjustment adjust;
    int code = 0;
    if (!readAdjustment(ctx, args, adjust, code))
        return code;
    const QString path = args.value(QStringLiteral("o"));
    if (!print::writeCalibrationPdf(path, print::PageFormat(format), adjust, print::CalibrationTitle))
        return writeFailed(ctx, path);
    return 0;
}

const CliRegistration regPrint(QStringLiteral("print"), cmdPrint);
const CliRegistration regPrintList(QStringLiteral("print-list"), cmdPrintList);
const CliRegistration regCalibrate(QStringLiteral("calibrate"), cmdCalibrate);

} // namespace
