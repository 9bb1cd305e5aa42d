// tavrel-cli text: writes the text lines of one cell of an entry, as the
// in-place editor writes them back (new lines cut to 20 characters,
// picture removed).

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "register/celltext.h"
#include "register/registerdocument.h"

namespace {

int cmdText(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().isEmpty() || !args.has(QStringLiteral("entry")) || !args.has(QStringLiteral("cell")))
        return usageErrorWithUsage(ctx, QStringLiteral("text takes one register file, --entry and --cell"));
    int entry, cell;
    QString beyondEntry, beyondCell;
    if (!parseListedNumber(args.value(QStringLiteral("entry")), entry, beyondEntry)
        || !parseListedNumber(args.value(QStringLiteral("cell")), cell, beyondCell))
        return usageErrorWithUsage(ctx, QStringLiteral("--entry takes a number from 1, --cell a number from 0"));
    const QString path = args.positional().at(0);
    const QStringList lines = args.positional().mid(1);
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!acceptLineValue(ctx, QStringLiteral("LINE %1").arg(i + 1), lines.at(i)))
            return 2;
    lockForWriting(ctx, path);
    RegisterDocument doc;
    const int h = loadEntry(ctx, doc, path, entry, beyondEntry);
    if (h < 0)
        return 1;
    if (!beyondCell.isEmpty()) {
        ctx.err << QStringLiteral("セル %1 はこのエントリにありません。").arg(beyondCell) << '\n';
        return 1;
    }
    const QStringList stored = strip::writeCellText(doc, h, cell, lines);
    if (!saveRegister(ctx, doc, path))
        return 1;
    ctx.out << entry << '\t' << cell << '\t' << escapedLines(stored) << '\n';
    return 0;
}

const CliRegistration reg(
    QStringLiteral("text"), cmdText, CliApplication::Core,
    {QStringLiteral("FILE --entry N --cell C [--force] [--] [LINE...]"),
     QStringLiteral("write the text lines of a cell, as the in-place editor does"),
     {{QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("the entry")},
      {QStringLiteral("cell"), QStringLiteral("C"), QStringLiteral("the cell, counted from 0 across the sections")},
      forceOption()},
     QStringLiteral("Each LINE is one text line of the cell; no LINE empties the cell. New lines are cut to 20 "
                    "characters (code points); a LINE equal to one the cell holds is kept as it is. A picture of "
                    "the cell is removed. A line may not hold a line break or another "
                    "control character (exit 2), nor a character the register cannot hold (exit 1); the file then "
                    "stays as it was. Prints ENTRY CELL and the lines as stored, line breaks as \\n.")});

} // namespace
