// tavrel-cli text: writes the text lines of one cell of an entry, as the
// in-place editor writes them back (lines cut to 20 characters, picture
// removed).

#include "cli/commands.h"

#include "platform/conversion.h"
#include "register/registerdocument.h"
#include "strip/celltext.h"

namespace {

int cmdText(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    const QString usage = QStringLiteral("text FILE --entry N --cell C [LINE...]");
    if (!args.ok())
        return usageError(ctx, args.error());
    if (args.positional().isEmpty() || !args.has(QStringLiteral("entry")) || !args.has(QStringLiteral("cell")))
        return usageError(ctx, usage);
    int entry, cell;
    if (!tryParseInt(args.value(QStringLiteral("entry")), entry) || entry < 1
        || !tryParseInt(args.value(QStringLiteral("cell")), cell) || cell < 0)
        return usageError(ctx, usage);
    const QString path = args.positional().at(0);
    const QStringList lines = args.positional().mid(1);
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!acceptLineValue(ctx, QStringLiteral("LINE %1").arg(i + 1), lines.at(i)))
            return 2;
    RegisterDocument doc;
    const int h = loadEntry(ctx, doc, path, entry);
    if (h < 0)
        return 1;
    strip::writeCellText(doc, h, cell, lines);
    doc.save(path);
    return 0;
}

const CliRegistration reg(QStringLiteral("text"), cmdText, CliApplication::Core);

} // namespace
