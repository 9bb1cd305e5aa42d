#pragma once
// Strip templates: *.tpl files in the program folder, one per strip type.
// Line 0 names the series the template is offered for; then the section
// count and the sections with 19-line cell records.

#include "register/registerdocument.h"

#include <QString>
#include <QStringList>

namespace templates {

extern const QString MissingMessage; // "テンプレートが存在しません。"

// Strip type of a template file name: the name up to its first ".".
QString stripTypeOfFile(const QString &fileName);
// Sorted strip types offered for the series (locale collation, case
// ignored, duplicates kept). Unreadable files are left out.
QStringList listTemplates(const QString &folder, const QString &seriesCaption);
// Why a strip type cannot be made for a series whose templates do not
// offer it: "示名条のタイプ「T」はSにありません" (no full stop).
QString notOfferedProblem(const QString &stripType, const QString &seriesCaption);
// Path of the strip type's template (extension matched without regard to
// letter case), or empty when there is none.
QString templatePath(const QString &folder, const QString &stripType);
bool templateExists(const QString &folder, const QString &stripType);

// The lines a template adds after the entry header (section count first).
// Validates the whole template before anything is appended: a count that
// is not a number or runs past the end throws, naming the template line.
// Name plate placeholders in preset texts are filled from the header.
// `checked`: the template has passed this already (with any header), so the
// body it gives has the same sound structure and is not checked again.
QStringList instantiateBody(const QStringList &templateLines, const QString &templateName = QString(),
                            const EntryHeader &header = EntryHeader(), bool checked = false);

// Appends an entry built from the template of header.stripType. Throws with
// MissingMessage when there is no template and with a format error when it is
// malformed; the document is unchanged in both cases.
void appendEntryFromTemplate(RegisterDocument &doc, const QString &folder, const EntryHeader &header);

} // namespace templates
