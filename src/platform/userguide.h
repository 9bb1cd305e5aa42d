#pragma once
// Where the user guide's first page lies. A build tree keeps the guide
// beside the programs (build/guide/LANG/index.html); an installed program
// lives in P/lib/tavrel/ and its guide in P/share/doc/tavrel/guide/LANG/.

#include <QString>
#include <QStringList>

namespace userguide {

// The guide's language folder for a user interface language ("en-US",
// "ja_JP", "C"): English for every English locale, Japanese otherwise.
QString language(const QString &uiLanguage);

// The places the first page may lie for a program whose folder is
// programFolder (ending in "/"), the likeliest first: the installed place
// for a program in .../lib/tavrel/, the build tree's otherwise.
QStringList candidates(const QString &programFolder, const QString &language);

struct Page
{
    QString path;     // the existing first page, or empty
    QString expected; // the place it was looked for first (for a message)
};

// The first page of the guide in the language of uiLanguage; an English
// reader without an English guide is given the Japanese one.
Page firstPage(const QString &programFolder, const QString &uiLanguage);

} // namespace userguide
