#include "register/stripwalk.h"

#include "platform/conversion.h"
#include "register/registerdocument.h"

namespace strip {

const QString TooManyKeysMessage = QStringLiteral("ボタンの数が多すぎます。");

QString lineAt(const RegisterLines &lines, int index)
{
    return lines.line(index);
}

int intLineAt(const RegisterLines &lines, int index)
{
    return lines.intAt(index);
}

Fixed4 fixedLineAt(const RegisterLines &lines, int index)
{
    return lines.fixedAt(index);
}

int entryEnd(const RegisterLines &lines, int headerLine)
{
    // The store's marker index knows the next marker.
    return lines.nextMarkerAfter(qMax(headerLine, -1));
}

namespace {

// A count that is negative or needs more lines than the entry has left.
[[noreturn]] void badCount(const RegisterLines &lines, int countLine)
{
    throw TavrelError(QStringLiteral("%1（%2 行目の数 %3 がエントリの行数と合いません）")
                          .arg(RegisterDocument::FormatErrorMessage)
                          .arg(countLine + 1)
                          .arg(lines.at(countLine)));
}

MmRect readRect(const RegisterLines &lines, int first)
{
    return {fixedLineAt(lines, first), fixedLineAt(lines, first + 1), fixedLineAt(lines, first + 2),
            fixedLineAt(lines, first + 3)};
}

} // namespace

WalkSummary walkStrip(const RegisterLines &lines, int headerLine, StripVisitor &visitor, WalkGeometry geometry)
{
    WalkSummary sum;
    const int end = entryEnd(lines, headerLine);
    const int countLine = headerLine + regfmt::entry::SectionCount;
    if (headerLine < 0 || countLine >= end)
        throwMissingLine(headerLine < 0 ? headerLine : countLine);
    const int S = intLineAt(lines, countLine);
    sum.sectionCount = S;
    if (S > regfmt::MaxSections) {
        sum.stop = WalkStop::TooManySections;
        return sum;
    }
    if (S < 0 || qint64(S) * SectionHeaderLines > end - (countLine + 1))
        badCount(lines, countLine);

    const bool readGeometry = geometry == WalkGeometry::Read;
    int L = countLine + 1;
    for (int k = 0; k < S; ++k) {
        if (L + SectionHeaderLines > end)
            badCount(lines, countLine);
        Section sec;
        sec.index = k;
        sec.line = L;
        sec.firstCell = sum.cellsWalked;
        if (readGeometry) {
            sec.keyNumberFlag = intLineAt(lines, L);
            sec.rect = readRect(lines, L + 1);
        }
        const int C = intLineAt(lines, L + 5);
        sec.cellCount = C;
        if (qint64(sum.cellsWalked) + C > regfmt::MaxCells) {
            sum.stop = WalkStop::TooManyCells;
            return sum;
        }
        if (C < 0 || qint64(C) * CellFixedLines > end - (L + SectionHeaderLines))
            badCount(lines, L + 5);
        ++sum.sectionsWalked;
        if (!visitor.section(sec)) {
            sum.stop = WalkStop::Stopped;
            return sum;
        }
        const int cellCountLine = L + 5;
        L += SectionHeaderLines;
        for (int j = 0; j < C; ++j) {
            if (L + CellFixedLines > end)
                badCount(lines, cellCountLine);
            Cell cell;
            cell.index = sum.cellsWalked;
            cell.indexInSection = j;
            cell.line = L;
            if (readGeometry) {
                cell.mm.keyBox = readRect(lines, L);
                cell.mm.keyNumberBox = readRect(lines, L + 4);
                cell.mm.textArea = readRect(lines, L + 15);
            }
            const int N = intLineAt(lines, L + 32);
            if (N < 0 || qint64(N) > end - (L + CellFixedLines))
                badCount(lines, L + 32);
            cell.textLineCount = N;
            ++sum.cellsWalked;
            if (!visitor.cell(sec, cell)) {
                sum.stop = WalkStop::Stopped;
                return sum;
            }
            L += CellFixedLines + N;
        }
    }
    return sum;
}

int locateCell(const RegisterLines &lines, int headerLine, int index)
{
    const int found = findCell(lines, headerLine, index);
    if (found < 0)
        throw TavrelError(QStringLiteral("セル %1 はこのエントリにありません。").arg(index));
    return found;
}

int findCell(const RegisterLines &lines, int headerLine, int index)
{
    struct Finder : StripVisitor
    {
        int wanted;
        int found = -1;
        bool cell(const Section &, const Cell &c) override
        {
            if (c.index != wanted)
                return true;
            found = c.line;
            return false;
        }
    } f;
    f.wanted = index;
    if (index >= 0)
        walkStrip(lines, headerLine, f, WalkGeometry::Skip);
    return f.found;
}

int firstCellOfSection(const RegisterLines &lines, int headerLine, int k)
{
    struct Finder : StripVisitor
    {
        int wanted;
        int found = -1;
        bool section(const Section &s) override
        {
            if (s.index != wanted)
                return true;
            found = s.firstCell;
            return false;
        }
    } f;
    f.wanted = k;
    const WalkSummary sum = walkStrip(lines, headerLine, f, WalkGeometry::Skip);
    if (f.found >= 0)
        return f.found;
    if (sum.stop == WalkStop::TooManyCells && k >= 0 && k < sum.sectionCount)
        return sum.cellsWalked;
    return 0;
}

} // namespace strip
