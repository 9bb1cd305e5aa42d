#include "register/csvimport.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/linevalue.h"
#include "register/nameplate.h"
#include "register/registerhistory.h"
#include "register/series.h"
#include "register/templates.h"
#include "register/textrule.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <optional>

namespace csvimport {

namespace {


// Names a first row may give its columns, compared trimmed, without spaces
// and without regard to letter case.
const QList<std::pair<Column, QStringList>> &columnNames()
{
    static const QList<std::pair<Column, QStringList>> names = {
        {Column::Number, {QStringLiteral("番号"), QStringLiteral("no"), QStringLiteral("no."), QStringLiteral("entry")}},
        {Column::Series, {QStringLiteral("主装置のシリーズ"), QStringLiteral("シリーズ"), QStringLiteral("series")}},
        {Column::StripType,
         {QStringLiteral("示名条のタイプ"), QStringLiteral("タイプ"), QStringLiteral("type"), QStringLiteral("striptype")}},
        {Column::Extension, {QStringLiteral("内線番号"), QStringLiteral("内線"), QStringLiteral("extension"),
                             QStringLiteral("ext")}},
        {Column::Department, {QStringLiteral("部署"), QStringLiteral("department"), QStringLiteral("dept")}},
        {Column::UserName, {QStringLiteral("使用者名"), QStringLiteral("氏名"), QStringLiteral("user"),
                            QStringLiteral("username"), QStringLiteral("name")}},
        {Column::Date, {QStringLiteral("登録日時"), QStringLiteral("date")}},
        {Column::CopyFrom, {QStringLiteral("複製元"), QStringLiteral("複製元内線番号"), QStringLiteral("copy"),
                            QStringLiteral("copyfrom")}},
    };
    return names;
}

std::optional<Column> columnOfName(const QString &text)
{
    QString key = text.trimmed().toLower();
    key.remove(u' ');
    key.remove(QChar(0x3000));
    key.remove(u'_');
    key.remove(u'-');
    for (const auto &[column, names] : columnNames())
        if (names.contains(key))
            return column;
    return std::nullopt;
}

// Position of each column in a record, -1 when the file has none.
struct Layout
{
    QHash<Column, int> at;
    int of(Column c) const { return at.value(c, -1); }
};

// A first row is the column names when it names the extension and at least
// one other column.
std::optional<Layout> headerLayout(const QStringList &fields)
{
    Layout l;
    for (int i = 0; i < fields.size(); ++i)
        if (const std::optional<Column> c = columnOfName(fields.at(i)); c && !l.at.contains(*c))
            l.at.insert(*c, i);
    if (!l.at.contains(Column::Extension) || l.at.size() < 2)
        return std::nullopt;
    return l;
}

Layout plainLayout()
{
    Layout l;
    l.at = {{Column::Extension, 0}, {Column::Department, 1}, {Column::UserName, 2},
            {Column::Series, 3},    {Column::StripType, 4},  {Column::CopyFrom, 5}};
    return l;
}

// A field a register line cannot hold: a line break or another control
// character anywhere in it (before any trimming).
QString fieldFault(const QString &field, int column)
{
    const QString bad = textrule::controlCharacter(field);
    if (bad.isEmpty())
        return QString();
    if (bad == QLatin1String("\r") || bad == QLatin1String("\n"))
        return QStringLiteral("%1 列目に改行があります").arg(column + 1);
    return QStringLiteral("%1 列目に制御文字 (%2) があります").arg(column + 1).arg(textrule::codePoint(bad));
}

// A row with a value in a field past the last column would lose it.
QString extraFieldFault(const QStringList &fields, int columns)
{
    for (int i = columns; i < fields.size(); ++i)
        if (!trimControls(fields.at(i)).isEmpty())
            return QStringLiteral("項目が %1 個あり、列の数 (%2) より多くなっています").arg(fields.size()).arg(columns);
    return QString();
}

// Series column: a caption (letter case ignored) or an index 0 to 7.
int seriesOf(const QString &text)
{
    int index = series::indexOfCaption(text);
    if (index >= 0)
        return index;
    bool digits = !text.isEmpty();
    for (QChar c : text)
        digits = digits && c >= u'0' && c <= u'9';
    if (digits && text.size() <= 2) {
        index = text.toInt();
        if (index >= 0 && index < series::Count)
            return index;
    }
    return -1;
}

} // namespace

const QString NoRowsMessage = QStringLiteral("取り込む行がありません。");

int Analysis::soundCount() const
{
    int n = 0;
    for (const Row &r : rows)
        n += r.sound() ? 1 : 0;
    return n;
}

QStringList exportColumnNames()
{
    return {QStringLiteral("番号"),     QStringLiteral("主装置のシリーズ"), QStringLiteral("示名条のタイプ"),
            QStringLiteral("内線番号"), QStringLiteral("部署"),             QStringLiteral("使用者名"),
            QStringLiteral("登録日時")};
}

Analysis analyse(const QByteArray &bytes, const RegisterDocument &doc, const templates::Folders &templateFolder,
                 const QDateTime &now)
{
    const csv::Table table = csv::parse(bytes);
    Analysis a;
    a.encoding = table.encoding;
    Layout layout = plainLayout();
    int columns = int(layout.at.size());
    qsizetype first = 0;
    if (!table.records.isEmpty()) {
        if (const std::optional<Layout> named = headerLayout(table.records.at(0).fields)) {
            layout = *named;
            columns = int(table.records.at(0).fields.size());
            a.headerRow = true;
            first = 1;
        }
    }

    // The register's entries by extension (the first of each).
    QHash<QString, EntryHeader> registered;
    for (const RegisterLines::Marker &m : doc.listedEntries()) {
        const EntryHeader h = doc.headerAt(m.pos + 1);
        if (!registered.contains(h.extension))
            registered.insert(h.extension, h);
    }
    QHash<QString, int> fileRows;            // extension -> CSV line of its first row
    QHash<QString, EntryHeader> soundRows;   // extension -> header of a sound row
    QHash<int, QStringList> offered;         // series index -> strip types
    const TextEncoding encoding = doc.encoding();
    const QString stamp = EntryHeader::dateText(now);

    for (qsizetype k = first; k < table.records.size(); ++k) {
        const csv::Record &rec = table.records.at(k);
        Row row;
        row.line = rec.line;
        auto raw = [&](Column c) {
            const int i = layout.of(c);
            return i >= 0 && i < rec.fields.size() ? rec.fields.at(i) : QString();
        };
        auto problem = [&](const QString &p) {
            if (row.problem.isEmpty())
                row.problem = p;
        };
        if (!rec.fault.isEmpty())
            problem(rec.fault);
        problem(extraFieldFault(rec.fields, columns));
        // Only the columns that are used count; others may hold anything.
        for (const auto &[column, names] : columnNames()) {
            Q_UNUSED(names);
            const int i = layout.of(column);
            if (i >= 0 && i < rec.fields.size() && column != Column::Number)
                problem(fieldFault(rec.fields.at(i), i));
        }
        const QString seriesText = trimControls(raw(Column::Series));
        const int seriesIndex = seriesOf(seriesText);
        row.header.extension = textrule::mapInput(trimControls(raw(Column::Extension)), encoding);
        row.header.department = textrule::mapInput(trimControls(raw(Column::Department)), encoding);
        row.header.userName = textrule::mapInput(trimControls(raw(Column::UserName)), encoding);
        row.header.seriesCaption = seriesIndex >= 0 ? series::caption(seriesIndex) : seriesText;
        row.header.stripType = trimControls(raw(Column::StripType));
        const QString date = trimControls(raw(Column::Date));
        row.header.date = date.isEmpty() ? stamp : date;
        row.copyFrom = textrule::mapInput(trimControls(raw(Column::CopyFrom)), encoding);

        if (row.header.extension.isEmpty())
            problem(QStringLiteral("内線番号がありません"));
        for (const QString &v : row.header.toLines())
            if (linevalue::check(v).fault == linevalue::Fault::Marker)
                problem(QStringLiteral("示名条の区切り行と同じ形の項目があります"));
        if (const textrule::Refusal r = textrule::checkHeader(row.header, encoding)) {
            QString reason = r.message();
            reason.chop(1); // the rows' problems are listed without a full stop
            problem(reason);
        }
        if (seriesIndex < 0)
            problem(seriesText.isEmpty() ? QStringLiteral("主装置のシリーズがありません")
                                         : QStringLiteral("主装置のシリーズ「%1」はありません").arg(seriesText));
        std::optional<EntryHeader> source;
        if (!row.copyFrom.isEmpty()) {
            if (soundRows.contains(row.copyFrom))
                source = soundRows.value(row.copyFrom);
            else if (registered.contains(row.copyFrom))
                source = registered.value(row.copyFrom);
            else
                problem(QStringLiteral("複製元の内線番号 %1 はありません").arg(row.copyFrom));
            if (source && row.header.stripType.isEmpty())
                row.header.stripType = source->stripType;
        }
        if (seriesIndex >= 0) {
            if (!offered.contains(seriesIndex))
                offered.insert(seriesIndex, templates::listTemplates(templateFolder, series::caption(seriesIndex)));
            if (row.header.stripType.isEmpty())
                problem(QStringLiteral("示名条のタイプがありません"));
            else if (!offered.value(seriesIndex).contains(row.header.stripType))
                problem(templates::notOfferedProblem(row.header.stripType, series::caption(seriesIndex)));
        }
        if (source && source->stripType != row.header.stripType)
            problem(QStringLiteral("複製元 %1 の示名条のタイプ「%2」が違います").arg(row.copyFrom, source->stripType));
        if (!date.isEmpty() && !EntryHeader::isDateText(date))
            problem(QStringLiteral("登録日時「%1」は yyyy/mm/dd hh:nn の形ではありません").arg(date));
        if (!row.header.extension.isEmpty()) {
            if (fileRows.contains(row.header.extension))
                problem(QStringLiteral("内線番号 %1 はこのファイルの %2 行目と重複しています")
                            .arg(row.header.extension)
                            .arg(fileRows.value(row.header.extension)));
            else
                fileRows.insert(row.header.extension, row.line);
            if (registered.contains(row.header.extension))
                problem(QStringLiteral("内線番号 %1 はすでに登録されています").arg(row.header.extension));
        }
        if (row.sound())
            soundRows.insert(row.header.extension, row.header);
        a.rows.append(row);
    }
    return a;
}

QList<int> importCsvRows(RegisterDocument &doc, const Analysis &analysis, const templates::Folders &templateFolder)
{
    // Everything that can fail is done first: every template is read and
    // instantiated once (which checks it whole) and every copy source is
    // found. The bodies themselves are made one at a time while appending,
    // so that a large import never holds them all at once.
    struct Template
    {
        QStringList lines;
        QString fileName;
        int bodyLines = 0;
        qsizetype bodyBytes = 0; // at most two bytes a character and a line end
    };
    QHash<QString, Template> templateFiles;
    QHash<QString, int> entryOfExtension;
    for (const RegisterLines::Marker &m : doc.listedEntries()) {
        const QString ext = doc.headerAt(m.pos + 1).extension;
        if (!entryOfExtension.contains(ext))
            entryOfExtension.insert(ext, int(m.number));
    }
    QList<int> sources; // per sound row: the entry copied, or 0
    int next = doc.entryCount();
    for (const Row &row : analysis.rows) {
        if (!row.sound())
            continue;
        int source = 0;
        if (!row.copyFrom.isEmpty()) {
            source = entryOfExtension.value(row.copyFrom, 0);
            if (source < 1)
                throw TavrelError(QStringLiteral("複製元の内線番号 %1 はありません。").arg(row.copyFrom));
        } else if (!templateFiles.contains(row.header.stripType)) {
            const QString &type = row.header.stripType;
            const QString path = templates::templatePath(templateFolder, type);
            if (path.isEmpty())
                throw TavrelError(templates::MissingMessage, TavrelError::Kind::MissingTemplate);
            Template t{textfile::read(path).lines, QFileInfo(path).fileName()};
            // throws for a malformed template
            const QStringList body = templates::instantiateBody(t.lines, t.fileName, row.header);
            t.bodyLines = int(body.size());
            for (const QString &l : body)
                t.bodyBytes += 2 * l.size() + 2;
            templateFiles.insert(type, t);
        }
        for (const QString &v : row.header.toLines())
            RegisterLines::requireSingleLine(v);
        sources.append(source);
        ++next;
        entryOfExtension.insert(row.header.extension, next);
    }

    // The store takes room for the new entries at once (header lines at
    // most 20 characters each).
    qint64 lines = 0, bytes = 0;
    qsizetype k = 0;
    for (const Row &row : analysis.rows) {
        if (!row.sound() || sources.at(k++) > 0)
            continue;
        const Template &t = templateFiles[row.header.stripType];
        lines += 1 + regfmt::entry::HeaderLines + t.bodyLines;
        bytes += 16 + regfmt::entry::HeaderLines * 42 + t.bodyBytes;
    }
    if (lines < std::numeric_limits<int>::max())
        doc.reserveLines(int(lines), bytes);

    // The whole import is one step to undo.
    RegisterStep step(doc, QStringLiteral("CSV取込み"));
    QList<int> added;
    added.reserve(sources.size());
    k = 0;
    for (const Row &row : analysis.rows) {
        if (!row.sound())
            continue;
        const int source = sources.at(k++);
        if (source > 0) {
            nameplate::appendEntryAsCopy(doc, row.header, source);
            added.append(doc.entryCount());
        } else {
            const Template &t = templateFiles[row.header.stripType];
            // The template was checked whole when it was read above.
            const QStringList body = templates::instantiateBody(t.lines, t.fileName, row.header, true);
            const int n = doc.beginNewEntry(row.header);
            doc.appendLines(body);
            doc.finishNewEntry(n);
            added.append(n);
        }
    }
    return added;
}

QList<QStringList> exportRecords(const RegisterDocument &doc)
{
    QList<QStringList> records;
    records.append(exportColumnNames());
    for (const RegisterLines::Marker &m : doc.listedEntries()) {
        const EntryHeader h = doc.headerAt(m.pos + 1);
        records.append({QString::number(m.number), h.seriesCaption, h.stripType, h.extension, h.department,
                        h.userName, h.date});
    }
    return records;
}

QByteArray exportCsv(const RegisterDocument &doc, csv::Encoding encoding)
{
    const QList<QStringList> records = exportRecords(doc);
    try {
        return csv::write(records, encoding);
    } catch (const EncodingError &e) {
        // Record r + 1 of the file is the entry listed r-th.
        const int r = e.line();
        const QString ext = r >= 1 && r < records.size() ? records.at(r).at(3) : QString();
        throw EncodingError(QStringLiteral("示名条 %1（内線番号 %2）の文字「%3」(%4) はシフトJISで書き出せません。"
                                           "UTF-8 で書き出してください。")
                                .arg(r >= 1 && r < records.size() ? records.at(r).at(0) : QString(), ext,
                                     e.character(), e.codePoint()),
                            r, e.character());
    }
}

} // namespace csvimport
