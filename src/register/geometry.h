#pragma once
// Sheet geometry: the six sheet layouts with their image sizes and scale
// factors, and the pixel rectangles of sections and cells in the detail view
// and the overview. All arithmetic is four-place fixed point (Fixed4); the
// rounding of each product is part of the result.

#include "platform/fixed4.h"

#include <QRect>
#include <QString>

namespace strip {

enum class View { Detail, Overview };

// Layout 1 to 6 from the entry's series caption and strip type.
int selectLayout(const QString &seriesCaption, const QString &stripType);
// Key boxes are drawn with 20 x 25 pixel rounded corners for every series
// except ｕＬ, ｕＲ, Ｍｏ and Ｋ.
bool roundedKeyBoxes(const QString &seriesCaption);
constexpr int KeyCornerWidth = 20;
constexpr int KeyCornerHeight = 25;

// One view of one layout: sheet size in mm, image size in fixed-point
// pixels, the scales image / sheet and the image size in whole pixels.
struct ViewScales
{
    Fixed4 sheetWidth, sheetHeight; // mm
    Fixed4 imageWidth, imageHeight; // px, fixed point (650.5 stays 650.5)
    Fixed4 sx, sy;                  // px per mm, truncated quotients
    int pixelWidth = 0, pixelHeight = 0;
    bool operator==(const ViewScales &) const = default;
};
// Layouts outside 1..6 are treated as layout 6.
ViewScales viewScales(int layout, View view);

// Everything a strip needs to place its elements: layout, corner rule and
// the scales of both views.
struct SheetGeometry
{
    int layout = 6;
    bool rounded = true;
    ViewScales detail, overview;
    const ViewScales &view(View v) const { return v == View::Detail ? detail : overview; }
    bool operator==(const SheetGeometry &) const = default;
};
SheetGeometry sheetGeometry(const QString &seriesCaption, const QString &stripType);

// Pixel edges handed out as QRect are kept within -MaxPixel..MaxPixel, far
// beyond any sheet, so that the rectangle's own int arithmetic (width,
// translation, adjustment) cannot overflow however far off a malformed
// record places it.
constexpr int MaxPixel = 1 << 28;

// A rectangle as four fixed-point pixel edges. The pixels covered are
// T(left)..T(right)-1 by T(top)..T(bottom)-1, the outline included.
struct EdgeRect
{
    Fixed4 left, top, right, bottom;
    QRect pixels() const;
    bool operator==(const EdgeRect &) const = default;
};

// A rectangle in mm as stored: x, y, width, height.
struct MmRect
{
    Fixed4 x, y, width, height;
    bool operator==(const MmRect &) const = default;
};

// The three rectangles of a cell record, mm relative to its section origin.
struct CellMm
{
    MmRect keyBox;       // lines 0-3
    MmRect keyNumberBox; // lines 4-7
    MmRect textArea;     // lines 15-18
};

// The rectangles of one cell in one view.
struct CellRects
{
    EdgeRect keyBox;
    QRect keyNumberBox;
    QRect textArea;
    QRect frame; // selection frame and in-place editor
};

// Section rectangle: right = (gx + gw) * sx, bottom = (gy + gh) * sy.
EdgeRect sectionRect(const MmRect &section, const ViewScales &s);
// Key box: right = (gx + c0) * sx + c2 * sx, each product rounded on its own.
EdgeRect keyBoxRect(const MmRect &section, const MmRect &keyBox, const ViewScales &s);
// Key-number box and text area: truncated left, top, width and height.
QRect boxRect(const MmRect &section, const MmRect &box, const ViewScales &s);
// Selection frame and in-place editor: the text area grown by 2 pixels on
// every side before truncation.
QRect frameRect(const MmRect &section, const MmRect &textArea, const ViewScales &s);

CellRects cellRects(const MmRect &section, const CellMm &cell, const ViewScales &s);

// The point size the overview uses for a size p from a cell record:
// (p - 3) * W2 / W1 + 3 with the whole-pixel widths of the detail (W1) and
// overview (W2) images, integer division truncated toward zero.
int overviewFontSize(int pointSize, const SheetGeometry &g);
int overviewFontSize(int pointSize, int layout);
// The point size a view draws p at.
inline int viewFontSize(int pointSize, const SheetGeometry &g, View v)
{
    return v == View::Detail ? pointSize : overviewFontSize(pointSize, g);
}

// Line height in pixels of a point size at a resolution: points * dpi / 72
// rounded to the nearest pixel (12 for 9 pt and 13 for 10 pt at 96 dpi).
int lineHeightPixels(int pointSize, int dpi = 96);

} // namespace strip
