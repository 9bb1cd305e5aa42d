#pragma once
// The texts of the fine adjustment: the check of what the user types and the
// number format "#0.0###" in which an offset is shown.

#include "platform/fixed4.h"
#include "print/strippage.h"

#include <QString>
#include <optional>

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

// A printer's kept adjustment in the settings file: one key per printer
// name, the value "vertical,horizontal" in the number format above.
//
// A printer name may hold what an INI key cannot: "=", "[", "]", line
// breaks and other control characters, blanks at either end, and characters
// that the settings file's code page has no code for; "%", ";" and "#" would
// be misread. Each such character is written as "%" and two upper-case hex
// digits per byte of its UTF-8 form; every other character stays as it is,
// so that ordinary names read plainly in the file.
QString adjustKeyOfPrinter(const QString &printerName);
// The printer a key names; empty for a key that adjustKeyOfPrinter would
// not have written (a broken escape, an escape of a plain character).
QString printerOfAdjustKey(const QString &key);
QString formatAdjustPair(const Adjustment &adjustment);
// The pair of a stored value; nothing for anything but two accepted numbers
// separated by a comma (blanks around each are allowed).
std::optional<Adjustment> parseAdjustPair(const QString &value);

} // namespace print
