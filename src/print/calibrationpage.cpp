#include "print/calibrationpage.h"

#include "platform/fonts.h"
#include "print/adjustment.h"
#include "register/geometry.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>

namespace print {

const QString CalibrationInstruction =
    QStringLiteral("紙の端から十字の中心までを測り、（表示の値－測った値）を縦・横の微調整値に入力してください。");

namespace {

const char *const PaperNames[4] = {"A5 縦", "A4 縦", "はがき 横", "B5(JIS) 縦"};

// Lengths of the ruler ticks and where the ruler's numbers start, in mm.
constexpr int TickShort = 4, TickHalf = 6, TickLong = 8, NumberAt = 9;
// Half the length of a crosshair's arms, the gap between a crosshair and
// its coordinates, in mm; the line width in hundredths of a mm.
constexpr int ArmLength = 6, LabelGap = 2, LineWidth = 20;
// How far from the top and left edges a crosshair's label starts at least,
// in mm: past the rulers' numbers.
constexpr int LabelsFrom = 15;

int px(Fixed4 v)
{
    return qBound(-strip::MaxPixel, v.toPixels(), strip::MaxPixel);
}

class Page
{
public:
    Page(QPainter &p, const PagePlacement &pl)
        : m_p(p), m_pl(pl), m_dpi(p.device() ? p.device()->logicalDpiY() : 96)
    {
    }

    // Device pixel of a nominal position given in hundredths of a mm.
    int x(qint64 hundredths) const
    {
        return px((Fixed4::fromRaw(hundredths * 100) + m_pl.adjustment.horizontal) * m_pl.sx - m_pl.ox);
    }
    int y(qint64 hundredths) const
    {
        return px((Fixed4::fromRaw(hundredths * 100) + m_pl.adjustment.vertical) * m_pl.sy - m_pl.oy);
    }

    void line(qint64 x1, qint64 y1, qint64 x2, qint64 y2)
    {
        m_p.drawLine(QPoint(x(x1), y(y1)), QPoint(x(x2), y(y2)));
    }

    // A font of `points` on this surface: its pixel height follows the
    // surface's resolution, as the strip page's fonts do.
    QFontMetrics useFont(int points)
    {
        QFont f = fontOfFace(QStringLiteral("ＭＳ ゴシック"));
        f.setPixelSize(qMax(1, strip::lineHeightPixels(points, m_dpi)));
        m_p.setFont(f);
        return QFontMetrics(f, m_p.device());
    }
    void shrinkFontTo(int widthPixels, const QString &text)
    {
        QFont f = m_p.font();
        while (f.pixelSize() > 1 && QFontMetrics(f, m_p.device()).horizontalAdvance(text) > widthPixels)
            f.setPixelSize(f.pixelSize() - 1);
        m_p.setFont(f);
    }

    // Text with its top-left corner at device (dx, dy).
    void text(int dx, int dy, const QString &s)
    {
        const QFontMetrics fm(m_p.font(), m_p.device());
        m_p.drawText(QPoint(dx, dy + fm.ascent()), s);
    }
    int width(const QString &s) const { return QFontMetrics(m_p.font(), m_p.device()).horizontalAdvance(s); }
    int height() const { return QFontMetrics(m_p.font(), m_p.device()).height(); }
    int mmX(qint64 hundredths) const { return px(Fixed4::fromRaw(hundredths * 100) * m_pl.sx); }
    int mmY(qint64 hundredths) const { return px(Fixed4::fromRaw(hundredths * 100) * m_pl.sy); }

private:
    QPainter &m_p;
    const PagePlacement &m_pl;
    int m_dpi;
};

} // namespace

QSize paperSizeMm(PageFormat format)
{
    switch (format) {
    case PageFormat::A:
        return {148, 210};
    case PageFormat::B:
        return {210, 297};
    case PageFormat::C:
        return {148, 100};
    case PageFormat::D:
        break;
    }
    return {182, 257};
}

QList<QPoint> calibrationCrosses(PageFormat format)
{
    const QSize s = paperSizeMm(format);
    return {{CrossInset, CrossInset},
            {s.width() - CrossInset, CrossInset},
            {CrossInset, s.height() - CrossInset},
            {s.width() - CrossInset, s.height() - CrossInset}};
}

QString calibrationCaption(PageFormat format, const Adjustment &a)
{
    return QStringLiteral("様式 %1（%2）　縦 %3 mm　横 %4 mm で印刷")
        .arg(pageFormatLetter(format))
        .arg(QString::fromUtf8(PaperNames[int(format)]), formatAdjustment(a.vertical),
             formatAdjustment(a.horizontal));
}

namespace {

// Hundredths of a mm of a length (truncated past the second place).
qint64 hundredths(Fixed4 v)
{
    return v.raw() / 100;
}

QString mmText(qint64 hundredths)
{
    return Fixed4::fromRaw(hundredths * 100).toString();
}

// The page: rulers, crosshairs at `crosses` (hundredths of a mm) labelled
// with their coordinates, the instruction and the caption in the middle.
void drawCalibration(QPainter &painter, qint64 w, qint64 h, const QList<QPoint> &crosses, const QString &caption,
                     const PagePlacement &placement)
{
    painter.save();
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Page page(painter, placement);
    const int paperW = int(w / 100), paperH = int(h / 100);
    QPen pen(Qt::black);
    pen.setWidth(qMax(1, page.mmX(LineWidth)));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);

    // Rulers: a tick every millimetre hanging in from the edge, longer at
    // every fifth and tenth, the tenth numbered.
    page.useFont(7);
    auto tick = [](int mm) { return 100 * (mm % 10 == 0 ? TickLong : mm % 5 == 0 ? TickHalf : TickShort); };
    for (int mm = 1; 100 * mm < w; ++mm)
        page.line(100 * mm, 0, 100 * mm, tick(mm));
    for (int mm = 1; 100 * mm < h; ++mm)
        page.line(0, 100 * mm, tick(mm), 100 * mm);
    for (int mm = 10; mm < paperW; mm += 10) {
        const QString n = QString::number(mm);
        page.text(page.x(100 * mm) - page.width(n) / 2, page.y(100 * NumberAt), n);
    }
    // The left ruler's numbers start at 20: its 10 would sit on the top's.
    for (int mm = 20; mm < paperH; mm += 10)
        page.text(page.x(100 * NumberAt), page.y(100 * mm) - page.height() / 2, QString::number(mm));

    // Crosshairs with their nominal coordinates on the side towards the
    // middle of the page.
    page.useFont(8);
    for (const QPoint &c : crosses) {
        const qint64 cx = c.x(), cy = c.y();
        page.line(cx - 100 * ArmLength, cy, cx + 100 * ArmLength, cy);
        page.line(cx, cy - 100 * ArmLength, cx, cy + 100 * ArmLength);
        const QString label = QStringLiteral("(%1, %2) mm").arg(mmText(cx), mmText(cy));
        const bool left = 2 * cx < w, top = 2 * cy < h;
        // A crosshair near an edge keeps its label clear of the rulers' numbers.
        const int lx = left ? page.x(qMax<qint64>(cx + 100 * LabelGap, 100 * LabelsFrom))
                            : page.x(cx - 100 * LabelGap) - page.width(label);
        const int ly = top ? page.y(qMax<qint64>(cy + 100 * LabelGap, 100 * LabelsFrom))
                           : page.y(cy - 100 * LabelGap) - page.height();
        page.text(lx, ly, label);
    }

    // The instruction and what was printed, in the middle of the page and
    // no wider than the space between the crosshairs' columns.
    const int room = page.mmX(w - 2 * 100 * (CrossInset - ArmLength) - 400);
    page.useFont(9);
    page.shrinkFontTo(room, CalibrationInstruction);
    const int lineHeight = page.height();
    const int midX = page.x(w / 2), midY = page.y(h / 2);
    page.text(midX - page.width(CalibrationInstruction) / 2, midY - lineHeight, CalibrationInstruction);
    page.text(midX - page.width(caption) / 2, midY + lineHeight / 2, caption);
    painter.restore();
}

} // namespace

void drawCalibrationPage(QPainter &painter, PageFormat format, const PagePlacement &placement)
{
    const QSize paper = paperSizeMm(format);
    QList<QPoint> crosses;
    for (const QPoint &c : calibrationCrosses(format))
        crosses.append(c * 100);
    drawCalibration(painter, paper.width() * 100, paper.height() * 100, crosses,
                    calibrationCaption(format, placement.adjustment), placement);
}

QList<QPointF> sheetCalibrationCrosses(const SheetSettings &settings)
{
    const BlockSize paper = sheetPaperSize(settings);
    const double m = settings.margin.raw() / double(Fixed4::Scale);
    const double w = paper.width.raw() / double(Fixed4::Scale), h = paper.height.raw() / double(Fixed4::Scale);
    return {{m, m}, {w - m, m}, {m, h - m}, {w - m, h - m}};
}

void drawSheetCalibrationPage(QPainter &painter, const SheetSettings &settings, const PagePlacement &placement)
{
    const BlockSize paper = sheetPaperSize(settings);
    const qint64 w = hundredths(paper.width), h = hundredths(paper.height), m = hundredths(settings.margin);
    const QList<QPoint> crosses{{int(m), int(m)}, {int(w - m), int(m)}, {int(m), int(h - m)}, {int(w - m), int(h - m)}};
    const QString caption = QStringLiteral("普通紙 %1 %2　余白 %3 mm　縦 %4 mm　横 %5 mm で印刷")
                                .arg(settings.paper.name, settings.landscape ? QStringLiteral("横") : QStringLiteral("縦"),
                                     settings.margin.toString(), formatAdjustment(placement.adjustment.vertical),
                                     formatAdjustment(placement.adjustment.horizontal));
    drawCalibration(painter, w, h, crosses, caption, placement);
}

} // namespace print
