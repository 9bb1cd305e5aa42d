#pragma once
// Writing a cell's text lines back into the register document: the old text
// lines are replaced, new lines are cut to 20 characters, and the picture
// lines are emptied (a cell given text shows its text again). Lines the
// cell already holds are kept as they are, however long.

#include "register/registerdocument.h"

#include <QStringList>

namespace strip {

constexpr int MaxTextLineLength = 20;

// A text line cut to 20 characters, as every view and door cuts new text:
// characters are code points, so a surrogate pair counts as one and is never
// split.
QString cutTextLine(const QString &line);

// Lines of an editor text: the text split at line breaks, a last empty line
// not counted (an empty text has no lines, "abc\n" has one).
QStringList editorLines(const QString &text);

// Clipboard text of a cell's lines: every line followed by CR LF, as the
// editor holds them, so that pasting it back gives the same lines.
QString clipboardText(const QStringList &lines);

// Replaces the text of cell `cell` of the entry whose header starts at line
// headerLine. A line equal to one the cell holds is kept whole; any other
// line is new text: mapped and checked by the input rule (see
// register/textrule.h; characters the cell already holds pass), then cut to
// 20 characters. A refused line throws textrule::RefusedInput with its
// message before anything changes. The same lines with no picture change
// nothing and make no step. Returns the lines as stored.
QStringList writeCellText(RegisterDocument &doc, int headerLine, int cell, const QStringList &lines);

} // namespace strip
