#pragma once
// The three readings of a cell record's key code (line 14); the record's
// lines are named in registerformat.h.

#include "register/registerformat.h"
#include "register/registerlines.h"

#include <QString>

namespace strip {

// Absolute value of the integer in characters 1 to 3 (0 when they are not
// one): 007 gives 7, -12 gives 12.
int keyNumberOf(const QString &keyCode);
// The whole line is an integer of at least 1: the cell takes typed text.
bool isAssignableKey(const QString &keyCode);
// Nothing is left once spaces and control characters are trimmed: the cell
// has no text area on screen.
bool isBlankKeyCode(const QString &keyCode);
// Line 30 of the cell record at `record` is not empty once spaces and
// control characters are trimmed: the cell shows a picture.
bool cellHasPicture(const RegisterLines &lines, int record);

} // namespace strip
