#pragma once
// The cell renderer: draws a cell's text into the raster image of its text
// area exactly as the record describes it (face, size, colours, bold,
// italic, alignment), the lines centred vertically as a block and each line
// clipped to its own band, and decides whether the cell shows its text or
// its picture. The screen views, the strip composite and the tests all draw
// cells through here.

#include "register/cellrecord.h"
#include "register/registerlines.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace strip {

// Lines 19 to 24 of a cell record. Reading throws ConversionError naming the
// line when the size, bold, italic or alignment line is not an integer; the
// colour line never fails.
struct TextFormat
{
    QString face;
    int pointSize = 9;
    int textColour = 0;
    int background = 16777215;
    bool bold = false;
    bool italic = false;
    int alignment = regfmt::AlignCentre; // a value outside regfmt::Alignment draws at the left
};
TextFormat readTextFormat(const RegisterLines &lines, int record);
// Lines 33 .. 33+N-1, N from line 32 (bounds-checked).
QStringList readTextLines(const RegisterLines &lines, int record);

// The picture of lines 30 and 31 (null when it does not decode), decoded no
// larger than `drawn` when that is valid (see decodePicture).
QImage cellPicture(const RegisterLines &lines, int record, QSize drawn = QSize());

// Draws the text block into the whole of `image` (the text area) at the
// given point size: background filled, then each line at its position,
// clipped to its band and to the area. Line height is pointSize * dpi / 72
// rounded; the font's pixel size is set to it so that widths are measured in
// the same font. A face that is not installed is drawn with its substitute.
void drawCellText(QImage &image, const TextFormat &format, const QStringList &text, int pointSize, int dpi = 96);
// The same for a window of a text area of size `area`: `image` receives the
// pixels of the area from `offset` on, exactly as drawCellText would draw
// them into an image of the whole area.
void drawCellTextWindow(QImage &image, QSize area, QPoint offset, const TextFormat &format, const QStringList &text,
                        int pointSize, int dpi = 96);

// What one view shows in a cell's text area.
struct RenderedCell
{
    bool showsPicture = false;
    QImage text;    // the text image at the area size; null when a picture hides it
    QImage picture; // the decoded picture, drawn stretched to the area; null for text cells
};
// What a cell shows, read from its record (format, text lines cut to 20
// characters, picture), and its text drawn from that for a window of an
// area: renderCellWindow is the two in one; the strip scene reads when a
// cell changes and draws when the cell is first painted.
struct CellContent
{
    TextFormat format;
    QStringList text;
    bool showsPicture = false;
    QImage picture;
};
// The picture is decoded for a text area of `drawn` pixels (any size when
// invalid).
CellContent readCellContent(const RegisterLines &lines, int record, QSize drawn = QSize());
QImage drawCellWindow(const CellContent &content, QSize area, QRect window, int pointSize, int dpi = 96);

// Renders the cell whose record starts at `record` for an area of `area`
// pixels, drawing text at `pointSize` (the view's size for line 20). The
// format and text lines are read (and checked) in both cases.
RenderedCell renderCell(const RegisterLines &lines, int record, QSize area, int pointSize, int dpi = 96);
// The same, the text image holding only the part `window` of the area (in
// the area's coordinates), so that a text area much larger than the sheet
// it lies on costs no more than the part that shows.
RenderedCell renderCellWindow(const RegisterLines &lines, int record, QSize area, QRect window, int pointSize,
                              int dpi = 96);
// The point size of line 20 (ConversionError naming the line).
int cellPointSize(const RegisterLines &lines, int record);

} // namespace strip
