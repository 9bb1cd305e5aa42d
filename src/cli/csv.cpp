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
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 2)
        return usageErrorWithUsage(ctx, QStringLiteral("import takes a register file and a CSV file"));
    const QString path = args.positional().at(0);
    const QString csvPath = args.positional().at(1);

    if (!args.has(QStringLiteral("dry-run")))
        lockForWriting(ctx, path);
    // A register that does not exist yet is started by the import.
    RegisterDocument doc;
    if (QFileInfo::exists(path)) {
        doc.load(path);
        if (doc.isEmpty())
            throw TavrelError(RegisterDocument::FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    }
    const QByteArray bytes = textfile::readBytes(csvPath);
    csvimport::Analysis analysis;
    try {
        analysis = csvimport::analyse(bytes, doc, ctx.folders, QDateTime::currentDateTime());
    } catch (const TavrelError &e) {
        ctx.err << csvPath << ": " << e.message() << '\n';
        return 1;
    }
    if (analysis.rows.isEmpty()) {
        // Nothing to do is no failure; the register is not created either.
        ctx.err << csvPath << ": " << csvimport::NoRowsMessage << '\n';
        return 0;
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
        const QList<int> added = csvimport::importCsvRows(doc, analysis, ctx.folders);
        if (args.has(QStringLiteral("dry-run")) ? !writable(ctx, doc, path) : !saveRegister(ctx, doc, path))
            return 1;
        qsizetype k = 0;
        for (const csvimport::Row &r : analysis.rows)
            if (r.sound())
                ctx.out << added.at(k++) << '\t' << r.header.extension << '\n';
    }
    return refused ? 1 : 0;
}

int cmdExport(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 1 || !args.has(QStringLiteral("o")) || args.value(QStringLiteral("o")).isEmpty())
        return usageErrorWithUsage(ctx, QStringLiteral("export takes a register file and -o CSV"));
    csv::Encoding encoding = csv::Encoding::Cp932;
    if (args.has(QStringLiteral("encoding"))) {
        const QString e = args.value(QStringLiteral("encoding"));
        if (e == QLatin1String("utf8"))
            encoding = csv::Encoding::Utf8Bom;
        else if (e != QLatin1String("cp932"))
            return usageError(ctx, QStringLiteral("--encoding takes cp932 or utf8"));
    }
    const QString out = args.value(QStringLiteral("o"));
    if (!outputApartFromRegister(ctx, out, args.positional().at(0)))
        return 2;
    const textfile::OutputKind kind = textfile::outputKind(out);
    if (kind == textfile::OutputKind::File && QFileInfo::exists(out) && !args.has(QStringLiteral("force"))) {
        ctx.err << QStringLiteral("%1 は既にあります（置き換えるには --force）。").arg(out) << '\n';
        return 1;
    }
    RegisterDocument doc;
    doc.load(args.positional().at(0));
    if (doc.isEmpty())
        throw TavrelError(RegisterDocument::FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    textfile::writeOutput(out, csvimport::exportCsv(doc, encoding));
    // The count would join the CSV on standard output; then it is left out.
    if (kind != textfile::OutputKind::Standard)
        ctx.out << doc.listedEntries().size() << '\n';
    return 0;
}

const CliRegistration regImport(
    QStringLiteral("import"), cmdImport, CliApplication::Core,
    {QStringLiteral("FILE CSV [--dry-run] [--partial] [--force]"),
     QStringLiteral("add the telephones of a CSV file as new entries (CSV取込み)"),
     {{QStringLiteral("dry-run"), QString(), QStringLiteral("check and list only; the register is not written")},
      {QStringLiteral("partial"), QString(), QStringLiteral("import the sound rows even when others are refused")},
      forceOption()},
     QStringLiteral("Columns: extension, department, user name, series (caption or 0 to 7), strip type and, "
                    "optionally, the extension of an entry whose strip is copied. A first row of column names "
                    "(内線番号, 部署, 使用者名, 主装置のシリーズ, 示名条のタイプ, 複製元, 登録日時, 番号) is recognised "
                    "and then decides the order of the columns, so an exported file reads back. UTF-8 (with or "
                    "without a byte-order mark) or code page 932, told from the bytes; RFC 4180 quoting. A register "
                    "that does not exist is started.\n\n"
                    "Every refused row is named on standard error as CSV:LINE: reason (no extension, an extension "
                    "twice or already registered, an unknown series or strip type, a copy source that does not "
                    "exist, a line break or control character in a field, a character code page 932 cannot hold). "
                    "Then nothing is written and the exit code is 1; with --partial the sound rows are imported "
                    "and the exit code is still 1. Each imported row is printed as its entry number and "
                    "extension.")});
const CliRegistration regExport(
    QStringLiteral("export"), cmdExport, CliApplication::Core,
    {QStringLiteral("FILE -o CSV [--encoding cp932|utf8] [--force]"),
     QStringLiteral("write the register list as CSV (CSV出力)"),
     {{QStringLiteral("o"), QStringLiteral("CSV"), QStringLiteral("the CSV file to write; - for standard output")},
      {QStringLiteral("encoding"), QStringLiteral("cp932|utf8"),
       QStringLiteral("code page 932 (the default) or UTF-8 with a byte-order mark")},
      {QStringLiteral("force"), QString(), QStringLiteral("replace a CSV file that exists")}},
     QStringLiteral("The entry number and the six list columns (series, strip type, extension, department, user "
                    "name, registration date) under a row of column names. Prints the number of entries written (not when "
                    "the CSV goes to standard output).")});

} // namespace
