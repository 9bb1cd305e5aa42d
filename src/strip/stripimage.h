#pragma once
// The images of a strip: the sheet image of each view (white sheet, section
// rectangles outlined black and filled silver, key boxes outlined black and
// filled grey, in register order), and the strip scene, from which the
// screen views and the strip image are both drawn: the sheet, the key
// numbers and selection frames, then each cell's text or picture.

#include "platform/conversion.h"
#include "register/geometry.h"
#include "register/stripwalk.h"
#include "strip/cellrenderer.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <QStringList>
#include <functional>
#include <vector>

namespace strip {

constexpr int SectionFill = 12632256; // silver
constexpr int KeyBoxFill = 8421504;   // grey

// Raised when a strip holds more than 100 sections or cells.
class StripLimitError : public TavrelError
{
public:
    StripLimitError() : TavrelError(TooManyKeysMessage) {}
};

// Draws the sheet images of both views while a strip is walked: call
// drawSection from the visitor's section() and drawKeyBox from its cell().
class SheetPainter
{
public:
    // Draws the sheets of the views asked for; the other stays null.
    explicit SheetPainter(const SheetGeometry &geometry, bool detail = true, bool overview = true);
    // Draws again the part `clip` of an earlier sheet of view v: that part is
    // made white, then sections and key boxes are drawn clipped to it.
    SheetPainter(const SheetGeometry &geometry, View v, QImage sheet, const QRegion &clip);
    void drawSection(const Section &section);
    void drawKeyBox(const Section &section, const Cell &cell);
    QImage &image(View v) { return v == View::Detail ? m_detail : m_overview; }
    const QImage &image(View v) const { return v == View::Detail ? m_detail : m_overview; }
    const SheetGeometry &geometry() const { return m_geometry; }

private:
    void paint(View v, const std::function<void(QPainter &)> &draw);

    SheetGeometry m_geometry;
    QImage m_detail, m_overview;
    QRegion m_clip; // empty: the whole sheet
};

// The sheet image of one view for the entry at header line H. Throws
// StripLimitError over the limits.
QImage renderSheet(const RegisterLines &lines, int headerLine, View view);

// The composite of one view at the sheet's whole-pixel size (96 dpi).
// Throws StripLimitError over the limits and ConversionError / TavrelError
// for malformed lines.
QImage renderStrip(const RegisterLines &lines, int headerLine, View view);

// Key number of a cell as its key-number box shows it (lines 8 to 14 of the
// record, all read and checked even when it stays hidden); the box is null
// when the number is 0 or the section's flag is 0, the text empty when
// nothing is drawn.
struct KeyNumberLabel
{
    QRect box;
    QFont font;
    QColor colour;
    int flags = 0;
    QString text;
};
KeyNumberLabel keyNumberLabel(const RegisterLines &lines, const Section &section, const Cell &cell,
                              const SheetGeometry &geometry, View view);
void drawKeyNumber(QPainter &painter, const KeyNumberLabel &label);

// A strip laid out for drawing in both views: the sheets and, per cell, its
// rectangles, key number and content. Built while the strip is walked
// (addSection; addKeyBox, addCell, renderCell per cell), so that a build
// that stops half way keeps what it laid out. Reading a record checks it;
// the sheet of a view and a cell's text image are drawn when first painted,
// so a view that is not shown, or a cell scrolled out of sight, costs
// nothing to draw.
class StripScene
{
public:
    struct Item
    {
        int line = 0; // first line of the cell record
        bool assignable = false;
        bool blankKeyCode = false;
        bool showsPicture = false;
        QRect textArea[2]; // detail, overview
        QRect frame[2];
        KeyNumberLabel number[2];
        CellContent content;
        int points[2] = {};       // the size each view draws the text at
        QPoint textAt[2];         // where the part of the text area on the sheet lies
        mutable QImage text[2];   // that part, once painted
        mutable bool drawn[2] = {};
        // The text area shows (the record's key code is not blank).
        bool areaShown() const { return assignable || !blankKeyCode; }
    };

    // The empty scene has no sheet.
    StripScene() : StripScene(SheetGeometry{}) {}
    explicit StripScene(const SheetGeometry &geometry);

    const SheetGeometry &geometry() const { return m_geometry; }
    QSize size(View v) const;
    int cellCount() const { return int(m_items.size()); }
    const Item &cell(int i) const { return m_items.at(size_t(i)); }

    void addSection(const Section &section);
    // The key box of a cell on the sheets, in walk order with the sections
    // (a later section is drawn over an earlier one's key boxes).
    void addKeyBox(const Section &section, const Cell &cell);
    // Reads the key code and the key-number lines of the cell (throws for
    // malformed lines) and places its elements.
    void addCell(const RegisterLines &lines, const Section &section, const Cell &cell);
    // Renders the text or picture of cell i in both views from its record,
    // which starts at line `record` (records move as text lines come and go).
    void renderCell(const RegisterLines &lines, int i, int record);
    // True when the entry at headerLine lays out as this scene: the same
    // sections and key boxes in the same places, the same key numbers and
    // the same kinds of keys. Reads the numbers only (throws for malformed
    // lines, as the walk does).
    bool sameLayout(const RegisterLines &lines, int headerLine) const;
    // Cell i's record now starts at `record`; its content is unchanged.
    void moveCell(int i, int record) { m_items.at(size_t(i)).line = record; }

    // The one composition of a view, limited to `exposed`: the sheet, then
    // per cell its key number and selection frame, then per cell its text
    // or picture. outline(i) is the width of cell i's frame outline, 0 for
    // none; the frame is drawn only for assignable keys.
    void paint(QPainter &painter, View view, const QRect &exposed, const std::function<int(int)> &outline) const;

    // Takes from `previous`, the scene of the same strip before an edit,
    // its sheets (drawn again only where sections or key boxes changed;
    // `previous` draws its own again if painted) and the drawn text of every cell
    // whose content, text-area size, point size and shown window are
    // unchanged (cells matched by their place in the walk): after cells
    // move, a redraw draws no text again.
    void adoptDrawn(StripScene &previous);
    // The pixels of view v that differ from `previous` could show: the old
    // and new rectangles of every section, key box and cell element that
    // changed; the whole sheet when the geometry or the number of sections
    // or cells changed.
    QRegion changedArea(const StripScene &previous, View v) const;

    static int index(View v) { return v == View::Detail ? 0 : 1; }

    // The sheet of view v: sections and key boxes, drawn when first asked.
    const QImage &sheet(View v) const;
    // Takes the sheets `other` has drawn when both scenes have the same
    // geometry, sections and key boxes (another entry of the same strip
    // type): the same pixels, drawn once.
    void shareSheets(const StripScene &other);

private:

    SheetGeometry m_geometry;
    // Sections and key boxes in walk order, drawn onto a sheet when needed.
    struct SheetStep
    {
        bool isSection = false;
        Section section;
        Cell cell;
    };
    std::vector<SheetStep> m_sheetSteps;
    // The part of cell i's text area on the sheet of view v, in the area's
    // coordinates: the window its text image holds.
    QRect shownWindow(const Item &item, View v) const;
    QRect stepPixels(const SheetStep &step, View v) const;
    // Old and new rectangles of the sections and key boxes that differ from
    // previous's (same number of steps).
    QRegion changedSteps(const StripScene &previous, View v) const;
    void drawSteps(SheetPainter &painter) const;
    mutable QImage m_sheet[2];
    mutable bool m_sheetDrawn[2] = {};
    std::vector<Item> m_items;
};

// The scene of the entry at header line H with every cell laid out and
// rendered, as renderStrip draws it (the template designer paints it).
// Throws as renderStrip.
StripScene sceneOfEntry(const RegisterLines &lines, int headerLine);

} // namespace strip
