#include "register/registerdocument.h"

#include "platform/conversion.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>

const QString RegisterDocument::VersionLine = QStringLiteral("file-version:01.01.00.00");
const QString RegisterDocument::FormatErrorMessage =
    QStringLiteral("ファイルの書式に誤りがあります。このデータは読み込めません。");

namespace {
constexpr int MarkerFeeds = 10;
}

RegisterDocument::RegisterDocument() = default;

// ---------------------------------------------------------------- markers

QString RegisterDocument::markerLine(qint64 n)
{
    return QString::number(n) + QString(MarkerFeeds, QChar(0x0C));
}

qint64 RegisterDocument::markerNumber(const QString &text)
{
    const qsizetype n = text.size();
    if (n < MarkerFeeds + 1 || text.at(n - 1).unicode() != 0x0C)
        return 0;
    for (qsizetype i = n - MarkerFeeds; i < n; ++i)
        if (text.at(i).unicode() != 0x0C)
            return 0;
    const qsizetype digits = n - MarkerFeeds;
    // The number part must be written exactly as QString::number writes it.
    const QChar *p = text.constData();
    qsizetype i = 0;
    bool negative = false;
    if (p[0] == u'-') {
        negative = true;
        i = 1;
    }
    if (i >= digits || digits - i > 18)
        return 0;
    if (p[i] == u'0' && digits - i > 1)
        return 0; // leading zero
    qint64 v = 0;
    for (; i < digits; ++i) {
        const char16_t c = p[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        v = v * 10 + (c - u'0');
    }
    if (negative)
        v = -v;
    return v; // "0" and "-0" give 0, which is never an entry number
}

void RegisterDocument::rebuildIndex()
{
    m_markers.clear();
    m_orderedPrefix = 0;
    for (int i = 0; i < m_lines.size(); ++i)
        if (const qint64 n = markerNumber(m_lines.at(i)))
            m_markers.push_back({i, n});
}

std::vector<RegisterDocument::Marker> RegisterDocument::firstMarkers(qint64 count) const
{
    std::vector<Marker> first;
    first.reserve(m_markers.size());
    for (const Marker &m : m_markers)
        if (m.number >= 1 && m.number <= count)
            first.push_back(m);
    // The index is in line order, so a stable sort keeps the first marker
    // of each number at the front of its run.
    const auto byNumber = [](const Marker &a, const Marker &b) { return a.number < b.number; };
    std::stable_sort(first.begin(), first.end(), byNumber);
    first.erase(std::unique(first.begin(), first.end(),
                            [](const Marker &a, const Marker &b) { return a.number == b.number; }),
                first.end());
    return first;
}

std::vector<RegisterDocument::Marker>::iterator RegisterDocument::lowerBound(int pos)
{
    return std::lower_bound(m_markers.begin(), m_markers.end(), pos,
                            [](const Marker &m, int p) { return m.pos < p; });
}

void RegisterDocument::indexInsert(int pos, qint64 number)
{
    auto it = lowerBound(pos);
    m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
    m_markers.insert(it, {pos, number});
}

void RegisterDocument::indexRemoveAt(int pos)
{
    auto it = lowerBound(pos);
    if (it != m_markers.end() && it->pos == pos) {
        m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
        m_markers.erase(it);
    }
}

void RegisterDocument::shiftIndex(int from, int delta)
{
    for (auto it = lowerBound(from); it != m_markers.end(); ++it)
        it->pos += delta;
}

int RegisterDocument::findEntry(qint64 n) const
{
    if (n <= 0)
        return -1;
    while (m_orderedPrefix < m_markers.size()
           && m_markers[m_orderedPrefix].number == qint64(m_orderedPrefix) + 1)
        ++m_orderedPrefix;
    if (quint64(n) <= m_orderedPrefix)
        return m_markers[size_t(n) - 1].pos;
    // Numbers 1..prefix are the only ones in the ordered run.
    for (size_t i = m_orderedPrefix; i < m_markers.size(); ++i)
        if (m_markers[i].number == n)
            return m_markers[i].pos;
    return -1;
}

int RegisterDocument::findEntryByScan(qint64 n) const
{
    const QString marker = markerLine(n);
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines.at(i).compare(marker, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// ---------------------------------------------------------------- lines

void throwMissingLine(int index)
{
    throw TavrelError(
        QStringLiteral("%1（%2 行目がありません）").arg(RegisterDocument::FormatErrorMessage).arg(index + 1));
}

const QString &checkedLine(const QStringList &lines, int index)
{
    if (index < 0 || index >= lines.size())
        throwMissingLine(index);
    return lines.at(index);
}

int checkedInt(const QStringList &lines, int index)
{
    return parseInt(checkedLine(lines, index), index);
}

const QString &RegisterDocument::line(int index) const
{
    return checkedLine(m_lines, index);
}

int RegisterDocument::intAt(int index) const
{
    return checkedInt(m_lines, index);
}

void RegisterDocument::setLine(int index, const QString &text)
{
    if (index < 0 || index >= m_lines.size())
        throwMissingLine(index);
    const qint64 oldN = markerNumber(m_lines.at(index));
    const qint64 newN = markerNumber(text);
    changed();
    m_lines[index] = text;
    if (oldN == newN)
        return;
    if (oldN && newN) {
        // A marker renumbered in place keeps its position in the index.
        auto it = lowerBound(index);
        m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
        it->number = newN;
        return;
    }
    if (oldN)
        indexRemoveAt(index);
    if (newN)
        indexInsert(index, newN);
}

void RegisterDocument::insertLines(int at, const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    at = std::clamp(at, 0, int(m_lines.size()));
    const int k = int(texts.size());
    changed();
    shiftIndex(at, k);
    // Opening a gap moves the tail in memory (QString is relocatable) rather
    // than copying millions of strings.
    m_lines.insert(at, k, QString());
    for (int i = 0; i < k; ++i)
        m_lines[at + i] = texts.at(i);
    for (int i = 0; i < k; ++i)
        if (const qint64 n = markerNumber(texts.at(i)))
            indexInsert(at + i, n);
}

void RegisterDocument::removeLines(int at, int count)
{
    if (at < 0 || count <= 0 || at >= m_lines.size())
        return;
    count = std::min(count, int(m_lines.size()) - at);
    changed();
    auto first = lowerBound(at);
    auto last = lowerBound(at + count);
    m_orderedPrefix = std::min(m_orderedPrefix, size_t(first - m_markers.begin()));
    m_markers.erase(first, last);
    shiftIndex(at + count, -count);
    m_lines.remove(at, count);
}

void RegisterDocument::appendLine(const QString &text)
{
    changed();
    m_lines.append(text);
    if (const qint64 n = markerNumber(text))
        m_markers.push_back({int(m_lines.size()) - 1, n});
}

void RegisterDocument::appendLines(const QStringList &texts)
{
    appendLines(texts, 0, int(texts.size()));
}

void RegisterDocument::appendLines(const QStringList &texts, int from, int count)
{
    m_lines.reserve(m_lines.size() + count);
    for (int i = from; i < from + count; ++i)
        appendLine(texts.at(i));
}

void RegisterDocument::setLines(const QStringList &lines)
{
    changed();
    m_lines = lines;
    rebuildIndex();
}

void RegisterDocument::reset()
{
    m_lines.clear();
    m_saved.clear();
    m_hasSaved = false;
    m_clean = true;
    m_markers.clear();
    m_orderedPrefix = 0;
    m_fileName.clear();
    m_currentHeaderLine = 0;
    m_currentEntryNumber = 0;
    m_encoding = TextEncoding::Cp932;
}

// ---------------------------------------------------------------- entries

EntryHeader RegisterDocument::headerAt(int h) const
{
    EntryHeader e;
    e.extension = line(h);
    e.department = line(h + 1);
    e.userName = line(h + 2);
    e.date = line(h + 3);
    e.seriesCaption = line(h + 4);
    e.stripType = line(h + 5);
    return e;
}

EntryHeader RegisterDocument::headerOfEntry(qint64 n) const
{
    const int f = findEntry(n);
    if (f < 0)
        throw TavrelError(QStringLiteral("示名条 %1 が見つかりません。").arg(n));
    return headerAt(f + 1);
}

void RegisterDocument::markSaved()
{
    m_saved = textfile::fingerprints(m_lines);
    m_hasSaved = true;
    m_clean = true;
}

bool RegisterDocument::isModified() const
{
    if (m_clean)
        return false;
    if (size_t(m_lines.size()) != m_saved.size())
        return true;
    return textfile::fingerprints(m_lines) != m_saved;
}

int RegisterDocument::entryCount() const
{
    if (m_lines.size() < 2)
        return 0;
    return intAt(1);
}

int RegisterDocument::entryOfLine(int index) const
{
    auto it = std::upper_bound(m_markers.begin(), m_markers.end(), index,
                               [](int p, const Marker &m) { return p < m.pos; });
    if (it == m_markers.begin())
        return 0;
    return int(std::prev(it)->number);
}

// ---------------------------------------------------------------- load, save

void RegisterDocument::convertOlderLayout()
{
    const QStringList &src = m_lines;
    const qsizetype size = src.size();
    auto intLine = [&](qsizetype q) -> qint64 {
        int v;
        if (q < 0 || q >= size || !tryParseInt(src.at(q), v))
            throw TavrelError(FormatErrorMessage);
        return v;
    };
    QStringList out;
    out.reserve(size + size / 4 + 1);
    out.append(VersionLine);
    qsizetype copied = 0; // src lines [0, copied) are in out
    auto copyThrough = [&](qsizetype q) {
        out.append(src.mid(copied, q + 1 - copied));
        copied = q + 1;
    };
    const QStringList empties(7, QString());
    const qint64 entries = intLine(0);
    qsizetype q = 1;
    for (qint64 e = 0; e < entries; ++e) {
        q += 7;
        const qint64 sections = intLine(q);
        ++q;
        for (qint64 s = 0; s < sections; ++s) {
            q += 5;
            const qint64 cells = intLine(q);
            ++q;
            for (qint64 c = 0; c < cells; ++c) {
                q += 24;
                if (q >= size)
                    throw TavrelError(FormatErrorMessage);
                copyThrough(q);
                out.append(empties);
                const qint64 k = intLine(q + 1);
                if (k < 0 || k > size)
                    throw TavrelError(FormatErrorMessage);
                q += 2 + k;
                if (q > size)
                    throw TavrelError(FormatErrorMessage); // text lines past the end
            }
        }
    }
    if (copied < size)
        out.append(src.mid(copied));
    setLines(out);
}

QList<EntryHeader> RegisterDocument::load(const QString &path)
{
    reset();
    QList<EntryHeader> rows;
    try {
        TextFileContent content = textfile::read(path, true);
        m_encoding = content.encoding;
        setLines(content.lines);
        content.lines.clear();
        if (m_lines.isEmpty())
            throw TavrelError(FormatErrorMessage);
        if (!m_lines.at(0).contains(QLatin1String("file-version:"))) {
            convertOlderLayout();
            markSaved();
        } else {
            m_saved = std::move(content.fingerprints);
            m_hasSaved = true;
            m_clean = true;
        }
        // Entries n = 1, 2, ... up to the count on line 1, each at its first
        // marker, missing ones skipped. Only numbers that have a marker are
        // visited, so that neither a huge count nor markers out of order
        // make this slow.
        for (const Marker &m : firstMarkers(intAt(1)))
            if (m.pos >= 1)
                rows.append(headerAt(m.pos + 1));
    } catch (...) {
        reset();
        throw;
    }
    if (!rows.isEmpty()) {
        m_currentHeaderLine = 3;
        m_currentEntryNumber = 1;
        m_fileName = path;
    }
    return rows;
}

QList<int> RegisterDocument::listedEntries() const
{
    QList<int> numbers;
    if (m_lines.size() < 2)
        return numbers;
    for (const Marker &m : firstMarkers(intAt(1)))
        if (m.pos >= 1)
            numbers.append(int(m.number));
    return numbers;
}

void RegisterDocument::save(const QString &path)
{
    try {
        textfile::write(path, m_lines, m_encoding);
    } catch (const EncodingError &e) {
        throw TavrelError(unencodableMessage(*this, e));
    }
    markSaved();
}

QString unencodableMessage(const RegisterDocument &doc, const EncodingError &e)
{
    const int entry = doc.entryOfLine(e.line());
    const QString ch = e.character();
    const QString code = e.codePoint();
    if (entry > 0) {
        QString ext;
        const int f = doc.findEntry(entry);
        if (f >= 0 && f + 1 < doc.lineCount())
            ext = doc.lines().at(f + 1);
        return QStringLiteral("示名条 %1（内線番号 %2）の文字「%3」(%4) はシフトJISで保存できません。保存を中止しました。")
            .arg(entry)
            .arg(ext, ch, code);
    }
    return QStringLiteral("%1 行目の文字「%2」(%3) はシフトJISで保存できません。保存を中止しました。")
        .arg(e.line() + 1)
        .arg(ch, code);
}

// ---------------------------------------------------------------- entry commands

int RegisterDocument::beginNewEntry(const EntryHeader &header)
{
    if (m_lines.isEmpty()) {
        appendLine(VersionLine);
        appendLine(QStringLiteral("1"));
        m_currentHeaderLine = 3;
    } else {
        // The count is checked before anything is written, so that a count
        // with no room above it leaves the document as it was.
        const qint64 next = qint64(intAt(1)) + 1;
        if (next > std::numeric_limits<int>::max())
            throw TavrelError(QStringLiteral("%1（2 行目の示名条の数 %2 はこれ以上増やせません）")
                                  .arg(FormatErrorMessage)
                                  .arg(next - 1));
        setLine(1, QString::number(next));
        m_currentHeaderLine = int(m_lines.size()) + 1;
    }
    const int n = intAt(1);
    appendLine(markerLine(n));
    appendLines(header.toLines());
    return n;
}

void RegisterDocument::appendEntryAsCopy(const EntryHeader &header, int source)
{
    const int s = findEntry(source);
    if (s < 1)
        throw TavrelError(QStringLiteral("複製元の示名条 %1 が見つかりません。").arg(source));
    int e = findEntry(qint64(source) + 1);
    if (e < 1)
        e = int(m_lines.size());
    if (s + 7 > e)
        throw TavrelError(FormatErrorMessage);
    const QStringList body = m_lines.mid(s + 7, e - (s + 7));
    beginNewEntry(header);
    appendLines(body);
}

void RegisterDocument::updateEntryHeader(int n, const EntryHeader &header)
{
    const int m = findEntry(n);
    if (m < 0)
        return;
    const QStringList values = header.toLines();
    if (m + 6 >= m_lines.size())
        throw TavrelError(FormatErrorMessage);
    for (int i = 0; i < 6; ++i)
        setLine(m + 1 + i, values.at(i));
}

int RegisterDocument::deleteEntries(QList<int> rows, int rowCount, const std::function<void(int)> &removeRow)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return rowCount;
    const qint64 count = intAt(1); // keeps its old value for the whole command
    for (qsizetype r = rows.size() - 1; r >= 0; --r) {
        const int d = rows.at(r);
        if (removeRow)
            removeRow(d);
        // The pass c = 0, 1, ... below the count, in one sweep. Steps below d
        // change nothing. Step d removes the first marker of entry d + 1 with
        // the lines up to the next marker of entry d + 2 (or the end). Each
        // later step c renumbers the first marker of entry c + 1 to c; no
        // step looks for a number an earlier step wrote, so these are the
        // first markers as they stand after the removal. Visiting only the
        // markers present keeps a huge count on line 1 from spinning.
        if (d < count) {
            const int m = findEntry(qint64(d) + 1);
            if (m >= 0) {
                int end = int(m_lines.size());
                for (auto it = lowerBound(m); it != m_markers.end(); ++it)
                    if (it->number == qint64(d) + 2) {
                        end = it->pos;
                        break;
                    }
                removeLines(m, end - m);
            }
        }
        for (const Marker &m : firstMarkers(count))
            if (m.number > qint64(d) + 1)
                setLine(m.pos, markerLine(m.number - 1));
    }
    const int remaining = rowCount - int(rows.size());
    if (remaining > 0) {
        setLine(1, QString::number(remaining));
    } else {
        changed();
        m_lines.clear();
        m_markers.clear();
        m_orderedPrefix = 0;
        m_currentHeaderLine = 0;
        m_currentEntryNumber = 0;
    }
    return remaining;
}
