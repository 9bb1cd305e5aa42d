#pragma once
// The lines of a cell record that the strip code reads, numbered from the
// record's first line, and the three readings of the key code (line 14).

#include <QString>

namespace strip::cellline {

constexpr int KeyNumberFace = 8;
constexpr int KeyNumberSize = 9;
constexpr int KeyNumberColour = 10;
constexpr int KeyNumberBold = 11;
constexpr int KeyNumberItalic = 12;
constexpr int KeyNumberAlignment = 13;
constexpr int KeyCode = 14;
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

} // namespace strip::cellline

namespace strip {

// Absolute value of the integer in characters 1 to 3 (0 when they are not
// one): 007 gives 7, -12 gives 12.
int keyNumberOf(const QString &keyCode);
// The whole line is an integer of at least 1: the cell takes typed text.
bool isAssignableKey(const QString &keyCode);
// Nothing is left once spaces and control characters are trimmed: the cell
// has no text area on screen.
bool isBlankKeyCode(const QString &keyCode);

} // namespace strip
