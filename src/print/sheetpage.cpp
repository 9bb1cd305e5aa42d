#include "print/sheetpage.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "register/registerdocument.h"

#include <QFontMetrics>
#include <QPainter>

namespace print {

namespace {

int px(Fixed4 v)
{
    return qBound(-strip::MaxPixel, v.toPixels(), strip::MaxPixel);
}

// Whether a horizontal or vertical line runs over a rectangle, its edges
// included: a mark along a neighbour's edge would be left on that piece.
bool lineCrosses(const MarkLine &l, const strip::MmRect &r)
{
    const Fixed4 left = qMin(l.x1, l.x2), right = qMax(l.x1, l.x2);
    const Fixed4 top = qMin(l.y1, l.y2), bottom = qMax(l.y1, l.y2);
    const bool xIn = left == right ? (left >= r.x && left <= r.x + r.width) : (right > r.x && left < r.x + r.width);
    const bool yIn = top == bottom ? (top >= r.y && top <= r.y + r.height) : (bottom > r.y && top < r.y + r.height);
    return xIn && yIn;
}

// The greyed places: light enough to read the preview through.
const QColor UsedPlace(0xd8, 0xd8, 0xd8);
// Cut marks and lines: 0.1 mm, at least one device pixel.
constexpr qint64 GuideWidthRaw = 1000;

} // namespace

SheetRun planSheetRun(const RegisterDocument &doc, const QList<StripJob> &jobs, const SheetSettings &settings)
{
    SheetRun run;
    run.settings = settings;
    QList<BlockSize> sizes;
    for (const StripJob &job : jobs) {
        const int marker = doc.findEntry(job.position + 1);
        if (marker < 0)
            throw TavrelError(QStringLiteral("エントリ %1 がありません。").arg(job.position + 1));
        SheetEntry e;
        e.position = job.position;
        e.sections = stripSections(doc.lines(), marker + 1);
        e.bounds = boundsOf(e.sections);
        const EntryHeader h = doc.headerAt(marker + 1);
        QStringList parts;
        for (const QString &p : {h.extension, h.department, h.userName})
            if (!p.trimmed().isEmpty())
                parts.append(p.trimmed());
        e.caption = parts.join(QStringLiteral("  "));
        for (int copy = 0; copy < job.pages; ++copy) {
            run.entries.append(e);
            sizes.append({e.bounds.width, e.bounds.height});
        }
    }
    run.layout = layoutSheets(sizes, settings);
    return run;
}

QString sheetRunProblem(const SheetRun &run)
{
    const SheetLayout &l = run.layout;
    const BlockSize paper = sheetPaperSize(run.settings);
    const Fixed4 areaW = paper.width - run.settings.margin - run.settings.margin;
    const Fixed4 areaH = paper.height - run.settings.margin - run.settings.margin;
    switch (l.status) {
    case SheetLayout::Status::Ok:
        return QString();
    case SheetLayout::Status::NoEntries:
        return QStringLiteral("印刷するエントリがありません。");
    case SheetLayout::Status::TooLarge: {
        const SheetEntry &e = run.entries.at(l.item);
        return QStringLiteral("エントリ %1 の示名条（%2 × %3 mm）は用紙 %4 の印刷範囲（%5 × %6 mm）に収まりません。")
            .arg(e.position + 1)
            .arg(e.bounds.width.toString(), e.bounds.height.toString(), run.settings.paper.name,
                 qMax(Fixed4(), areaW).toString(), qMax(Fixed4(), areaH).toString());
    }
    case SheetLayout::Status::StartPastPlaces:
        return QStringLiteral("開始位置 %1 は用紙 %2 の面数 %3 を超えています。")
            .arg(run.settings.start)
            .arg(run.settings.paper.name)
            .arg(l.places);
    }
    return QString();
}

QList<strip::MmRect> placedSections(const SheetEntry &entry, const PlacedBlock &block)
{
    QList<strip::MmRect> out;
    out.reserve(entry.sections.size());
    for (const strip::MmRect &s : entry.sections) {
        const Fixed4 u = s.x - entry.bounds.x, v = s.y - entry.bounds.y;
        if (!block.rotated)
            out.append({block.x + u, block.y + v, s.width, s.height});
        else // turned clockwise: the strip's x runs down, its y to the left
            out.append({block.x + entry.bounds.height - v - s.height, block.y + u, s.height, s.width});
    }
    return out;
}

QList<MarkLine> cutMarks(const QList<strip::MmRect> &sections)
{
    const Fixed4 near = Fixed4::fromRaw(MarkClearanceRaw), far = Fixed4::fromRaw(MarkClearanceRaw + MarkLengthRaw);
    QList<MarkLine> marks;
    for (const strip::MmRect &s : sections) {
        for (int corner = 0; corner < 4; ++corner) {
            const bool right = corner & 1, bottom = corner & 2;
            const Fixed4 cx = right ? s.x + s.width : s.x, cy = bottom ? s.y + s.height : s.y;
            const Fixed4 dx = right ? Fixed4::fromInt(1) : Fixed4::fromInt(-1);
            const Fixed4 dy = bottom ? Fixed4::fromInt(1) : Fixed4::fromInt(-1);
            for (const MarkLine &m : {MarkLine{cx + near * dx, cy, cx + far * dx, cy},
                                      MarkLine{cx, cy + near * dy, cx, cy + far * dy}}) {
                bool onStrip = false;
                for (const strip::MmRect &other : sections)
                    onStrip = onStrip || lineCrosses(m, other);
                if (!onStrip)
                    marks.append(m);
            }
        }
    }
    return marks;
}

strip::MmRect captionBand(const PlacedBlock &block, const SheetSettings &settings)
{
    const BlockRoom room = blockRoom(settings.cut, settings.captions);
    const Fixed4 marks = room.top; // the marks' room on every side
    return {block.x - room.left, block.y + block.height + marks, room.left + block.width + room.right,
            Fixed4::fromRaw(CaptionBandRaw)};
}

void drawSheetPage(QPainter &painter, const RegisterDocument &doc, const SheetRun &run, int sheet,
                   const PagePlacement &placement, bool showUsedPlaces)
{
    const SheetSettings &s = run.settings;
    const Adjustment &a = placement.adjustment;
    auto dx = [&](Fixed4 mm) { return px((mm + a.horizontal) * placement.sx - placement.ox); };
    auto dy = [&](Fixed4 mm) { return px((mm + a.vertical) * placement.sy - placement.oy); };
    auto rect = [&](Fixed4 x, Fixed4 y, Fixed4 w, Fixed4 h) {
        const int l = dx(x), t = dy(y);
        return QRect(l, t, dx(x + w) - l, dy(y + h) - t);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (showUsedPlaces && sheet == 0)
        for (const SheetLayout::Place &p : run.layout.usedPlaces)
            painter.fillRect(rect(p.x, p.y, p.width, p.height), UsedPlace);

    QPen guide(Qt::black);
    guide.setWidth(qMax(1, px(Fixed4::fromRaw(GuideWidthRaw) * placement.sx)));
    guide.setCapStyle(Qt::FlatCap);
    QFont captionFont = fontOfFace(QStringLiteral("ＭＳ ゴシック"));
    captionFont.setPixelSize(qMax(1, px(Fixed4::fromRaw(CaptionTextRaw) * placement.sy)));
    const QFontMetrics captionMetrics(captionFont, painter.device());

    for (const PlacedBlock &b : run.layout.blocks) {
        if (b.sheet != sheet)
            continue;
        const SheetEntry &e = run.entries.at(b.item);
        const int marker = doc.findEntry(e.position + 1);
        if (marker < 0)
            continue;
        drawStripAt(painter, doc.lines(), marker + 1, e.bounds, b.x, b.y, b.rotated, placement);
        const QList<strip::MmRect> sections = placedSections(e, b);
        painter.setPen(guide);
        painter.setBrush(Qt::NoBrush);
        if (s.cut == CutGuides::Marks) {
            for (const MarkLine &m : cutMarks(sections))
                painter.drawLine(QPoint(dx(m.x1), dy(m.y1)), QPoint(dx(m.x2), dy(m.y2)));
        } else if (s.cut == CutGuides::Lines) {
            for (const strip::MmRect &r : sections)
                painter.drawRect(rect(r.x, r.y, r.width, r.height));
        }
        if (s.captions && !e.caption.isEmpty()) {
            const strip::MmRect band = captionBand(b, s);
            const QRect area = rect(band.x, band.y, band.width, band.height);
            painter.setFont(captionFont);
            painter.setPen(Qt::black);
            const QString text = captionMetrics.elidedText(e.caption, Qt::ElideRight, area.width());
            painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }
    painter.restore();
}

} // namespace print
