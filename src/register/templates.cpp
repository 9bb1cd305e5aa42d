#include "register/templates.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/nameplate.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace templates {

const QString MissingMessage = QStringLiteral("テンプレートが存在しません。");

QString stripTypeOfFile(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

static QFileInfoList templateFiles(const QString &folder)
{
    // Name filters match without regard to letter case, so *.tpl also finds *.TPL.
    return QDir(folder).entryInfoList({QStringLiteral("*.tpl")}, QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList listTemplates(const QString &folder, const QString &seriesCaption)
{
    QStringList result;
    for (const QFileInfo &fi : templateFiles(folder)) {
        try {
            const QStringList lines = textfile::read(fi.filePath()).lines;
            if (!lines.isEmpty() && !seriesCaption.isEmpty() && lines.at(0).contains(seriesCaption))
                result.append(stripTypeOfFile(fi.fileName()));
        } catch (const TavrelError &) {
            // an unreadable template is not offered
        }
    }
    // The user interface is Japanese, so the order is the Japanese one
    // whatever the process locale (under C.UTF-8 kanji would come first).
    QCollator collator{QLocale(QLocale::Japanese)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return result;
}

QString templatePath(const QString &folder, const QString &stripType)
{
    QString base = folder;
    if (!base.endsWith(u'/'))
        base += u'/';
    const QString wanted = stripType + QStringLiteral(".TPL");
    if (QFileInfo(base + wanted).isFile())
        return base + wanted;
    for (const QFileInfo &fi : templateFiles(folder))
        if (fi.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
            return fi.filePath();
    return QString();
}

bool templateExists(const QString &folder, const QString &stripType)
{
    return !stripType.isEmpty() && !templatePath(folder, stripType).isEmpty();
}

QStringList instantiateBody(const QStringList &templateLines, const QString &templateName, const EntryHeader &header)
{
    // T[0] is the section count once the series line is removed; line
    // numbers in messages are those of the template file.
    auto fail = [&](int fileLine) -> TavrelError {
        return TavrelError(QStringLiteral("テンプレート %1 の書式に誤りがあります（%2 行目）。")
                               .arg(templateName)
                               .arg(fileLine + 1));
    };
    const int size = int(templateLines.size()) - 1;
    auto T = [&](int i) -> const QString & {
        if (i < 0 || i >= size)
            throw fail(i + 1);
        return templateLines.at(i + 1);
    };
    auto intT = [&](int i) {
        int v;
        if (!tryParseInt(T(i), v))
            throw fail(i + 1);
        return v;
    };
    QStringList out;
    out.reserve(templateLines.size() * 2);
    const int sections = intT(0);
    out.append(T(0));
    int p = 1;
    for (int s = 0; s < sections; ++s) {
        for (int k = 0; k < 5; ++k)
            out.append(T(p + k));
        p += 5;
        const int cells = intT(p);
        out.append(T(p));
        ++p;
        for (int c = 0; c < cells; ++c) {
            const QString &code = T(p + 14);
            for (int k = 0; k < 19; ++k)
                out.append(T(p + k));
            const int v = parseIntOr(code.left(3), 0);
            if (v >= 1) {
                out << QStringLiteral("ＭＳ 明朝") << QStringLiteral("9") << QStringLiteral("0") << QStringLiteral("0")
                    << QStringLiteral("0") << QStringLiteral("2");
                for (int k = 0; k < 7; ++k)
                    out << QString();
                out << QStringLiteral("0");
            } else {
                const int w = parseIntOr(code.mid(4, 2), 9);
                out << QStringLiteral("ＭＳ Ｐゴシック") << QString::number(w) << QStringLiteral("0")
                    << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("2");
                for (int k = 0; k < 7; ++k)
                    out << QString();
                out << QStringLiteral("1") << nameplate::fill(code.mid(6), header);
            }
            p += 19;
        }
    }
    return out;
}

void appendEntryFromTemplate(RegisterDocument &doc, const QString &folder, const EntryHeader &header)
{
    const QString path = templatePath(folder, header.stripType);
    if (path.isEmpty())
        throw TavrelError(MissingMessage);
    const QStringList lines = textfile::read(path).lines;
    const QStringList body = instantiateBody(lines, QFileInfo(path).fileName(), header);
    const int n = doc.beginNewEntry(header);
    doc.appendLines(body);
    doc.finishNewEntry(n);
}

} // namespace templates
