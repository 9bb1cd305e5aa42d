// tavrel-cli format: sets font face, size, colours, bold, italic or
// alignment on cells of one, several or all entries, as the main window's
// format commands do on the selected cells ("make keys 1 and 2 bold on all
// telephones").

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "register/registerdocument.h"
#include "strip/cellformat.h"

namespace {

const QString Usage = QStringLiteral(
    "format FILE [--entry N | --entries LIST] [--type T] --cells LIST [--font FACE] [--size PT] [--color C] "
    "[--bcolor C] [--bold 0|1] [--italic 0|1] [--align 1|2|3]");

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
    CliArgs args(argv);
    if (!args.ok())
        return usageError(ctx, args.error());
    const QString unknown = args.unknownOption({"entry", "entries", "type", "cell", "cells", "font", "size", "color",
                                               "bcolor", "bold", "italic", "align"});
    if (!unknown.isEmpty())
        return usageError(ctx, QStringLiteral("unknown option --%1\n%2").arg(unknown, Usage));
    if (args.positional().size() != 1)
        return usageError(ctx, Usage);

    strip::FormatChange change;
    if (args.has(QStringLiteral("font"))) {
        const QString face = args.value(QStringLiteral("font"));
        if (face.isEmpty() || face.contains(u'\n') || face.contains(u'\r'))
            return usageError(ctx, QStringLiteral("--font takes a face name on one line"));
        change.face = face;
    }
    if (args.has(QStringLiteral("size"))) {
        int size;
        if (!readChoice(args.value(QStringLiteral("size")), 1, INT_MAX, size))
            return usageError(ctx, QStringLiteral("--size takes a whole number of points from 1"));
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
        if (!readChoice(args.value(QStringLiteral("align")), 1, 3, value))
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
    RegisterDocument doc;
    doc.load(path);
    QList<int> entries;
    if (const int rc = selectEntries(ctx, args, doc, entries))
        return rc;

    QStringList report;
    for (int n : entries) {
        const int h = doc.findEntry(n) + 1;
        QList<int> these = cells;
        if (allCells) {
            these.clear();
            for (qsizetype c = 0; c < strip::cellRecordLines(doc, h).size(); ++c)
                these.append(int(c));
        }
        QList<strip::FormatEdit> edits;
        try {
            edits = strip::applyFormat(doc, h, these, change);
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
    if (!report.isEmpty())
        doc.save(path);
    for (const QString &line : report)
        ctx.out << line << '\n';
    return 0;
}

const CliRegistration reg(QStringLiteral("format"), cmdFormat);

} // namespace
