#pragma once
// Writing a cell's text lines back into the register document: the old text
// lines are replaced, each line is cut to 20 characters, and the picture
// lines are emptied (a cell given text shows its text again).

#include "register/registerdocument.h"

#include <QStringList>

namespace strip {

constexpr int MaxTextLineLength = 20;

// A text line cut to 20 characters, as every view, editor and command cuts
// it: the first 20 UTF-16 units, one fewer when the cut would fall inside a
// surrogate pair (a character is never split into an unpaired half).
QString cutTextLine(const QString &line);

// Lines of an editor text: the text split at line breaks, a last empty line
// not counted (an empty text has no lines, "abc\n" has one).
QStringList editorLines(const QString &text);

// Clipboard text of a cell's lines: every line followed by CR LF, as the
// editor holds them, so that pasting it back gives the same lines.
QString clipboardText(const QStringList &lines);

// Replaces the text of cell `cell` of the entry whose header starts at line
// headerLine. The lines are mapped and checked by the input rule (see
// register/textrule.h): a refused line throws textrule::RefusedInput with its message
// before anything changes. Returns the lines as stored (cut to 20
// characters).
QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines);

} // namespace strip
