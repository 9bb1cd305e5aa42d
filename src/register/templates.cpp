#include "register/templates.h"

#include "register/registercheck.h"
#include "register/registerformat.h"

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

QString notOfferedProblem(const QString &stripType, const QString &seriesCaption)
{
    return QStringLiteral("示名条のタイプ「%1」は%2にありません").arg(stripType, seriesCaption);
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

QStringList instantiateBody(const QStringList &templateLines, const QString &templateName, const EntryHeader &header,
                            bool checked)
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
    // The template line each body line came from (a cell's added lines: its
    // key code line), for the message when the body does not pass check.
    QList<int> origin;
    auto copy = [&](int i) {
        out.append(T(i));
        origin.append(i + 1);
    };
    const int sections = intT(0);
    copy(0);
    int p = 1;
    int cellsTotal = 0;
    for (int s = 0; s < sections; ++s) {
        for (int k = 0; k < 5; ++k)
            copy(p + k);
        p += 5;
        const int cells = intT(p);
        cellsTotal += cells;
        copy(p);
        ++p;
        for (int c = 0; c < cells; ++c) {
            const QString &code = T(p + 14);
            for (int k = 0; k < 19; ++k)
                copy(p + k);
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
                out << QStringLiteral("1") << nameplate::plateText(code.mid(6), header);
            }
            while (origin.size() < out.size())
                origin.append(p + 15);
            p += 19;
        }
    }
    // The entry must pass the register check as the strip walk reads it: a
    // size or flag line that is no number would be written into the register
    // and refused by every later reader. A strip over the section or key
    // limit is the display's to report ("ボタンの数が多すぎます。"), which
    // builds what fits; it is made as before.
    if (checked || sections > regfmt::MaxSections || cellsTotal > regfmt::MaxCells)
        return out;
    QStringList probe{RegisterDocument::VersionLine, QStringLiteral("1"), RegisterDocument::markerLine(1)};
    for (int k = 0; k < regfmt::entry::HeaderLines; ++k)
        probe.append(QString());
    const int bodyStart = int(probe.size());
    probe += out;
    const QList<RegisterProblem> problems = checkRegister(RegisterLines(probe));
    if (!problems.isEmpty()) {
        const int at = problems.first().line - bodyStart;
        throw fail(at >= 0 && at < origin.size() ? origin.at(at) : 0);
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
    RegisterStep step(doc, QStringLiteral("示名条の作成"));
    const int n = doc.beginNewEntry(header);
    doc.appendLines(body);
    doc.finishNewEntry(n);
}

} // namespace templates
