#pragma once
// The strip page: the contents of one register entry drawn at true
// millimetre positions onto any page surface (the preview image, a printer
// page, a PDF page). Only cell contents are drawn: each cell's text area
// filled with its background colour and its text lines, or its picture
// stretched over the area. The section rectangles, key boxes and key numbers
// of the screen do not appear on the page.
//
// Positions are four-place fixed point in device pixels:
//   left = (gx + x + dh) * sx - ox,   top = (gy + y + dv) * sy - oy
// and truncated toward zero only when handed to the painter. Line heights
// and text widths are measured on the surface drawn on, so the printed page
// is laid out in the printer's units, not reduced from the screen.

#include "platform/fixed4.h"
#include "register/geometry.h"

#include <QList>

class QPainter;
class RegisterDocument;
class RegisterLines;

namespace print {

// The fine adjustment in mm: positive moves down and right.
struct Adjustment
{
    Fixed4 vertical;
    Fixed4 horizontal;
};

struct PagePlacement
{
    Fixed4 sx, sy; // device pixels per mm
    Fixed4 ox, oy; // origin offsets in device pixels, subtracted from every position
    Adjustment adjustment;
};

// Draws entry `entryNumber` (1-based) on the painter's device. Returns false,
// drawing nothing, when the register has no such entry. The line height of
// a p-point font is p * r / 72 rounded, r the device's vertical resolution.
// Malformed number lines throw (ConversionError / TavrelError); the caller
// ends its job.
bool drawStripPage(QPainter &painter, const RegisterDocument &doc, int entryNumber, const PagePlacement &placement);
// The same for the entry whose header starts at line `headerLine`.
void drawStripPageAt(QPainter &painter, const RegisterLines &lines, int headerLine, const PagePlacement &placement);

// The entry's strip drawn elsewhere on a page, as on a form (the fine
// adjustment included): the top-left corner of `bounds` (the bounding box of
// its sections, mm) goes to (x, y) mm on the page; `turned` turns the strip
// by 90 degrees clockwise, so that it then takes bounds.height across.
void drawStripAt(QPainter &painter, const RegisterLines &lines, int headerLine, const strip::MmRect &bounds, Fixed4 x,
                 Fixed4 y, bool turned, const PagePlacement &placement);
// The rectangles of the entry's sections, mm, in register order (the walk's
// limits apply), and their bounding box (empty at 0, 0 without sections).
QList<strip::MmRect> stripSections(const RegisterLines &lines, int headerLine);
strip::MmRect boundsOf(const QList<strip::MmRect> &sections);

// One print job of a strip run: the entry (its list position) and how many
// copies of its page the job holds.
struct StripJob
{
    int position = 0; // 0-based register list position; entry number position + 1
    int pages = 1;
};
// The jobs of a run, copies made by the program: collated, the whole list
// `copies` times with one page per job; uncollated, one job per entry
// holding all its copies.
QList<StripJob> planStripJobs(const QList<int> &positions, int copies, bool collate);

} // namespace print
