#pragma once
// The images of a strip: the sheet image of each view (white sheet, section
// rectangles outlined black and filled silver, key boxes outlined black and
// filled grey, in register order), and the composite of one view as the
// screen shows it with nothing selected: the sheet, the key numbers, the
// selection frames of the assignable keys and each cell's text or picture.

#include "platform/conversion.h"
#include "strip/geometry.h"
#include "strip/stripwalk.h"

#include <QImage>
#include <QStringList>

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
    explicit SheetPainter(const SheetGeometry &geometry);
    void drawSection(const Section &section);
    void drawKeyBox(const Section &section, const Cell &cell);
    QImage &image(View v) { return v == View::Detail ? m_detail : m_overview; }
    const SheetGeometry &geometry() const { return m_geometry; }

private:
    SheetGeometry m_geometry;
    QImage m_detail, m_overview;
};

// The sheet image of one view for the entry at header line H. Throws
// StripLimitError over the limits.
QImage renderSheet(const RegisterLines &lines, int headerLine, View view);

// The composite of one view at the sheet's whole-pixel size (96 dpi).
// Throws StripLimitError over the limits and ConversionError / TavrelError
// for malformed lines.
QImage renderStrip(const RegisterLines &lines, int headerLine, View view);

// Key number of a cell drawn into its key-number box (lines 8 to 14 of the
// record; nothing when the number is 0 or the section's flag is 0).
void drawKeyNumber(QPainter &painter, const RegisterLines &lines, const Section &section, const Cell &cell,
                   const SheetGeometry &geometry, View view);

} // namespace strip
