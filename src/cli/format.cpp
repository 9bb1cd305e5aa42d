// tavrel-cli format: sets font face, size, colours, bold, italic or
// alignment on cells of one, several or all entries, as the main window's
// format commands do on the selected cells ("make keys 1 and 2 bold on all
// telephones").

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "register/registerdocument.h"
#include "register/textrule.h"
#include "strip/cellformat.h"

namespace {

bool readColour(const QString &text, int &colour)
{
    return tryParseInt(text, colour) && text.trimmed() == text && colour >= 0 && colour <= 16777215;
}

bool readChoice(const QString &text, int low, int high, int &value)
{
    return tryParseInt(text, value) && text.trimmed() == text && value >= low && value <= high;
}

int cmdFormat(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 1)
        return usageErrorWithUsage(ctx, QStringLiteral("format takes one register file"));

    strip::FormatChange change;
    if (args.has(QStringLiteral("font"))) {
        const QString face = args.value(QStringLiteral("font"));
        if (face.isEmpty() || !textrule::controlCharacter(face).isEmpty())
            return usageError(ctx, QStringLiteral("--font takes a face name on one line, without control characters"));
        change.face = face;
    }
    if (args.has(QStringLiteral("size"))) {
        int size;
        if (!readChoice(args.value(QStringLiteral("size")), textrule::MinFontSize, textrule::MaxFontSize, size))
            return usageError(ctx, QStringLiteral("--size takes a whole number of points from %1 to %2")
                                       .arg(textrule::MinFontSize)
                                       .arg(textrule::MaxFontSize));
        change.size = QString::number(size);
    }
    int value;
    if (args.has(QStringLiteral("color"))) {
        if (!readColour(args.value(QStringLiteral("color")), value))
            return usageError(ctx, QStringLiteral("--color takes a colour value from 0 to 16777215"));
        change.textColour = value;
    }
    if (args.has(QStringLiteral("bcolor"))) {
        if (!readColour(args.value(QStringLiteral("bcolor")), value))
            return usageError(ctx, QStringLiteral("--bcolor takes a colour value from 0 to 16777215"));
        change.background = value;
    }
    if (args.has(QStringLiteral("bold"))) {
        if (!readChoice(args.value(QStringLiteral("bold")), 0, 1, value))
            return usageError(ctx, QStringLiteral("--bold takes 0 or 1"));
        change.bold = value == 1;
    }
    if (args.has(QStringLiteral("italic"))) {
        if (!readChoice(args.value(QStringLiteral("italic")), 0, 1, value))
            return usageError(ctx, QStringLiteral("--italic takes 0 or 1"));
        change.italic = value == 1;
    }
    if (args.has(QStringLiteral("align"))) {
        if (!readChoice(args.value(QStringLiteral("align")), regfmt::AlignLeft, regfmt::AlignRight, value))
            return usageError(ctx, QStringLiteral("--align takes 1 (left), 2 (centre) or 3 (right)"));
        change.alignment = value;
    }
    if (change.isEmpty())
        return usageError(ctx, QStringLiteral("format needs at least one of --font, --size, --color, --bcolor, "
                                              "--bold, --italic, --align"));
    QList<int> cells;
    bool allCells = false;
    if (const int rc = selectCells(ctx, args, cells, allCells))
        return rc;

    const QString path = args.positional().at(0);
    lockForWriting(ctx, path);
    RegisterDocument doc;
    doc.load(path);
    if (change.face) {
        change.face = textrule::mapInput(*change.face, doc.encoding());
        if (const textrule::Refusal r = textrule::check(*change.face, textrule::Field::FontFace, doc.encoding())) {
            ctx.err << r.message() << '\n';
            return 1;
        }
    }
    QList<int> entries;
    if (const int rc = selectEntries(ctx, args, doc, entries))
        return rc;

    QStringList report;
    for (int n : entries) {
        const int h = doc.findEntry(n) + 1;
        QList<strip::FormatEdit> edits;
        try {
            edits = strip::applyFormat(doc, h, entryCells(doc, h, cells, allCells), change);
        } catch (const TavrelError &e) {
            // Nothing has been saved: the file stays as it was.
            ctx.err << QStringLiteral("エントリ %1: ").arg(n) << e.message() << '\n';
            return 1;
        }
        for (const strip::FormatEdit &e : edits)
            report.append(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                              .arg(n)
                              .arg(e.cell)
                              .arg(strip::formatLineName(e.recordLine), e.before, e.after));
    }
    if (!report.isEmpty() && !saveRegister(ctx, doc, path))
        return 1;
    for (const QString &line : report)
        ctx.out << line << '\n';
    return 0;
}

const CliRegistration reg(
    QStringLiteral("format"), cmdFormat, CliApplication::Offscreen,
    {QStringLiteral("FILE [--entry N | --entries LIST] [--type T] (--cell C | --cells LIST) "
                    "[--font FACE] [--size PT] [--color C] [--bcolor C] [--bold 0|1] [--italic 0|1] [--align 1|2|3] [--force]"),
     QStringLiteral("set font, size, colours, bold, italic or alignment (書式) of cells"),
     {{QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("one entry")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("several entries; every entry when neither is given")},
      {QStringLiteral("type"), QStringLiteral("T"), QStringLiteral("only the entries of this strip type (示名条のタイプ)")},
      {QStringLiteral("cell"), QStringLiteral("C"), QStringLiteral("one cell, counted from 0 across the sections")},
      {QStringLiteral("cells"), QStringLiteral("LIST"), QStringLiteral("several cells, or all")},
      {QStringLiteral("font"), QStringLiteral("FACE"), QStringLiteral("font face (フォント), such as ＭＳ Ｐゴシック")},
      {QStringLiteral("size"), QStringLiteral("PT"), QStringLiteral("font size in points, a whole number from 1 to 999")},
      {QStringLiteral("color"), QStringLiteral("C"), QStringLiteral("text colour (文字色); the stored background stays")},
      {QStringLiteral("bcolor"), QStringLiteral("C"), QStringLiteral("background colour (背景色)")},
      {QStringLiteral("bold"), QStringLiteral("0|1"), QStringLiteral("bold (太字) off or on")},
      {QStringLiteral("italic"), QStringLiteral("0|1"), QStringLiteral("italic (斜体) off or on")},
      {QStringLiteral("align"), QStringLiteral("1|2|3"), QStringLiteral("alignment: 1 left, 2 centre, 3 right")},
      forceOption()},
     QStringLiteral("Colours are the register's decimal values, red in the low byte (0 black to 16777215 white). "
                    "Each change is printed as ENTRY CELL FIELD OLD NEW, tab-separated. \"Make keys 1 and 2 bold "
                    "on every telephone\" is: tavrel-cli format site.TAV --cells 0,1 --bold 1")});

} // namespace
