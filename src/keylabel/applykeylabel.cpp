#include "keylabel/applykeylabel.h"

#include "platform/conversion.h"
#include "register/textrule.h"

#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/stripwalk.h"
#include "strip/colourline.h"

#include <algorithm>
#include <vector>

namespace keylabel {

QList<int> applyKeyLabel(RegisterDocument &doc, int headerLine, const QList<int> &cells, const KeyLabel &label)
{
    using namespace regfmt::cell;
    // The label passes the register's input rule before anything changes:
    // a key label file may hold what this register cannot.
    const TextEncoding encoding = doc.encoding();
    const QString face = textrule::mapInput(label.fontName, encoding);
    // The lines are checked whole, then cut to 20 characters.
    QStringList text = textrule::mapInput(label.lines, encoding);
    textrule::Refusal refusal = textrule::checkFontSize(label.fontSize);
    if (!refusal)
        refusal = textrule::check(face, textrule::Field::FontFace, encoding);
    if (!refusal)
        refusal = textrule::check(text, textrule::Field::KeyLabel, encoding);
    if (refusal)
        throw textrule::RefusedInput(refusal.message());
    for (QString &l : text)
        l = strip::cutTextLine(l);
    RegisterStep step(doc, QStringLiteral("キーラベルの適用"));
    const int count = int(text.size());

    // Every record is found before anything changes, so a cell that does
    // not exist leaves the document as it was.
    struct Target
    {
        int cell;
        int line; // first line of the record
        int n;    // old number of text lines
    };
    std::vector<Target> targets;
    for (int cell : cells) {
        const int a = strip::locateCell(doc.lines(), headerLine, cell);
        if (!doc.line(a + PictureType).isEmpty())
            continue; // a cell that shows a picture keeps it
        targets.push_back({cell, a, doc.intAt(a + TextCount)}); // the count is checked by the walk
    }
    std::sort(targets.begin(), targets.end(), [](const Target &x, const Target &y) { return x.line < y.line; });
    targets.erase(std::unique(targets.begin(), targets.end(),
                              [](const Target &x, const Target &y) { return x.line == y.line; }),
                  targets.end());

    // Lines 19 to 21 and 32 of a record: face, size, colours, text count.
    auto fixedLine = [&](int a, int offset) -> QString {
        switch (offset) {
        case Face:
            return face;
        case Size:
            return QString::number(label.fontSize);
        case Colours:
            return strip::withBackgroundColour(strip::withTextColour(doc.line(a + Colours), label.textColour),
                                               label.backColour);
        case TextCount:
            return QString::number(count);
        default:
            return doc.line(a + offset);
        }
    };
    const int changedOffsets[] = {Face, Size, Colours, TextCount};

    QList<int> changed;
    const bool sameLength =
        std::all_of(targets.begin(), targets.end(), [&](const Target &t) { return t.n == count; });
    if (sameLength) {
        for (const Target &t : targets) {
            for (int offset : changedOffsets)
                doc.setLine(t.line + offset, fixedLine(t.line, offset));
            for (int j = 0; j < count; ++j)
                doc.setLine(t.line + FirstText + j, text.at(j));
            changed.append(t.cell);
        }
        return changed;
    }

    // The records change length: the stretch from the first to the last
    // record is rewritten at once, so that the rest of a large register
    // moves once rather than once per cell.
    const int from = targets.front().line;
    const int to = targets.back().line + FirstText + targets.back().n;
    QStringList span;
    span.reserve(to - from + qsizetype(targets.size()) * (count + 1));
    int next = from;
    for (const Target &t : targets) {
        for (int i = next; i < t.line; ++i)
            span.append(doc.line(i));
        for (int offset = 0; offset < FirstText; ++offset)
            span.append(fixedLine(t.line, offset));
        span += text;
        next = t.line + FirstText + t.n;
        changed.append(t.cell);
    }
    doc.removeLines(from, to - from);
    doc.insertLines(from, span);
    return changed;
}

} // namespace keylabel
