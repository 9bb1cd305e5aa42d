#pragma once
// What a value written into one line of the register may hold. A register
// line never holds a line break, and a value must not be able to pose as an
// entry marker line (a number followed by form feeds) or carry the control
// characters that the dialogs trim from its ends. The command-line companion
// and the entry dialog refuse such values before anything is written.

#include <QString>

namespace linevalue {

enum class Fault { None, LineBreak, Control, Marker };

struct Check
{
    Fault fault = Fault::None;
    qsizetype index = -1; // the offending character, for LineBreak and Control
    explicit operator bool() const { return fault == Fault::None; }
};

// Checks one value as it would be stored (after any trimming of its ends).
Check check(const QString &value);

// "U+000A" for the offending character of a failed check.
QString codePointOf(const QString &value, const Check &c);

} // namespace linevalue
