#pragma once
// The record layout of a register, defined once. Every reader of the
// document (strip walk, check, views, images, printing, the CLI) takes its
// offsets and limits from here.
//
// File:    line 0 the version line, line 1 the entry count, then the entries.
// Entry:   a marker line (the entry number followed by ten form feeds), six
//          header lines, the section count, then the sections.
// Section: six header lines followed by its cell records.
// Cell:    33 fixed lines followed by the text lines counted on its line 32.

#include "register/registerlines.h"

namespace regfmt {

constexpr int VersionLineIndex = 0;
constexpr int EntryCountLine = 1;
constexpr int MarkerFeeds = 10;

constexpr int MaxSections = 100;
constexpr int MaxCells = 100;

// The values of a cell's alignment lines (key number and text). A stored
// value outside these draws at the left and is kept as it is.
enum Alignment : int { AlignLeft = 1, AlignCentre = 2, AlignRight = 3 };

// Offsets from an entry's first header line H (the line after its marker).
namespace entry {
constexpr int Extension = 0;
constexpr int Department = 1;
constexpr int UserName = 2;
constexpr int Date = 3;
constexpr int SeriesCaption = 4;
constexpr int StripType = 5;
constexpr int HeaderLines = 6;
constexpr int SectionCount = 6;
constexpr int FirstSection = 7;
} // namespace entry

// Offsets from a section header's first line.
namespace section {
constexpr int KeyNumberFlag = 0;
constexpr int OriginX = 1;
constexpr int OriginY = 2;
constexpr int Width = 3;
constexpr int Height = 4;
constexpr int CellCount = 5;
constexpr int HeaderLines = 6;
} // namespace section

// Offsets from a cell record's first line.
namespace cell {
constexpr int KeyBox = 0;          // four decimals: x, y, width, height
constexpr int KeyNumberBox = 4;    // four decimals
constexpr int KeyNumberFace = 8;
constexpr int KeyNumberSize = 9;
constexpr int KeyNumberColour = 10;
constexpr int KeyNumberBold = 11;
constexpr int KeyNumberItalic = 12;
constexpr int KeyNumberAlignment = 13;
constexpr int KeyCode = 14;
constexpr int TextArea = 15;       // four decimals
constexpr int Face = 19;
constexpr int Size = 20;
constexpr int Colours = 21;
constexpr int Bold = 22;
constexpr int Italic = 23;
constexpr int Alignment = 24;
constexpr int PictureType = 30;
constexpr int PictureData = 31;
constexpr int TextCount = 32;
constexpr int FirstText = 33;
constexpr int FixedLines = 33;

// How each fixed line is read: the strip walk, the renderer and the check
// all read these lines with RegisterLines::fixedAt and intAt.
constexpr int DecimalLines[] = {0, 1, 2, 3, 4, 5, 6, 7, 15, 16, 17, 18};
constexpr int IntegerLines[] = {KeyNumberSize, KeyNumberColour, KeyNumberBold, KeyNumberItalic,
                                KeyNumberAlignment, Size, Bold, Italic, Alignment};
} // namespace cell

// Light views over the document's lines: each names the fields of one
// record and reads them through the store's bounds-checked readers.
class EntryLines
{
public:
    // h is the entry's first header line (the line after its marker).
    EntryLines(const RegisterLines &lines, int h) : m_lines(lines), m_h(h) {}
    int headerLine() const { return m_h; }
    QString extension() const { return m_lines.line(m_h + entry::Extension); }
    QString department() const { return m_lines.line(m_h + entry::Department); }
    QString userName() const { return m_lines.line(m_h + entry::UserName); }
    QString date() const { return m_lines.line(m_h + entry::Date); }
    QString seriesCaption() const { return m_lines.line(m_h + entry::SeriesCaption); }
    QString stripType() const { return m_lines.line(m_h + entry::StripType); }
    int sectionCount() const { return m_lines.intAt(m_h + entry::SectionCount); }
    int sectionCountLine() const { return m_h + entry::SectionCount; }
    int firstSectionLine() const { return m_h + entry::FirstSection; }

private:
    const RegisterLines &m_lines;
    int m_h;
};

class CellLines
{
public:
    // b is the cell record's first line.
    CellLines(const RegisterLines &lines, int b) : m_lines(lines), m_b(b) {}
    int recordLine() const { return m_b; }
    QString keyCode() const { return m_lines.line(m_b + cell::KeyCode); }
    QString face() const { return m_lines.line(m_b + cell::Face); }
    int size() const { return m_lines.intAt(m_b + cell::Size); }
    QString colours() const { return m_lines.line(m_b + cell::Colours); }
    int bold() const { return m_lines.intAt(m_b + cell::Bold); }
    int italic() const { return m_lines.intAt(m_b + cell::Italic); }
    int alignment() const { return m_lines.intAt(m_b + cell::Alignment); }
    QString pictureType() const { return m_lines.line(m_b + cell::PictureType); }
    QString pictureData() const { return m_lines.line(m_b + cell::PictureData); }
    int textCount() const { return m_lines.intAt(m_b + cell::TextCount); }
    int firstTextLine() const { return m_b + cell::FirstText; }

private:
    const RegisterLines &m_lines;
    int m_b;
};

} // namespace regfmt
