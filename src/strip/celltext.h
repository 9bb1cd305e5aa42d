#pragma once
// Writing a cell's text lines back into the register document: the old text
// lines are replaced, each line is cut to 20 characters, and the picture
// lines are emptied (a cell given text shows its text again).

#include "register/registerdocument.h"

#include <QStringList>

namespace strip {

constexpr int MaxTextLineLength = 20;

// Lines of an editor text: the text split at line breaks, a last empty line
// not counted (an empty text has no lines, "abc\n" has one).
QStringList editorLines(const QString &text);

// Replaces the text of cell `cell` of the entry whose header starts at line
// headerLine. Returns the lines as stored (cut to 20 characters).
QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines);

} // namespace strip
