#pragma once
// Colour values and colour lines. A colour value is a 24-bit number written
// in decimal with red in the low byte and blue in the high byte (0 black,
// 16777215 white). A colour line holds the text colour, optionally a comma
// and the background colour. Every reader and writer of a cell's line 21 or
// a key label's colour line goes through these functions.

#include <QColor>
#include <QString>

namespace strip {

constexpr int Black = 0;
constexpr int White = 16777215;

// Part before the first comma (the whole line without one) as a decimal
// integer; 0 when it is not one. Never fails.
int textColourOf(const QString &colourLine);
// Part after the first comma as a decimal integer; 16777215 when there is no
// comma or the part is not one. Never fails.
int backgroundColourOf(const QString &colourLine);

// The colour, a comma and the old line's text after its first comma; the
// colour and ",16777215" when the old line has no comma.
QString withTextColour(const QString &colourLine, int colour);
// The old line's text before its first comma, a comma and the colour; the
// whole old line, a comma and the colour when it has no comma.
QString withBackgroundColour(const QString &colourLine, int colour);

// Stored value to colour: red from the low byte, blue from the high byte;
// bits above the 24 colour bits are ignored.
QColor toQColor(int value);
// Colour to stored value.
int fromQColor(const QColor &colour);

} // namespace strip
