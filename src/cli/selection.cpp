#include "cli/selection.h"

#include "cli/commands.h"
#include "platform/conversion.h"
#include "register/registerdocument.h"
#include "strip/cellformat.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

bool parseNumberList(const QString &text, int minimum, QList<int> &out, bool allowAll, bool &all, ListOrder order)
{
    out.clear();
    all = false;
    if (allowAll && text == QLatin1String("all")) {
        all = true;
        return true;
    }
    static const QRegularExpression item(QStringLiteral("^([0-9]+)(?:-([0-9]+))?$"));
    if (text.isEmpty())
        return false;
    for (const QString &part : text.split(u',')) {
        const QRegularExpressionMatch m = item.match(part);
        if (!m.hasMatch())
            return false;
        bool ok1 = false, ok2 = true;
        const int a = m.captured(1).toInt(&ok1);
        const int b = m.captured(2).isEmpty() ? a : m.captured(2).toInt(&ok2);
        if (!ok1 || !ok2 || a < minimum || b < a || qint64(b) - a > 1000000)
            return false;
        for (int n = a; n <= b; ++n)
            out.append(n);
    }
    if (order == ListOrder::Ascending) {
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    } else {
        QSet<int> seen;
        out.erase(std::remove_if(out.begin(), out.end(), [&seen](int n) {
                      if (seen.contains(n))
                          return true;
                      seen.insert(n);
                      return false;
                  }),
                  out.end());
    }
    return true;
}

int selectEntries(CliContext &ctx, const CliArgs &args, const RegisterDocument &doc, QList<int> &entries)
{
    const bool one = args.has(QStringLiteral("entry")), several = args.has(QStringLiteral("entries"));
    if (one && several)
        return usageError(ctx, QStringLiteral("give --entry or --entries, not both"));
    bool all = !one && !several;
    if (one) {
        int n;
        if (!tryParseInt(args.value(QStringLiteral("entry")), n) || n < 1
            || args.value(QStringLiteral("entry")).trimmed() != args.value(QStringLiteral("entry")))
            return usageError(ctx, QStringLiteral("--entry takes an entry number from 1"));
        entries = {n};
    } else if (several
               && !parseNumberList(args.value(QStringLiteral("entries")), 1, entries, true, all)) {
        return usageError(ctx, QStringLiteral("--entries takes numbers and ranges such as 1,3,5-8, or all"));
    }
    if (all) {
        entries.clear();
        for (int n = 1; n <= doc.entryCount(); ++n)
            if (doc.findEntry(n) >= 1)
                entries.append(n);
    } else {
        for (int n : entries)
            if (doc.findEntry(n) < 1) {
                ctx.err << QStringLiteral("エントリ %1 がありません。").arg(n) << '\n';
                return 1;
            }
    }
    if (args.has(QStringLiteral("type"))) {
        const QString type = args.value(QStringLiteral("type"));
        QList<int> narrowed;
        for (int n : entries)
            if (doc.line(doc.findEntry(n) + 6) == type)
                narrowed.append(n);
        entries = narrowed;
    }
    return 0;
}

int selectChosenEntries(CliContext &ctx, const CliArgs &args, const RegisterDocument &doc, QList<int> &entries,
                        bool &chosen)
{
    chosen = args.has(QStringLiteral("entry")) || args.has(QStringLiteral("entries")) || args.has(QStringLiteral("type"));
    return chosen ? selectEntries(ctx, args, doc, entries) : 0;
}

int selectCells(CliContext &ctx, const CliArgs &args, QList<int> &cells, bool &all)
{
    const bool one = args.has(QStringLiteral("cell")), several = args.has(QStringLiteral("cells"));
    if (one == several)
        return usageError(ctx, QStringLiteral("give --cell C or --cells LIST"));
    all = false;
    if (one) {
        int c;
        if (!tryParseInt(args.value(QStringLiteral("cell")), c) || c < 0
            || args.value(QStringLiteral("cell")).trimmed() != args.value(QStringLiteral("cell")))
            return usageError(ctx, QStringLiteral("--cell takes a cell number from 0"));
        cells = {c};
        return 0;
    }
    if (!parseNumberList(args.value(QStringLiteral("cells")), 0, cells, true, all))
        return usageError(ctx, QStringLiteral("--cells takes numbers and ranges such as 0,2,4-7, or all"));
    return 0;
}

QList<int> entryCells(const RegisterDocument &doc, int headerLine, const QList<int> &cells, bool all)
{
    if (!all)
        return cells;
    QList<int> every;
    for (qsizetype c = 0; c < strip::cellRecordLines(doc, headerLine).size(); ++c)
        every.append(int(c));
    return every;
}
