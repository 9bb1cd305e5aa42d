#include "register/templates.h"

#include "register/registercheck.h"
#include "register/templatecheck.h"
#include "register/registerformat.h"

#include "platform/conversion.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "register/nameplate.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace templates {

const QString MissingMessage = QStringLiteral("テンプレートが存在しません。");
const QString SettingsSection = QStringLiteral("Templates");
const QString SiteKey = QStringLiteral("SiteDir");

QString sourceName(Source source)
{
    switch (source) {
    case Source::Program:
        return QStringLiteral("program");
    case Source::Site:
        return QStringLiteral("site");
    case Source::User:
        break;
    }
    return QStringLiteral("user");
}

QString userFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG path is invalid and is ignored, as the base directory rules say.
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    if (!data.endsWith(u'/'))
        data += u'/';
    return data + QStringLiteral("tavrel/templates/");
}

Folders Folders::standard(const QString &programFolder, const SettingsStore &settings)
{
    Folders f(programFolder, QString(), userFolder());
    f.settings = &settings;
    return f;
}

QString Folders::folder(Source source) const
{
    switch (source) {
    case Source::Program:
        return program;
    case Source::Site:
        return settings ? settings->readString(SettingsSection, SiteKey, QString()) : site;
    case Source::User:
        break;
    }
    return user;
}

QList<std::pair<QString, Source>> Folders::inOrder() const
{
    QList<std::pair<QString, Source>> result;
    for (Source s : {Source::Program, Source::Site, Source::User})
        if (const QString f = folder(s); !f.isEmpty())
            result.append({f, s});
    return result;
}

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

QList<Listed> listTemplateFiles(const Folders &folders, const QString &seriesCaption)
{
    QList<Listed> result;
    if (seriesCaption.isEmpty())
        return result;
    for (const auto &[folder, source] : folders.inOrder()) {
        for (const QFileInfo &fi : templateFiles(folder)) {
            try {
                // Only the series line is needed to decide; the file is read
                // whole as every reader of templates does.
                const QStringList lines = textfile::read(fi.filePath()).lines;
                if (!lines.isEmpty() && lines.at(0).contains(seriesCaption))
                    result.append({stripTypeOfFile(fi.fileName()), source, fi.filePath()});
            } catch (const TavrelError &) {
                // an unreadable template is not offered
            }
        }
    }
    // The user interface is Japanese, so the order is the Japanese one
    // whatever the process locale (under C.UTF-8 kanji would come first).
    // Equal names keep the folder order.
    QCollator collator{QLocale(QLocale::Japanese)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(), [&](const Listed &a, const Listed &b) {
        return collator.compare(a.stripType, b.stripType) < 0;
    });
    return result;
}

QStringList listTemplates(const Folders &folders, const QString &seriesCaption)
{
    QStringList result;
    for (const Listed &l : listTemplateFiles(folders, seriesCaption))
        result.append(l.stripType);
    return result;
}

QString templatePath(const Folders &folders, const QString &stripType, Source *source)
{
    for (const auto &[folder, kind] : folders.inOrder()) {
        const QString path = templatePathIn(folder, stripType);
        if (!path.isEmpty()) {
            if (source)
                *source = kind;
            return path;
        }
    }
    return QString();
}

QString installedNameProblem(const Folders &folders, const QString &stripType)
{
    if (folders.program.isEmpty() || templatePathIn(folders.program, stripType).isEmpty())
        return QString();
    return QStringLiteral("「%1」はインストールされたテンプレートの名前です。別の名前を付けてください。").arg(stripType);
}

QString templatePathIn(const QString &folder, const QString &stripType)
{
    if (folder.isEmpty() || stripType.isEmpty())
        return QString();
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

bool templateExists(const Folders &folders, const QString &stripType)
{
    return !stripType.isEmpty() && !templatePath(folders, stripType).isEmpty();
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
    // The template check's errors refuse the template before anything is
    // built; its warnings are the designer's and the CLI's to show.
    if (!checked)
        for (const Problem &p : checkTemplate(templateLines))
            if (p.isError())
                throw fail(std::max(p.line, 0));
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
    // and refused by every later reader. (A strip over the section or key
    // limit never gets here unchecked: the template check refuses it.)
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

void appendEntryFromTemplate(RegisterDocument &doc, const Folders &folders, const EntryHeader &header)
{
    const QString path = templatePath(folders, header.stripType);
    if (path.isEmpty())
        throw TavrelError(MissingMessage, TavrelError::Kind::MissingTemplate);
    const QStringList lines = textfile::read(path).lines;
    const QStringList body = instantiateBody(lines, QFileInfo(path).fileName(), header);
    RegisterStep step(doc, QStringLiteral("示名条の作成"));
    const int n = doc.beginNewEntry(header);
    doc.appendLines(body);
    doc.finishNewEntry(n);
}

} // namespace templates
