#pragma once
// The strip walk: the one pass over an entry's lines that every part of the
// program uses to find the sections and cells of a strip (the views, the
// composite image, printing, locate cell, first cell of section).
//
// An entry whose header starts at line H stores the section count S on line
// H+6; the first section header follows at H+7. A section header is six
// lines (key-number flag, origin x, origin y, width, height in mm, cell count
// C) followed by its C cell records; a cell record is 33 lines plus the N text
// lines counted on its line 32. Cells are numbered from 0 across all sections.
//
// Using the walk: derive from StripVisitor, override section() and cell(),
// and call walkStrip(lines, H, visitor). Sections and cells arrive in register
// order; section() is called for a section before any of its cells. Either
// callback may return false to end the walk early (WalkStop::Stopped). A view
// builder draws the section rectangle in section() and the key box and the
// cell's own elements in cell(), reading the rest of the record (fonts, key
// code, text) from the cell's record line:
//
//     struct Builder : strip::StripVisitor {
//         bool section(const strip::Section &s) override { ...; return true; }
//         bool cell(const strip::Section &s, const strip::Cell &c) override { ...; return true; }
//     } b;
//     const strip::WalkSummary r = strip::walkStrip(doc.lines(), H, b);
//     if (r.stop == strip::WalkStop::TooManySections || r.stop == strip::WalkStop::TooManyCells)
//         ... show strip::TooManyKeysMessage ...
//
// Limits: more than 100 sections stops the walk before any section is
// visited; a section whose cells would take the total past 100 stops the walk
// before that section is visited, the earlier sections having been visited
// completely. A number line that is not a number throws ConversionError
// naming the line; a count that is negative or runs past the entry's last
// line (the line before the next entry marker, or the document's end) throws
// TavrelError naming the count's line. Nothing is ever read past the end.

#include "register/geometry.h"
#include "register/registerformat.h"
#include "register/registerlines.h"

#include <QString>
#include <QStringList>

namespace strip {

constexpr int SectionHeaderLines = regfmt::section::HeaderLines;
constexpr int CellFixedLines = regfmt::cell::FixedLines;
extern const QString TooManyKeysMessage; // "ボタンの数が多すぎます。"

struct Section
{
    int index = 0;         // 0-based section index
    int line = 0;          // line of the key-number flag (the header's first line)
    int firstCell = 0;     // index of the section's first cell
    int cellCount = 0;     // C
    // Filled when the walk reads geometry (WalkGeometry::Read):
    int keyNumberFlag = 0; // 0 hides the key numbers of the section's cells
    MmRect rect;           // origin and size in mm
};

struct Cell
{
    int index = 0;         // 0-based across all sections
    int indexInSection = 0;
    int line = 0;          // first line of the cell record
    int textLineCount = 0; // N, from record line 32
    CellMm mm;             // filled when the walk reads geometry
};

class StripVisitor
{
public:
    virtual ~StripVisitor() = default;
    virtual bool section(const Section &) { return true; }
    virtual bool cell(const Section &, const Cell &) { return true; }
};

enum class WalkStop {
    Complete,        // every section and cell visited
    Stopped,         // a callback returned false
    TooManySections, // S > 100: nothing visited
    TooManyCells,    // a section would pass 100 cells: earlier sections visited
};

struct WalkSummary
{
    WalkStop stop = WalkStop::Complete;
    int sectionCount = 0;   // S as stored
    int sectionsWalked = 0; // sections visited completely or in part
    int cellsWalked = 0;    // cells visited
    bool overLimit() const { return stop == WalkStop::TooManySections || stop == WalkStop::TooManyCells; }
};

// Read: section flag and rectangle, and the three rectangles of each cell,
// are parsed (a malformed one throws). Skip: only the counts are read, as
// locate cell needs.
enum class WalkGeometry { Read, Skip };

WalkSummary walkStrip(const RegisterLines &lines, int headerLine, StripVisitor &visitor,
                      WalkGeometry geometry = WalkGeometry::Read);

// The first line of cell `index`'s record. Throws TavrelError when the entry
// has no such cell (instead of running into lines that are no cell).
int locateCell(const RegisterLines &lines, int headerLine, int index);
// The same, answering -1 when the entry has no such cell (the index is past
// its last cell or beyond the cell limit). A malformed record still throws.
int findCell(const RegisterLines &lines, int headerLine, int index);
// Index of section k's first cell: the cell counts of sections 0..k-1 summed;
// 0 when k is not a section of the entry. For a section past the cell limit,
// which is never built, the number of cells built (a cell that does not exist).
int firstCellOfSection(const RegisterLines &lines, int headerLine, int k);

// Index one past the entry's last line: the next entry marker after the
// header, or the document's end.
int entryEnd(const RegisterLines &lines, int headerLine);

// Bounds-checked reads with the document's messages.
QString lineAt(const RegisterLines &lines, int index);
int intLineAt(const RegisterLines &lines, int index);
Fixed4 fixedLineAt(const RegisterLines &lines, int index);

} // namespace strip
