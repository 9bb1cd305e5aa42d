#pragma once
// Name plates: preset texts of a template may hold the placeholders
// {内線番号}, {部署} and {使用者名}. A new entry gets them replaced by its
// header values. When the header changes (an edit, or a copy made under a
// new header), a plate cell whose text is still exactly what the old header
// produced through its key code's preset text is rewritten from the new
// header; any other text is the user's and stays. No marker is kept in the
// register: the preset text is on the cell's key code line, so the old text
// can always be worked out again.

#include "register/registerdocument.h"

#include <QString>

namespace nameplate {

extern const QString ExtensionField;  // "{内線番号}"
extern const QString DepartmentField; // "{部署}"
extern const QString UserNameField;   // "{使用者名}"

// The text with every placeholder replaced by the header's value.
QString fill(const QString &text, const EntryHeader &header);
// The line a preset text gives a cell: filled, then cut to 20 characters
// as every cell line is (a department may hold up to 32), so that showing
// the entry never shortens it and the plate keeps following its header.
QString plateText(const QString &text, const EntryHeader &header);
bool hasPlaceholder(const QString &text);

// The preset text of a key code with placeholders (characters 7 onward of a
// key whose number is below 1), or an empty text when the cell is no plate.
QString platePattern(const QString &keyCode);

// Rewrites the plates of entry n that still show what `oldHeader` produced
// so that they show what `newHeader` produces. Only text lines are set; the
// number of lines never changes. Returns the number of cells rewritten.
int refreshPlates(RegisterDocument &doc, qint64 n, const EntryHeader &oldHeader, const EntryHeader &newHeader);

// The entry commands with their plates: the header of entry n replaced,
// then the untouched plates rewritten; and a copy of entry `source` appended
// under a new header, its plates rewritten from the source's header to the
// new one. Each is one change of the register.
int updateEntryHeader(RegisterDocument &doc, qint64 n, const EntryHeader &header);
void appendEntryAsCopy(RegisterDocument &doc, const EntryHeader &header, int source);

} // namespace nameplate
