#pragma once
// The texts of the fine adjustment: the check of what the user types and the
// number format "#0.0###" in which an offset is shown.

#include "strip/fixed4.h"

#include <QString>

namespace print {

// The first character a digit or "-", every further one a digit or ".", at
// most one ".", not empty and not "-" alone; and the text must read as a
// number ("-." passes the character rules but is none, so it is refused
// here instead of failing later).
bool adjustmentTextAccepted(const QString &text);
// The value of an accepted text, rounded to four decimal places.
Fixed4 adjustmentValue(const QString &text);
// "#0.0###": 0 → 0.0, 1.25 → 1.25, -0.5 → -0.5, 2.3456 → 2.3456.
QString formatAdjustment(Fixed4 value);

} // namespace print
