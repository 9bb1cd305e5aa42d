#pragma once
// Sheet layout: many strips on one sheet of plain paper. Each entry of a run
// is one block, the bounding box of its sections at true size; blocks are
// placed in list order in rows from the top left of the printable area (the
// paper less its margins), each with room around it for its cut marks and
// caption, so that neither ever touches another block. A block is turned
// by 90 degrees only when asked and only where it then fits and otherwise
// would not. A run may start at a free place of a partly used first sheet,
// counted on the grid the run's largest block makes on that paper.
//
// Everything here is a pure function of sizes in mm: no register, no
// painter.

#include "platform/fixed4.h"

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace print {

// A paper in mm as it is named (portrait: width <= height for the named
// ones; a WxH paper keeps the sides given).
struct SheetPaper
{
    QString name;   // as the user names it: "A4", "JIS-B5", "210x297"
    Fixed4 width, height;
    QPageSize::PageSizeId id = QPageSize::Custom;
    QPageSize pageSize() const;
};

// A4, A3, A5, B4 (JIS, 257 x 364), JIS-B5 (182 x 257; B5 is read as the
// same), Letter, any case; or WxH in mm ("100x148", "210.5X297"), each side
// from 10 to 2000 mm. Nothing for anything else.
std::optional<SheetPaper> sheetPaperNamed(const QString &text);
// The named papers in the order the window offers them.
QStringList sheetPaperNames();

enum class CutGuides { None, Marks, Lines };

struct SheetSettings
{
    SheetPaper paper = *sheetPaperNamed(QStringLiteral("A4"));
    bool landscape = false;
    Fixed4 margin = Fixed4::fromInt(5); // every edge of the paper
    Fixed4 gap = Fixed4::fromInt(2);    // between the rooms of two blocks
    CutGuides cut = CutGuides::Marks;
    bool captions = true;
    int start = 1;                      // first place used on the first sheet, from 1
    bool rotate = false;
    bool operator==(const SheetSettings &o) const;
};

// Cut marks: a short line in the extension of each section edge, from
// MarkClearance to MarkClearance + MarkLength past the corner, so that no
// mark is left on the cut piece.
constexpr qint64 MarkClearanceRaw = 10000; // 1 mm
constexpr qint64 MarkLengthRaw = 20000;    // 2 mm
// The caption's band below a block (under the marks) and its text height.
constexpr qint64 CaptionBandRaw = 30000;   // 3 mm
constexpr qint64 CaptionTextRaw = 23000;   // 2.3 mm

// Room kept free around a block for its marks and caption, in mm.
struct BlockRoom
{
    Fixed4 left, top, right, bottom;
};
BlockRoom blockRoom(CutGuides cut, bool captions);

struct BlockSize
{
    Fixed4 width, height;
};

struct PlacedBlock
{
    int item = 0;        // index in the run
    int sheet = 0;       // 0-based
    Fixed4 x, y;         // the block's top-left corner on the paper, mm
    Fixed4 width, height; // as placed (turned blocks swap their sides)
    bool rotated = false;
};

struct SheetLayout
{
    enum class Status { Ok, TooLarge, StartPastPlaces, NoEntries };
    Status status = Status::Ok;
    int item = -1;               // the block that does not fit (TooLarge)
    QList<PlacedBlock> blocks;   // in run order
    int sheetCount = 0;
    int places = 0;              // places of the grid on one sheet
    int columns = 0;
    Fixed4 placeWidth, placeHeight; // a grid place: the largest block with its room
    // The places before the start on the first sheet, block and room, mm
    // from the paper's corner: the preview greys them.
    struct Place
    {
        Fixed4 x, y, width, height;
    };
    QList<Place> usedPlaces;
    Fixed4 paperWidth, paperHeight; // as the paper lies
};

// The paper's sides as it lies: landscape puts the longer side across.
BlockSize sheetPaperSize(const SheetSettings &settings);
// The paper for a printer or PDF page and the orientation it lies in.
QPageSize sheetPageSize(const SheetSettings &settings);
QPageLayout::Orientation sheetOrientation(const SheetSettings &settings);
SheetLayout layoutSheets(const QList<BlockSize> &blocks, const SheetSettings &settings);

} // namespace print
