// tavrel-cli picture: attaches a BMP or JPEG file to one cell of an entry,
// or detaches the cell's picture, as the main window's picture commands do.
// The file's own bytes are stored; the size limit is 30720 bytes unless
// --max-bytes gives another (tavrel-cli reads no settings file).

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "register/cellrecord.h"
#include "register/registerdocument.h"
#include "strip/cellformat.h"
#include "strip/cellpicture.h"

namespace {

int cmdPicture(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    const bool attach = args.has(QStringLiteral("attach")), detach = args.has(QStringLiteral("detach"));
    if (args.positional().size() != 1 || !args.has(QStringLiteral("entry")) || attach == detach)
        return usageErrorWithUsage(ctx, QStringLiteral("picture takes one register file, --entry, --cell and "
                                                       "--attach or --detach"));
    if (attach && args.value(QStringLiteral("attach")).isEmpty())
        return usageError(ctx, QStringLiteral("--attach takes a picture file"));
    qint64 limit = strip::DefaultPictureFileSizeMax;
    if (args.has(QStringLiteral("max-bytes"))) {
        bool ok = false;
        const QString text = args.value(QStringLiteral("max-bytes"));
        limit = text.toLongLong(&ok);
        if (!ok || limit < 0 || text.trimmed() != text || text.startsWith(u'+'))
            return usageError(ctx, QStringLiteral("--max-bytes takes a number of bytes from 0"));
    }
    QList<int> cells;
    bool allCells = false;
    if (const int rc = selectCells(ctx, args, cells, allCells))
        return rc;
    if (allCells || cells.size() != 1)
        return usageError(ctx, QStringLiteral("picture works on one cell: --cell C"));
    const int cell = cells.constFirst();

    strip::PictureFile file;
    if (attach) {
        const QString problem = strip::readPictureFile(args.value(QStringLiteral("attach")), file);
        if (!problem.isEmpty()) {
            ctx.err << problem << '\n';
            return 1;
        }
        if (file.size() > limit) {
            ctx.err << strip::pictureTooLargeMessage(limit) << '\n';
            return 1;
        }
    }

    const QString path = args.positional().at(0);
    lockForWriting(ctx, path);
    RegisterDocument doc;
    doc.load(path);
    QList<int> entries;
    if (const int rc = selectEntries(ctx, args, doc, entries))
        return rc;
    const int n = entries.constFirst();
    const int h = doc.findEntry(n) + 1;
    const QList<int> records = strip::cellRecordLines(doc, h);
    try {
        strip::requireCells(records, {cell});
    } catch (const TavrelError &e) {
        ctx.err << QStringLiteral("エントリ %1: ").arg(n) << e.message() << '\n';
        return 1;
    }
    if (attach) {
        strip::attachPicture(doc, h, cell, {cell}, file.type, file.bytes);
        if (!saveRegister(ctx, doc, path))
            return 1;
        ctx.out << n << '\t' << cell << "\tattached\t" << file.type << '\t' << file.size() << '\n';
        return 0;
    }
    const int b = records.at(cell);
    if (doc.line(b + regfmt::cell::PictureType).isEmpty() && doc.line(b + regfmt::cell::PictureData).isEmpty())
        return 0; // no picture: nothing to change
    strip::detachPicture(doc, h, cell);
    if (!saveRegister(ctx, doc, path))
        return 1;
    ctx.out << n << '\t' << cell << "\tdetached\n";
    return 0;
}

const CliRegistration reg(
    QStringLiteral("picture"), cmdPicture, CliApplication::Offscreen,
    {QStringLiteral("FILE --entry N --cell C (--attach PATH | --detach) [--max-bytes N] [--force]"),
     QStringLiteral("attach a picture (画像添付) to a cell, or remove it"),
     {{QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("the entry")},
      {QStringLiteral("cell"), QStringLiteral("C"), QStringLiteral("the cell, counted from 0 across the sections")},
      {QStringLiteral("attach"), QStringLiteral("PATH"), QStringLiteral("a BMP or JPEG file, stored byte for byte")},
      {QStringLiteral("detach"), QString(), QStringLiteral("remove the cell's picture")},
      {QStringLiteral("max-bytes"), QStringLiteral("N"), QStringLiteral("the largest file accepted; 30720 when not given")},
      forceOption()},
     QStringLiteral("Attaching deletes the cell's text, as the window's picture command does. Prints ENTRY CELL "
                    "attached TYPE BYTES, or ENTRY CELL detached.")});

} // namespace
