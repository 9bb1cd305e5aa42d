#include "strip/cellformat.h"
#include "register/textrule.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "register/cellrecord.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "strip/colourline.h"

#include <algorithm>

namespace strip {

const QList<int> &fontSizeList()
{
    static const QList<int> sizes{4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

bool isValidFontSize(const QString &text)
{
    int v;
    return tryParseInt(text, v) && !textrule::checkFontSize(v);
}

const QStringList &registerFaces()
{
    static const QStringList faces = [] {
        QStringList l;
        for (const FaceSubstitute &f : faceSubstitutes())
            l.append(f.windowsFace);
        return l;
    }();
    return faces;
}

QString recordFaceOf(const QString &family)
{
    for (const FaceSubstitute &f : faceSubstitutes())
        if (family.compare(f.drawingFamily, Qt::CaseInsensitive) == 0)
            return f.windowsFace;
    return family;
}

QString formatLineName(int recordLine)
{
    switch (recordLine) {
    case regfmt::cell::Face:
        return QStringLiteral("face");
    case regfmt::cell::Size:
        return QStringLiteral("size");
    case regfmt::cell::Colours:
        return QStringLiteral("colours");
    case regfmt::cell::Bold:
        return QStringLiteral("bold");
    case regfmt::cell::Italic:
        return QStringLiteral("italic");
    case regfmt::cell::Alignment:
        return QStringLiteral("alignment");
    default:
        return QString::number(recordLine);
    }
}

QList<int> cellRecordLines(const RegisterDocument &doc, int headerLine)
{
    struct Collect : StripVisitor
    {
        QList<int> lines;
        bool cell(const Section &, const Cell &c) override
        {
            lines.append(c.line);
            return true;
        }
    } collect;
    walkStrip(doc.lines(), headerLine, collect, WalkGeometry::Skip);
    return collect.lines;
}

void requireCells(const QList<int> &records, const QList<int> &cells)
{
    for (int c : cells) {
        if (c >= 0 && c < records.size())
            continue;
        if (records.isEmpty())
            throw TavrelError(QStringLiteral("セル %1 がありません（この示名条にはセルがありません）。").arg(c));
        throw TavrelError(QStringLiteral("セル %1 がありません（この示名条のセルは 0 から %2 までです）。")
                              .arg(c)
                              .arg(records.size() - 1));
    }
}

QList<FormatEdit> applyFormat(RegisterDocument &doc, int headerLine, QList<int> cells, const FormatChange &change,
                              quint64 mergeKey)
{
    RegisterStep step(doc, QStringLiteral("書式の変更"), mergeKey);
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    const QList<int> records = cellRecordLines(doc, headerLine);
    requireCells(records, cells);
    // Every line is read (and checked) before the first one is written.
    struct Pending
    {
        int cell, recordLine, at;
        QString before, after;
    };
    std::vector<Pending> pending;
    for (int c : cells) {
        const int b = records.at(c);
        auto set = [&](int recordLine, const QString &after) {
            const QString before = doc.line(b + recordLine);
            if (before != after)
                pending.push_back({c, recordLine, b + recordLine, before, after});
        };
        if (change.face)
            set(regfmt::cell::Face, *change.face);
        if (change.size)
            set(regfmt::cell::Size, *change.size);
        if (change.textColour || change.background) {
            QString colours = doc.line(b + regfmt::cell::Colours);
            if (change.textColour)
                colours = withTextColour(colours, *change.textColour);
            if (change.background)
                colours = withBackgroundColour(colours, *change.background);
            set(regfmt::cell::Colours, colours);
        }
        if (change.bold)
            set(regfmt::cell::Bold, *change.bold ? QStringLiteral("1") : QStringLiteral("0"));
        if (change.italic)
            set(regfmt::cell::Italic, *change.italic ? QStringLiteral("1") : QStringLiteral("0"));
        if (change.alignment)
            set(regfmt::cell::Alignment, QString::number(*change.alignment));
    }
    QList<FormatEdit> edits;
    edits.reserve(qsizetype(pending.size()));
    for (const Pending &p : pending) {
        doc.setLine(p.at, p.after);
        edits.append({p.cell, p.recordLine, p.before, p.after});
    }
    return edits;
}

} // namespace strip
