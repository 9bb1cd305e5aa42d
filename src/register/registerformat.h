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

namespace regfmt {

constexpr int VersionLineIndex = 0;
constexpr int EntryCountLine = 1;
constexpr int MarkerFeeds = 10;

constexpr int MaxSections = 100;
constexpr int MaxCells = 100;

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

} // namespace regfmt
