#include "register/registersearch.h"
#include "register/textrule.h"

#include "platform/characters.h"

#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/stripwalk.h"

#include <vector>

namespace regsearch {

const QString EmptyTextMessage = QStringLiteral("検索する文字列を入力してください。");
const QString LineBreakMessage = QStringLiteral("置換後の文字列に改行を含めることはできません。");

QString tooLongMessage(int length)
{
    return QStringLiteral("置換すると行が %1 文字になり、1 行 %2 文字を超えるため置換できません。")
        .arg(length)
        .arg(strip::MaxTextLineLength);
}

QString prepareTexts(const RegisterDocument &doc, QString &text, QString &replacement)
{
    text = textrule::mapInput(text, doc.encoding());
    replacement = textrule::mapInput(replacement, doc.encoding());
    return textrule::check(replacement, textrule::Field::ReplaceText, doc.encoding()).message();
}

bool hasLineBreak(const QString &text)
{
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\f' || u == u'\v' || u == 0x85 || u == 0x2028 || u == 0x2029)
            return true;
    }
    return false;
}

namespace {

inline char16_t foldAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

// The cell records of an entry in cell order, walked once.
struct CellRef
{
    int index;
    int record;
    int textLines;
};

std::vector<CellRef> cellsOf(const RegisterLines &lines, int headerLine)
{
    struct Collector : strip::StripVisitor
    {
        std::vector<CellRef> cells;
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            cells.push_back({c.index, c.line, c.textLineCount});
            return true;
        }
    } collect;
    strip::walkStrip(lines, headerLine, collect, strip::WalkGeometry::Skip);
    return std::move(collect.cells);
}

// Calls visit(cell, lineIndex, documentLine, offset) for every text line of
// every searchable cell of the entry; offset is the cell-text position of the
// line's first character minus 1.
template <typename Visit>
void eachTextLine(const RegisterDocument &doc, int headerLine, Visit visit)
{
    const RegisterLines &lines = doc.lines();
    for (const CellRef &c : cellsOf(lines, headerLine)) {
        if (strip::cellHasPicture(lines, c.record))
            continue;
        int offset = 0;
        for (int j = 0; j < c.textLines; ++j) {
            const int at = regfmt::CellLines(lines, c.record).firstTextLine() + j;
            const QString text = doc.line(at);
            visit(c, j, at, offset, text);
            offset += int(text.size()) + 2;
        }
    }
}

QList<int> listedNumbers(const RegisterDocument &doc, const QList<int> *entries)
{
    if (entries)
        return *entries;
    QList<int> all;
    for (const RegisterLines::Marker &m : doc.listedEntries())
        all.append(int(m.number));
    return all;
}

} // namespace

bool matchesAt(const QString &line, qsizetype from, const QString &text, bool caseSensitive)
{
    if (from < 0 || text.size() > line.size() - from)
        return false;
    const QChar *a = line.constData() + from;
    const QChar *b = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y)
            continue;
        if (caseSensitive || foldAscii(x) != foldAscii(y))
            return false;
    }
    return true;
}

qsizetype indexIn(const QString &line, qsizetype from, const QString &text, bool caseSensitive)
{
    if (text.isEmpty())
        return -1;
    for (qsizetype k = qMax<qsizetype>(from, 0); k + text.size() <= line.size(); ++k)
        if (matchesAt(line, k, text, caseSensitive))
            return k;
    return -1;
}

StepResult step(RegisterDocument &doc, State &state, const StepRequest &req)
{
    RegisterStep undoStep(doc, QStringLiteral("置換"));
    StepResult result;
    if (req.text.isEmpty() || hasLineBreak(req.replacement))
        return result;
    const int len = int(req.text.size());
    int e = state.entry ? state.entry : req.startEntry;
    int c = state.entry ? state.cell : req.startCell;
    // The first cell examined is the cell of the last occurrence, searched
    // after it. That occurrence is replaced only in its own cell, and only
    // while its characters still equal the search text.
    bool resuming = state.entry != 0;
    for (; e <= req.entryCount; ++e, c = 0, resuming = false) {
        const int marker = doc.findEntry(e);
        if (marker < 1)
            continue;
        const int h = marker + 1;
        for (const CellRef &cell : cellsOf(doc.lines(), h)) {
            if (cell.index < c)
                continue;
            const bool resumeCell = resuming && e == state.entry && cell.index == state.cell;
            resuming = false;
            if (!resumeCell)
                state.end = 0;
            const bool shownCell = resumeCell && req.replace;
            if (strip::cellHasPicture(doc.lines(), cell.record))
                continue;
            int o = 0;
            for (int j = 0; j < cell.textLines; ++j) {
                const int at = regfmt::CellLines(doc.lines(), cell.record).firstTextLine() + j;
                QString line = doc.line(at);
                const int k0 = state.position - o - 1;
                if (shownCell && state.position > 0 && k0 >= 0 && k0 < line.size()
                    && matchesAt(line, k0, req.text, req.caseSensitive)) {
                    const QString after = line.left(k0) + req.replacement + line.mid(k0 + len);
                    const qsizetype length = characters::count(after);
                    if (length > strip::MaxTextLineLength && length > characters::count(line)) {
                        state.position = 0;
                        result.refused = true;
                        result.refusedLine = at;
                        result.refusedLength = int(length);
                        return result;
                    }
                    doc.setLine(at, after);
                    line = after;
                    result.replaced = true;
                    result.replacedEntry = e;
                    result.replacedCell = cell.index;
                    result.caret = editorOffset(state.position, j) + int(req.replacement.size());
                    // The rest of the line moved with the replacement.
                    state.end += int(req.replacement.size()) - len;
                    state.position = 0;
                }
                const qsizetype found = indexIn(line, qMax(0, state.end - o), req.text, req.caseSensitive);
                if (found >= 0) {
                    state.entry = e;
                    state.cell = cell.index;
                    state.position = o + int(found) + 1;
                    state.end = state.position + len;
                    result.found = true;
                    result.occurrence = {e, cell.index, state.position, j, cell.record, at, int(found)};
                    return result;
                }
                o += int(line.size()) + 2;
            }
        }
    }
    return result;
}

QList<Occurrence> findAll(const RegisterDocument &doc, const QString &text, bool caseSensitive,
                          const QList<int> *entries)
{
    QList<Occurrence> found;
    if (text.isEmpty())
        return found;
    for (const int e : listedNumbers(doc, entries)) {
        const int marker = doc.findEntry(e);
        if (marker < 1)
            continue;
        eachTextLine(doc, marker + 1, [&](const CellRef &c, int j, int at, int offset, const QString &line) {
            for (qsizetype k = indexIn(line, 0, text, caseSensitive); k >= 0;
                 k = indexIn(line, k + text.size(), text, caseSensitive))
                found.append({e, c.index, offset + int(k) + 1, j, c.record, at, int(k)});
        });
    }
    return found;
}

ReplacePlan planReplace(const RegisterDocument &doc, const QString &text, const QString &replacement,
                        bool caseSensitive, const QList<int> *entries)
{
    ReplacePlan plan;
    plan.occurrences = findAll(doc, text, caseSensitive, entries);
    for (qsizetype i = 0; i < plan.occurrences.size();) {
        const Occurrence &first = plan.occurrences.at(i);
        const QString before = doc.line(first.line);
        QString after;
        int from = 0;
        for (; i < plan.occurrences.size() && plan.occurrences.at(i).line == first.line; ++i) {
            const int k = plan.occurrences.at(i).column;
            after += QStringView(before).mid(from, k - from);
            after += replacement;
            from = k + int(text.size());
        }
        after += QStringView(before).mid(from);
        const qsizetype length = characters::count(after);
        if (length > strip::MaxTextLineLength && length > characters::count(before))
            plan.tooLong.append({first, int(length)});
        plan.changes.append({first.line, after});
    }
    return plan;
}

void applyReplace(RegisterDocument &doc, const ReplacePlan &plan)
{
    if (!plan.tooLong.isEmpty())
        throw TavrelError(tooLongMessage(plan.tooLong.constFirst().length));
    RegisterStep step(doc, QStringLiteral("置換"));
    for (const LineChange &change : plan.changes)
        doc.setLine(change.line, change.after);
}

} // namespace regsearch
