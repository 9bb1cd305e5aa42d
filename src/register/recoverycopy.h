#pragma once
// The recovery copy of a register: when the program is ended by a signal
// with unsaved changes, the register's lines are written into the user's
// data folder ($XDG_DATA_HOME/tavrel/recovery/, by default
// ~/.local/share/tavrel/recovery/), never over the register itself. The
// copy's name is made from the register's full path (links resolved), so
// that the next opening of that register finds it.

#include <QString>

class RegisterDocument;

namespace recovery {

// The folder of the recovery copies (not created here).
QString folder();
// Where the copy of the register at registerPath is kept; an unnamed
// register gets a name of its own from the time.
QString copyPath(const QString &registerPath);
// Writes the document's lines to its recovery copy; returns the copy's
// path. Throws FileError or TavrelError when nothing could be written.
QString write(const RegisterDocument &doc);
// The recovery copy kept for the register at registerPath, or empty.
QString find(const QString &registerPath);
// Puts the lines of the recovery copy at copy into the open document, so
// that they show as unsaved changes of the register (saved over it only
// when the user saves). Throws when the copy cannot be read or is
// no register; the document is unchanged then.
void restore(RegisterDocument &doc, const QString &copy);

} // namespace recovery
