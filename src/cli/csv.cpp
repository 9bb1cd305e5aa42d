// tavrel-cli import and export: the register's telephones as CSV, with the
// same reading, checking and writing as the program's CSV commands.

#include "cli/commands.h"
#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/csvimport.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

int cmdImport(CliContext &ctx, const QStringList &argv)
{
    const QString usage = QStringLiteral("import FILE CSV [--dry-run] [--partial]");
    const QStringList flags{QStringLiteral("dry-run"), QStringLiteral("partial")};
    CliArgs args(argv, flags);
    if (!args.ok())
        return usageError(ctx, args.error());
    const QString unknown = args.unknownOption(flags);
    if (!unknown.isEmpty())
        return usageError(ctx, QStringLiteral("unknown option --%1; %2").arg(unknown, usage));
    if (args.positional().size() != 2)
        return usageError(ctx, usage);
    const QString path = args.positional().at(0);
    const QString csvPath = args.positional().at(1);

    // A register that does not exist yet is started by the import.
    RegisterDocument doc;
    if (QFileInfo::exists(path)) {
        doc.load(path);
        if (doc.isEmpty())
            throw TavrelError(RegisterDocument::FormatErrorMessage);
    }
    const QByteArray bytes = textfile::readBytes(csvPath);
    csvimport::Analysis analysis;
    try {
        analysis = csvimport::analyse(bytes, doc, ctx.templateFolder, QDateTime::currentDateTime());
    } catch (const TavrelError &e) {
        ctx.err << csvPath << ": " << e.message() << '\n';
        return 1;
    }
    for (const csvimport::Row &r : analysis.rows)
        if (!r.sound())
            ctx.err << csvPath << ':' << r.line << ": " << r.problem << '\n';
    const bool refused = analysis.refusedCount() > 0;
    if (refused && !args.has(QStringLiteral("partial"))) {
        ctx.err << QStringLiteral("%1 行に問題があるため、何も取り込みませんでした（問題のない行だけ取り込むには --partial）。")
                       .arg(analysis.refusedCount())
                << '\n';
        return 1;
    }
    if (analysis.soundCount() > 0) {
        const QList<int> added = csvimport::importCsvRows(doc, analysis, ctx.templateFolder);
        if (!args.has(QStringLiteral("dry-run")))
            doc.save(path);
        qsizetype k = 0;
        for (const csvimport::Row &r : analysis.rows)
            if (r.sound())
                ctx.out << added.at(k++) << '\t' << r.header.extension << '\n';
    }
    return refused ? 1 : 0;
}

int cmdExport(CliContext &ctx, const QStringList &argv)
{
    const QString usage = QStringLiteral("export FILE -o CSV [--encoding cp932|utf8] [--force]");
    const QStringList flags{QStringLiteral("force")};
    CliArgs args(argv, flags);
    if (!args.ok())
        return usageError(ctx, args.error());
    const QString unknown = args.unknownOption(flags + QStringList{QStringLiteral("o"), QStringLiteral("encoding")});
    if (!unknown.isEmpty())
        return usageError(ctx, QStringLiteral("unknown option --%1; %2").arg(unknown, usage));
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")) || args.value(QStringLiteral("o")).isEmpty())
        return usageError(ctx, usage);
    csv::Encoding encoding = csv::Encoding::Cp932;
    if (args.has(QStringLiteral("encoding"))) {
        const QString e = args.value(QStringLiteral("encoding"));
        if (e == QLatin1String("utf8"))
            encoding = csv::Encoding::Utf8Bom;
        else if (e != QLatin1String("cp932"))
            return usageError(ctx, QStringLiteral("--encoding takes cp932 or utf8"));
    }
    const QString out = args.value(QStringLiteral("o"));
    if (QFileInfo::exists(out) && !args.has(QStringLiteral("force"))) {
        ctx.err << QStringLiteral("%1 は既にあります（置き換えるには --force）。").arg(out) << '\n';
        return 1;
    }
    RegisterDocument doc;
    doc.load(args.positional().at(0));
    if (doc.isEmpty())
        throw TavrelError(RegisterDocument::FormatErrorMessage);
    textfile::writeBytes(out, csvimport::exportCsv(doc, encoding));
    ctx.out << doc.listedEntries().size() << '\n';
    return 0;
}

const CliRegistration regImport(QStringLiteral("import"), cmdImport, CliApplication::Core);
const CliRegistration regExport(QStringLiteral("export"), cmdExport, CliApplication::Core);

} // namespace
