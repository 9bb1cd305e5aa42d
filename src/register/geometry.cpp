#include "register/geometry.h"

#include <climits>
#include <cmath>

namespace strip {

int selectLayout(const QString &s, const QString &t)
{
    if (s.contains(QStringLiteral("ｕＬシリーズ")))
        return 1;
    if (s.contains(QStringLiteral("ｕＲシリーズ")))
        return 2;
    if (s.contains(QStringLiteral("Ｍｏシリーズ")))
        return t.contains(QStringLiteral("標準Ｍｏ")) ? 3 : 4;
    if (s.contains(QStringLiteral("Ｋシリーズ")))
        return 5;
    return 6;
}

bool roundedKeyBoxes(const QString &s)
{
    return !(s.contains(QStringLiteral("ｕＬシリーズ")) || s.contains(QStringLiteral("ｕＲシリーズ"))
             || s.contains(QStringLiteral("Ｍｏシリーズ")) || s.contains(QStringLiteral("Ｋシリーズ")));
}

namespace {

// Sizes in ten-thousandths: sheet mm, detail image px, overview image px.
struct LayoutRow
{
    qint64 sheetW, sheetH, detailW, detailH, overW, overH;
};
constexpr LayoutRow Layouts[6] = {
    {1480000, 2100000, 6505000, 7934000, 6880000, 6260000},
    {1480000, 2100000, 6505000, 7934000, 6880000, 6260000},
    {1480000, 2100000, 6505000, 7934000, 5133000, 6260000},
    {2100000, 1480000, 8000000, 4855000, 8000000, 4855000},
    {1480000, 1000000, 8000000, 5405000, 8000000, 5405000},
    {1820000, 2570000, 8000000, 9710000, 6880000, 6260000},
};

} // namespace

ViewScales viewScales(int layout, View view)
{
    const LayoutRow &r = Layouts[(layout >= 1 && layout <= 6 ? layout : 6) - 1];
    ViewScales v;
    v.sheetWidth = Fixed4::fromRaw(r.sheetW);
    v.sheetHeight = Fixed4::fromRaw(r.sheetH);
    v.imageWidth = Fixed4::fromRaw(view == View::Detail ? r.detailW : r.overW);
    v.imageHeight = Fixed4::fromRaw(view == View::Detail ? r.detailH : r.overH);
    v.sx = v.imageWidth / v.sheetWidth;
    v.sy = v.imageHeight / v.sheetHeight;
    v.pixelWidth = v.imageWidth.toPixels();
    v.pixelHeight = v.imageHeight.toPixels();
    return v;
}

SheetGeometry sheetGeometry(const QString &seriesCaption, const QString &stripType)
{
    SheetGeometry g;
    g.layout = selectLayout(seriesCaption, stripType);
    g.rounded = roundedKeyBoxes(seriesCaption);
    g.detail = viewScales(g.layout, View::Detail);
    g.overview = viewScales(g.layout, View::Overview);
    return g;
}

namespace {

// Whole pixels truncated toward zero, as Fixed4::toPixels but not limited
// to the int range.
qint64 wholePixels(Fixed4 v) { return v.raw() / Fixed4::Scale; }

// The pixels from (left, top) up to but not including (right, bottom), the
// edges limited to the MaxPixel range.
QRect pixelRect(qint64 left, qint64 top, qint64 right, qint64 bottom)
{
    auto limit = [](qint64 v) { return int(qBound(qint64(-MaxPixel), v, qint64(MaxPixel))); };
    return QRect(QPoint(limit(left), limit(top)), QPoint(limit(right) - 1, limit(bottom) - 1));
}

// Truncated left, top, width and height, as QRect(x, y, w, h) takes them.
QRect pixelRect(Fixed4 x, Fixed4 y, Fixed4 width, Fixed4 height)
{
    const qint64 l = wholePixels(x), t = wholePixels(y);
    return pixelRect(l, t, l + wholePixels(width), t + wholePixels(height));
}

} // namespace

QRect EdgeRect::pixels() const
{
    return pixelRect(wholePixels(left), wholePixels(top), wholePixels(right), wholePixels(bottom));
}

EdgeRect sectionRect(const MmRect &g, const ViewScales &s)
{
    return {g.x * s.sx, g.y * s.sy, (g.x + g.width) * s.sx, (g.y + g.height) * s.sy};
}

EdgeRect keyBoxRect(const MmRect &g, const MmRect &c, const ViewScales &s)
{
    const Fixed4 x1 = (g.x + c.x) * s.sx;
    const Fixed4 y1 = (g.y + c.y) * s.sy;
    return {x1, y1, x1 + c.width * s.sx, y1 + c.height * s.sy};
}

QRect boxRect(const MmRect &g, const MmRect &c, const ViewScales &s)
{
    return pixelRect((g.x + c.x) * s.sx, (g.y + c.y) * s.sy, c.width * s.sx, c.height * s.sy);
}

QRect frameRect(const MmRect &g, const MmRect &c, const ViewScales &s)
{
    const Fixed4 two = Fixed4::fromInt(2), four = Fixed4::fromInt(4);
    return pixelRect((g.x + c.x) * s.sx - two, (g.y + c.y) * s.sy - two, c.width * s.sx + four,
                     c.height * s.sy + four);
}

CellRects cellRects(const MmRect &g, const CellMm &c, const ViewScales &s)
{
    return {keyBoxRect(g, c.keyBox, s), boxRect(g, c.keyNumberBox, s), boxRect(g, c.textArea, s),
            frameRect(g, c.textArea, s)};
}

int overviewFontSize(int p, const SheetGeometry &g)
{
    const qint64 w1 = g.detail.pixelWidth, w2 = g.overview.pixelWidth;
    return int(qBound(qint64(INT_MIN), (qint64(p) - 3) * w2 / w1 + 3, qint64(INT_MAX)));
}

int overviewFontSize(int p, int layout)
{
    SheetGeometry g;
    g.layout = layout;
    g.detail = viewScales(layout, View::Detail);
    g.overview = viewScales(layout, View::Overview);
    return overviewFontSize(p, g);
}

int lineHeightPixels(int pointSize, int dpi)
{
    return int(qBound(double(INT_MIN), std::round(double(pointSize) * dpi / 72.0), double(INT_MAX)));
}

} // namespace strip
