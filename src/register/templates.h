#pragma once
// Strip templates: *.tpl files in the program folder, one per strip type.
// Line 0 names the series the template is offered for; then the section
// count and the sections with 19-line cell records.

#include "register/registerdocument.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class SettingsStore;

namespace templates {

// Where a template was found. Templates are read from the program folder
// (installed, never written), an optional site folder (a shared folder named
// in the settings) and the user's own folder, in that order.
enum class Source { Program, Site, User };
// "program", "site", "user".
QString sourceName(Source source);

// The user's template folder: $XDG_DATA_HOME/tavrel/templates/, by default
// ~/.local/share/tavrel/templates/.
QString userFolder();
// Settings section and key naming the site folder.
extern const QString SettingsSection; // "Templates"
extern const QString SiteKey;         // "SiteDir"

// The folders templates are read from. A folder left empty is not read. A
// program folder alone converts implicitly, so a caller that knows only the
// installed templates still reads them.
struct Folders
{
    QString program, site, user;
    // When set, the site folder is read from these settings at each use
    // (the designer may change it while the program runs).
    const SettingsStore *settings = nullptr;

    Folders() = default;
    Folders(const QString &programFolder) : program(programFolder) {} // NOLINT: implicit on purpose
    Folders(const QString &programFolder, const QString &siteFolder, const QString &userFolder)
        : program(programFolder), site(siteFolder), user(userFolder) {}
    // The program's folders: the program folder, the site folder of the
    // settings and the user folder.
    static Folders standard(const QString &programFolder, const SettingsStore &settings);

    QString folder(Source source) const;
    // Every folder to read, in order: program, site, user.
    QList<std::pair<QString, Source>> inOrder() const;
};

// One template file offered for a series.
struct Listed
{
    QString stripType;
    Source source = Source::Program;
    QString path;
};

extern const QString MissingMessage; // "テンプレートが存在しません。"

// Strip type of a template file name: the name up to its first ".".
QString stripTypeOfFile(const QString &fileName);
// Sorted strip types offered for the series (locale collation, case
// ignored, duplicates kept). Unreadable files are left out.
// The folders are merged (program, site, user) before sorting; the same
// type in two folders is listed twice, as two files of one folder are.
QStringList listTemplates(const Folders &folders, const QString &seriesCaption);
// The same with the folder each type comes from.
QList<Listed> listTemplateFiles(const Folders &folders, const QString &seriesCaption);
// Why a strip type cannot be made for a series whose templates do not
// offer it: "示名条のタイプ「T」はSにありません" (no full stop).
QString notOfferedProblem(const QString &stripType, const QString &seriesCaption);
// Path of the strip type's template (extension matched without regard to
// letter case), or empty when there is none.
// The first folder (program, site, user) holding it counts; `source` is set
// to that folder's kind.
QString templatePath(const Folders &folders, const QString &stripType, Source *source = nullptr);
bool templateExists(const Folders &folders, const QString &stripType);
// The template file of a type in one folder, or empty.
QString templatePathIn(const QString &folder, const QString &stripType);
// Why a type cannot be saved into the site or user folder: the program
// folder holds it (an installed name is never shadowed). Empty when it may be.
QString installedNameProblem(const Folders &folders, const QString &stripType);

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
void appendEntryFromTemplate(RegisterDocument &doc, const Folders &folders, const EntryHeader &header);

} // namespace templates
