#include "print/sheetlayout.h"

#include <QRegularExpression>
#include <QSizeF>

namespace print {

namespace {

Fixed4 mm(qint64 whole, qint64 tenths = 0)
{
    return Fixed4::fromRaw(whole * Fixed4::Scale + tenths * (Fixed4::Scale / 10));
}

struct NamedPaper
{
    const char *name;
    Fixed4 width, height;
    QPageSize::PageSizeId id;
};

const NamedPaper Papers[] = {
    {"A4", mm(210), mm(297), QPageSize::A4},
    {"A3", mm(297), mm(420), QPageSize::A3},
    {"B4", mm(257), mm(364), QPageSize::JisB4},
    {"JIS-B5", mm(182), mm(257), QPageSize::JisB5},
    {"A5", mm(148), mm(210), QPageSize::A5},
    {"Letter", Fixed4::fromRaw(2159000), mm(279, 4), QPageSize::Letter},
};

// The sides a WxH paper may have, in mm.
constexpr qint64 MinSide = 10, MaxSide = 2000;

} // namespace

QPageSize SheetPaper::pageSize() const
{
    if (id != QPageSize::Custom)
        return QPageSize(id);
    return QPageSize(QSizeF(width.raw() / double(Fixed4::Scale), height.raw() / double(Fixed4::Scale)),
                     QPageSize::Millimeter, name, QPageSize::ExactMatch);
}

std::optional<SheetPaper> sheetPaperNamed(const QString &text)
{
    for (const NamedPaper &p : Papers)
        if (text.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
            return SheetPaper{QString::fromLatin1(p.name), p.width, p.height, p.id};
    if (text.compare(QLatin1String("B5"), Qt::CaseInsensitive) == 0)
        return sheetPaperNamed(QStringLiteral("JIS-B5"));
    static const QRegularExpression wxh(QStringLiteral("^(\\d{1,4}(?:\\.\\d{1,4})?)[xX](\\d{1,4}(?:\\.\\d{1,4})?)$"));
    const auto m = wxh.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    Fixed4 w, h;
    if (!Fixed4::tryParse(m.captured(1), w) || !Fixed4::tryParse(m.captured(2), h))
        return std::nullopt;
    for (Fixed4 side : {w, h})
        if (side < Fixed4::fromInt(MinSide) || side > Fixed4::fromInt(MaxSide))
            return std::nullopt;
    return SheetPaper{w.toString() + u'x' + h.toString(), w, h, QPageSize::Custom};
}

QStringList sheetPaperNames()
{
    QStringList names;
    for (const NamedPaper &p : Papers)
        names.append(QString::fromLatin1(p.name));
    return names;
}

bool SheetSettings::operator==(const SheetSettings &o) const
{
    return paper.name == o.paper.name && paper.width == o.paper.width && paper.height == o.paper.height
           && landscape == o.landscape && margin == o.margin && gap == o.gap && cut == o.cut
           && captions == o.captions && start == o.start && rotate == o.rotate;
}

BlockRoom blockRoom(CutGuides cut, bool captions)
{
    const Fixed4 marks = cut == CutGuides::Marks ? Fixed4::fromRaw(MarkClearanceRaw + MarkLengthRaw) : Fixed4();
    const Fixed4 caption = captions ? Fixed4::fromRaw(CaptionBandRaw) : Fixed4();
    return {marks, marks, marks, marks + caption};
}

BlockSize sheetPaperSize(const SheetSettings &s)
{
    const Fixed4 shorter = qMin(s.paper.width, s.paper.height), longer = qMax(s.paper.width, s.paper.height);
    if (s.paper.id == QPageSize::Custom)
        return s.landscape ? BlockSize{s.paper.height, s.paper.width} : BlockSize{s.paper.width, s.paper.height};
    return s.landscape ? BlockSize{longer, shorter} : BlockSize{shorter, longer};
}

QPageSize sheetPageSize(const SheetSettings &s)
{
    return s.paper.pageSize();
}

QPageLayout::Orientation sheetOrientation(const SheetSettings &s)
{
    return s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

SheetLayout layoutSheets(const QList<BlockSize> &blocks, const SheetSettings &s)
{
    SheetLayout out;
    const BlockSize paper = sheetPaperSize(s);
    out.paperWidth = paper.width;
    out.paperHeight = paper.height;
    if (blocks.isEmpty()) {
        out.status = SheetLayout::Status::NoEntries;
        return out;
    }
    const BlockRoom room = blockRoom(s.cut, s.captions);
    const Fixed4 areaW = paper.width - s.margin - s.margin, areaH = paper.height - s.margin - s.margin;
    const Fixed4 gap = s.gap;
    auto footprint = [&](const BlockSize &b, bool turned) {
        const Fixed4 w = turned ? b.height : b.width, h = turned ? b.width : b.height;
        return BlockSize{room.left + w + room.right, room.top + h + room.bottom};
    };
    auto fitsEmpty = [&](const BlockSize &f) { return f.width <= areaW && f.height <= areaH; };

    // The grid: every block as it would lie on an empty sheet; one that fits
    // no way is reported.
    Fixed4 gridW, gridH;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        BlockSize f = footprint(blocks.at(i), false);
        if (!fitsEmpty(f) && s.rotate)
            f = footprint(blocks.at(i), true);
        if (!fitsEmpty(f) || areaW < Fixed4() || areaH < Fixed4()) {
            out.status = SheetLayout::Status::TooLarge;
            out.item = int(i);
            return out;
        }
        gridW = qMax(gridW, f.width);
        gridH = qMax(gridH, f.height);
    }
    const qint64 stepW = qMax<qint64>(1, (gridW + gap).raw()), stepH = qMax<qint64>(1, (gridH + gap).raw());
    out.columns = int(qMin<qint64>((areaW + gap).raw() / stepW, 1 << 20));
    const int rows = int(qMin<qint64>((areaH + gap).raw() / stepH, 1 << 20));
    out.places = int(qMin<qint64>(qint64(out.columns) * rows, 1 << 30));
    out.placeWidth = gridW;
    out.placeHeight = gridH;
    if (s.start < 1 || s.start > out.places) {
        out.status = SheetLayout::Status::StartPastPlaces;
        return out;
    }
    for (int i = 0; i < s.start - 1; ++i)
        out.usedPlaces.append({s.margin + Fixed4::fromRaw(stepW * (i % out.columns)),
                               s.margin + Fixed4::fromRaw(stepH * (i / out.columns)), gridW, gridH});

    // The cursor: the next free x in the current row (gap included), the
    // row's top and height, all relative to the printable area.
    int sheet = 0;
    Fixed4 x, rowY, rowH;
    bool rowUsed = false, sheetUsed = false;
    if (s.start > 1) {
        const int r = (s.start - 1) / out.columns, c = (s.start - 1) % out.columns;
        rowY = Fixed4::fromRaw(stepH * r);
        x = Fixed4::fromRaw(stepW * c);
        rowUsed = c > 0;
        rowH = rowUsed ? gridH : Fixed4();
        sheetUsed = true;
    }
    auto fitsHere = [&](const BlockSize &f) { return x + f.width <= areaW && rowY + f.height <= areaH; };
    out.blocks.reserve(blocks.size());
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const BlockSize &b = blocks.at(i);
        const int ways = s.rotate ? 2 : 1;
        int turned = -1;
        for (int step = 0; step < 3 && turned < 0; ++step) {
            if (step == 1) {
                if (!rowUsed)
                    continue;
                rowY = rowY + rowH + gap;
                x = Fixed4();
                rowH = Fixed4();
                rowUsed = false;
            } else if (step == 2) {
                if (!sheetUsed)
                    continue;
                ++sheet;
                x = rowY = rowH = Fixed4();
                rowUsed = sheetUsed = false;
            }
            for (int t = 0; t < ways && turned < 0; ++t)
                if (fitsHere(footprint(b, t == 1)))
                    turned = t;
        }
        if (turned < 0) { // cannot happen after the check above, kept as a guard
            out.status = SheetLayout::Status::TooLarge;
            out.item = int(i);
            out.blocks.clear();
            return out;
        }
        const BlockSize f = footprint(b, turned == 1);
        PlacedBlock p;
        p.item = int(i);
        p.sheet = sheet;
        p.x = s.margin + x + room.left;
        p.y = s.margin + rowY + room.top;
        p.rotated = turned == 1;
        p.width = p.rotated ? b.height : b.width;
        p.height = p.rotated ? b.width : b.height;
        out.blocks.append(p);
        x = x + f.width + gap;
        rowH = qMax(rowH, f.height);
        rowUsed = sheetUsed = true;
    }
    out.sheetCount = sheet + 1;
    return out;
}

} // namespace print
