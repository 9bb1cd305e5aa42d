#include "platform/userguide.h"

#include <QDir>
#include <QFileInfo>

namespace userguide {

QString language(const QString &uiLanguage)
{
    const QString lower = uiLanguage.toLower();
    const bool english = lower == QLatin1String("en") || lower.startsWith(QLatin1String("en-"))
                         || lower.startsWith(QLatin1String("en_"));
    return english ? QStringLiteral("en") : QStringLiteral("ja");
}

QStringList candidates(const QString &programFolder, const QString &language)
{
    const QString folder = programFolder.endsWith(u'/') ? programFolder : programFolder + u'/';
    const QString page = QStringLiteral("guide/%1/index.html").arg(language);
    const QString beside = QDir::cleanPath(folder + page);
    const QString installed = QDir::cleanPath(folder + QStringLiteral("../../share/doc/tavrel/") + page);
    if (QDir::cleanPath(folder).endsWith(QLatin1String("/lib/tavrel")))
        return {installed, beside};
    return {beside, installed};
}

Page firstPage(const QString &programFolder, const QString &uiLanguage)
{
    QStringList languages{language(uiLanguage)};
    if (languages.constFirst() != QLatin1String("ja"))
        languages.append(QStringLiteral("ja"));
    Page page;
    for (const QString &lang : languages)
        for (const QString &path : candidates(programFolder, lang)) {
            if (page.expected.isEmpty())
                page.expected = path;
            if (QFileInfo(path).isFile()) {
                page.path = path;
                return page;
            }
        }
    return page;
}

} // namespace userguide
