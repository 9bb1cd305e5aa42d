// tavrel-cli find and replace: every occurrence of a text in the cell texts
// of the register, with the comparison of the find dialog (letters a to z
// match A to Z unless --case is given; nothing else is folded; cells that
// show a picture are not searched).

#include "cli/commands.h"
#include "cli/selection.h"

#include "register/celltext.h"
#include "register/registerdocument.h"
#include "register/registersearch.h"
#include "strip/cellrenderer.h"

namespace {

QString escapedCellText(const RegisterDocument &doc, int record)
{
    return escapedLines(strip::readTextLines(doc.lines(), record));
}

QString extensionOf(const RegisterDocument &doc, int entry)
{
    return regfmt::EntryLines(doc.lines(), doc.findEntry(entry) + 1).extension();
}

int cmdFind(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 2)
        return usageErrorWithUsage(ctx, QStringLiteral("find takes a register file and a text"));
    QString text = args.positional().at(1);
    if (text.isEmpty())
        return usageError(ctx, QStringLiteral("the search text is empty"));
    RegisterDocument doc;
    doc.load(args.positional().at(0));
    QString none;
    regsearch::prepareTexts(doc, text, none);
    const bool caseSensitive = args.has(QStringLiteral("case"));
    // Without a choice every entry of the register list is searched.
    QList<int> entries;
    bool narrowed = false;
    if (const int rc = selectChosenEntries(ctx, args, doc, entries, narrowed))
        return rc;
    for (const regsearch::Occurrence &o : regsearch::findAll(doc, text, caseSensitive, narrowed ? &entries : nullptr))
        ctx.out << o.entry << '\t' << o.cell << '\t' << o.position << '\t' << extensionOf(doc, o.entry) << '\t'
                << escapedCellText(doc, o.record) << '\n';
    return 0;
}

int cmdReplace(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() != 3)
        return usageErrorWithUsage(ctx, QStringLiteral("replace takes a register file, OLD and NEW"));
    const QString path = args.positional().at(0);
    QString text = args.positional().at(1);
    QString replacement = args.positional().at(2);
    if (text.isEmpty())
        return usageError(ctx, QStringLiteral("the search text is empty"));
    if (regsearch::hasLineBreak(replacement))
        return usageError(ctx, regsearch::LineBreakMessage);

    if (!args.has(QStringLiteral("dry-run")))
        lockForWriting(ctx, path);
    RegisterDocument doc;
    doc.load(path);
    if (const QString refused = regsearch::prepareTexts(doc, text, replacement); !refused.isEmpty()) {
        ctx.err << refused << '\n';
        return 1;
    }
    QList<int> entries;
    if (const int rc = selectEntries(ctx, args, doc, entries))
        return rc;
    const regsearch::ReplacePlan plan =
        regsearch::planReplace(doc, text, replacement, args.has(QStringLiteral("case")), &entries);
    if (!plan.tooLong.isEmpty()) {
        for (const regsearch::LongLine &l : plan.tooLong)
            ctx.err << path << ':' << (l.first.line + 1) << ": "
                    << QStringLiteral("エントリ %1 のセル %2 の %3 行目が %4 文字になります（1 行 %5 文字まで）。")
                           .arg(l.first.entry)
                           .arg(l.first.cell)
                           .arg(l.first.lineIndex + 1)
                           .arg(l.length)
                           .arg(strip::MaxTextLineLength)
                    << '\n';
        ctx.err << QStringLiteral("何も置換しませんでした。") << '\n';
        return 1;
    }
    if (!plan.occurrences.isEmpty()) {
        if (args.has(QStringLiteral("dry-run"))) {
            if (!writable(ctx, doc, path))
                return 1;
        } else {
            regsearch::applyReplace(doc, plan);
            if (!saveRegister(ctx, doc, path))
                return 1;
        }
    }
    ctx.out << plan.occurrences.size() << '\n';
    return 0;
}

const CliRegistration regFind(
    QStringLiteral("find"), cmdFind, CliApplication::Offscreen,
    {QStringLiteral("FILE [--case] [--entry N | --entries LIST] [--type T] [--] TEXT"),
     QStringLiteral("print every occurrence of a text in the cell texts (検索)"),
     {{QStringLiteral("case"), QString(), QStringLiteral("tell a to z from A to Z (大文字と小文字を区別する)")},
      {QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("only this entry")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("only these entries")},
      {QStringLiteral("type"), QStringLiteral("T"), QStringLiteral("only the entries of this strip type (示名条のタイプ)")}},
     QStringLiteral("One line per occurrence, tab-separated: entry, cell (from 0), position (from 1; a line break "
                    "counts two), extension (内線番号) and the cell's text with line breaks as \\n and tabs as \\t. "
                    "Only a to z and A to Z are folded; full-width letters compare exactly. Cells that show a picture "
                    "are not searched. Finding nothing is no error (exit 0).")});
const CliRegistration regReplace(
    QStringLiteral("replace"), cmdReplace, CliApplication::Offscreen,
    {QStringLiteral("FILE [--case] [--entries LIST] [--dry-run] [--force] [--] OLD NEW"),
     QStringLiteral("replace every occurrence of a text in the cell texts (置換) and print the count"),
     {{QStringLiteral("case"), QString(), QStringLiteral("tell a to z from A to Z")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("only these entries")},
      {QStringLiteral("dry-run"), QString(), QStringLiteral("count only; the file is not written")},
      forceOption()},
     QStringLiteral("When a line would pass 20 characters nothing is replaced: each such line is named on standard "
                    "error and the exit code is 1. A NEW holding a control character or a character the register "
                    "cannot hold is refused (exit 1). Characters that input methods type for Shift-JIS characters "
                    "(such as U+301C) are taken as the code page's own (U+FF5E), in OLD and NEW.")});

} // namespace
