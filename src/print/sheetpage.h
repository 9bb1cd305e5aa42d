#pragma once
// The sheet page: the strips of a run laid out on sheets of plain paper
// (sheetlayout.h), each drawn by the strip routine at its place, with cut
// marks at its sections' corners or thin cut lines along their edges, and a
// caption below it naming the extension, department and user. One routine
// for the preview image, the printer and PDF files.

#include "print/sheetlayout.h"
#include "print/strippage.h"
#include "register/geometry.h"

#include <QList>
#include <QString>

class QPainter;
class RegisterDocument;

namespace print {

struct SheetEntry
{
    int position = 0;                 // 0-based register list position
    QList<strip::MmRect> sections;    // as stored, mm
    strip::MmRect bounds;             // their bounding box
    QString caption;                  // "extension  department  user"
};

struct SheetRun
{
    SheetSettings settings;
    QList<SheetEntry> entries;        // in run order
    SheetLayout layout;
    bool ok() const { return layout.status == SheetLayout::Status::Ok; }
};

// The run of the list positions, copies included as planStripJobs makes
// them (each copy of a strip takes a place). A missing entry throws
// TavrelError naming it; a malformed one the walk's error.
SheetRun planSheetRun(const RegisterDocument &doc, const QList<StripJob> &jobs, const SheetSettings &settings);
// Why the run cannot be printed, empty when it can.
QString sheetRunProblem(const SheetRun &run);

// A placed block's sections on the paper, mm, turned with the block.
QList<strip::MmRect> placedSections(const SheetEntry &entry, const PlacedBlock &block);
// The cut marks of a placed block, each a line from (x1, y1) to (x2, y2) in
// mm on the paper: two at every corner of every section, in the extension of
// its edges, leaving out a mark that would lie on one of the block's sections.
struct MarkLine
{
    Fixed4 x1, y1, x2, y2;
};
QList<MarkLine> cutMarks(const QList<strip::MmRect> &sections);
// Where a block's caption goes, mm: the band below the block's marks, as
// wide as the block's room.
strip::MmRect captionBand(const PlacedBlock &block, const SheetSettings &settings);

// Draws sheet `sheet` (0-based). `showUsedPlaces` greys the places before
// the start on the first sheet (the preview does; paper does not).
void drawSheetPage(QPainter &painter, const RegisterDocument &doc, const SheetRun &run, int sheet,
                   const PagePlacement &placement, bool showUsedPlaces);

} // namespace print
