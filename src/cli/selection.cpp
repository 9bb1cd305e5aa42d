#include "cli/selection.h"

#include "cli/commands.h"
#include "platform/conversion.h"
#include "register/registerdocument.h"
#include "strip/cellformat.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace {

// The digits of a number from its first significant one ("007" gives "7",
// "0" stays "0").
QStringView significantDigits(const QString &digits)
{
    qsizetype i = 0;
    while (i < digits.size() - 1 && digits.at(i) == u'0')
        ++i;
    return QStringView(digits).mid(i);
}

// Whether the digit string a names a larger number than b, at any length.
bool digitsGreater(const QString &a, const QString &b)
{
    const QStringView x = significantDigits(a), y = significantDigits(b);
    return x.size() != y.size() ? x.size() > y.size() : x.compare(y) > 0;
}

} // namespace

bool parseListedNumber(const QString &text, int &n, QString &beyond)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return false;
    const QStringView significant = significantDigits(text);
    n = significant.size() <= 7 ? significant.toInt() : LargestListedNumber + 1;
    if (n > LargestListedNumber) {
        n = LargestListedNumber + 1;
        if (beyond.isEmpty())
            beyond = text;
    }
    return true;
}

bool parseNumberList(const QString &text, QList<int> &out, bool allowAll, bool &all, QString &beyond, ListOrder order)
{
    out.clear();
    all = false;
    beyond.clear();
    if (allowAll && text == QLatin1String("all")) {
        all = true;
        return true;
    }
    if (text.isEmpty())
        return false;
    // The list is gathered as intervals and merged before any number is
    // listed: repeating a range costs nothing, and the numbers listed are
    // at most LargestListedNumber whatever was written.
    QList<std::pair<int, int>> ranges;
    for (const QString &part : text.split(u',')) {
        const qsizetype dash = part.indexOf(u'-');
        int a, b;
        QString beyondA, beyondB;
        if (!parseListedNumber(dash < 0 ? part : part.left(dash), a, beyondA)
            || (dash >= 0 && !parseListedNumber(part.mid(dash + 1), b, beyondB)))
            return false;
        if (dash < 0)
            b = a;
        if (b < a || (!beyondA.isEmpty() && !beyondB.isEmpty() && digitsGreater(beyondA, beyondB)))
            return false;
        if (beyond.isEmpty())
            beyond = !beyondA.isEmpty() ? beyondA : beyondB;
        if (a <= LargestListedNumber)
            ranges.append({a, std::min(b, LargestListedNumber)});
    }
    if (order == ListOrder::Ascending) {
        std::sort(ranges.begin(), ranges.end());
        int next = 0; // the first number not listed yet
        for (const auto &[a, b] : ranges) {
            for (int n = std::max(a, next); n <= b; ++n)
                out.append(n);
            next = std::max(next, b + 1);
        }
        return true;
    }
    // As named: each range adds only the numbers no earlier one listed.
    // `covered` maps the start of each listed run to its end; runs are kept
    // disjoint and apart.
    std::map<int, int> covered;
    for (const auto &[a, b] : ranges) {
        auto it = covered.upper_bound(a);
        if (it != covered.begin() && std::prev(it)->second >= a - 1)
            it = std::prev(it);
        int n = a, low = a, high = b;
        while (it != covered.end() && it->first <= b + 1) {
            for (; n < it->first && n <= b; ++n)
                out.append(n);
            n = std::max(n, it->second + 1);
            low = std::min(low, it->first);
            high = std::max(high, it->second);
            it = covered.erase(it);
        }
        for (; n <= b; ++n)
            out.append(n);
        covered[low] = high;
    }
    return true;
}

int entriesExist(CliContext &ctx, const RegisterDocument &doc, const QList<int> &entries, const QString &beyond)
{
    // The first listed number that names nothing; a number too large to
    // list is named as typed.
    QString missing = beyond;
    for (int n : entries)
        if (n > LargestListedNumber || doc.findEntry(n) < 1) {
            missing = n > LargestListedNumber ? beyond : QString::number(n);
            break;
        }
    if (missing.isEmpty())
        return 0;
    ctx.err << QStringLiteral("エントリ %1 がありません。").arg(missing) << '\n';
    return 1;
}

int selectEntries(CliContext &ctx, const CliArgs &args, const RegisterDocument &doc, QList<int> &entries)
{
    const bool one = args.has(QStringLiteral("entry")), several = args.has(QStringLiteral("entries"));
    if (one && several)
        return usageError(ctx, QStringLiteral("give --entry or --entries, not both"));
    bool all = !one && !several;
    QString beyond;
    if (one) {
        int n;
        if (!parseListedNumber(args.value(QStringLiteral("entry")), n, beyond))
            return usageError(ctx, QStringLiteral("--entry takes an entry number from 1"));
        entries = {n};
    } else if (several && !parseNumberList(args.value(QStringLiteral("entries")), entries, true, all, beyond)) {
        return usageError(ctx, QStringLiteral("--entries takes numbers and ranges such as 1,3,5-8, or all"));
    }
    if (all) {
        entries.clear();
        for (int n = 1; n <= doc.entryCount(); ++n)
            if (doc.findEntry(n) >= 1)
                entries.append(n);
    } else {
        if (const int rc = entriesExist(ctx, doc, entries, beyond))
            return rc;
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
    QString beyond;
    if (one) {
        int c;
        if (!parseListedNumber(args.value(QStringLiteral("cell")), c, beyond))
            return usageError(ctx, QStringLiteral("--cell takes a cell number from 0"));
        cells = {c};
    } else if (!parseNumberList(args.value(QStringLiteral("cells")), cells, true, all, beyond)) {
        return usageError(ctx, QStringLiteral("--cells takes numbers and ranges such as 0,2,4-7, or all"));
    }
    // No strip has a cell that far; the commands name the cells they find
    // missing per entry, this one cannot be named as a number.
    if (!beyond.isEmpty()) {
        ctx.err << QStringLiteral("セル %1 がありません。").arg(beyond) << '\n';
        return 1;
    }
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
