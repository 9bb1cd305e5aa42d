#include "register/registerlines.h"

#include "platform/conversion.h"
#include "platform/fixed4.h"
#include "platform/memory.h"
#include "register/registerformat.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

namespace {
// Every set of bytes a store takes gets a number of its own.
std::atomic<quint64> nextBaseId{1};
} // namespace


// ---------------------------------------------------------------- index

void LineIndex::writeBlock(size_t b, const quint32 *values, size_t n)
{
    const size_t first = b << Shift;
    quint32 lo = values[0], hi = values[0];
    for (size_t j = 1; j < n; ++j) {
        lo = std::min(lo, values[j]);
        hi = std::max(hi, values[j]);
    }
    if (hi - lo < Wide) {
        if (m_isWide[b]) {
            m_freeWide.push_back(m_base[b]);
            m_isWide[b] = 0;
        }
        m_base[b] = lo;
        for (size_t j = 0; j < n; ++j)
            m_off[first + j] = quint16(values[j] - lo);
        return;
    }
    if (!m_isWide[b]) {
        if (!m_freeWide.empty()) {
            m_base[b] = m_freeWide.back();
            m_freeWide.pop_back();
        } else {
            m_base[b] = quint32(m_wide.size());
            m_wide.emplace_back();
        }
        m_isWide[b] = 1;
    }
    WideBlock &w = m_wide[m_base[b]];
    for (size_t j = 0; j < n; ++j) {
        w[j] = values[j];
        m_off[first + j] = Wide;
    }
}

void LineIndex::moveLines(size_t b, size_t src, size_t n)
{
    // The lines come from at most two blocks. When both are compact, their
    // offsets are copied and those of the second block moved to the first
    // one's base; only when that does not fit are the values computed.
    const size_t a = src >> Shift;
    const size_t c1 = std::min(n, BlockLines - (src & Mask));
    const bool second = c1 < n;
    if (!m_isWide[a] && !(second && m_isWide[a + 1])) {
        quint16 offs[BlockLines];
        std::memcpy(offs, &m_off[src], n * sizeof(quint16));
        bool fits = true;
        if (second) {
            const qint64 delta = qint64(m_base[a + 1]) - qint64(m_base[a]);
            for (size_t j = c1; j < n; ++j) {
                const qint64 o = qint64(offs[j]) + delta;
                fits &= o >= 0 && o < Wide;
                offs[j] = quint16(o);
            }
        }
        if (fits) {
            const quint32 base = m_base[a];
            if (m_isWide[b]) {
                m_freeWide.push_back(m_base[b]);
                m_isWide[b] = 0;
            }
            m_base[b] = base;
            std::memcpy(&m_off[b << Shift], offs, n * sizeof(quint16));
            return;
        }
    }
    quint32 values[BlockLines];
    for (size_t j = 0; j < n; ++j)
        values[j] = (*this)[src + j];
    writeBlock(b, values, n);
}

void LineIndex::set(size_t i, quint32 value)
{
    const size_t b = i >> Shift;
    if (m_isWide[b]) {
        // Kept whole; compact again once the values fit one base.
        WideBlock &w = m_wide[m_base[b]];
        w[i & Mask] = value;
        const size_t n = std::min(BlockLines, m_off.size() - (b << Shift));
        const auto [lo, hi] = std::minmax_element(w.begin(), w.begin() + n);
        if (*hi - *lo < Wide)
            writeBlock(b, w.data(), n);
        return;
    }
    if (value >= m_base[b] && value - m_base[b] < Wide) {
        m_off[i] = quint16(value - m_base[b]);
        return;
    }
    // The block takes another base, or is kept whole.
    const size_t first = b << Shift;
    const size_t n = std::min(BlockLines, m_off.size() - first);
    quint32 values[BlockLines];
    for (size_t j = 0; j < n; ++j)
        values[j] = first + j == i ? value : (*this)[first + j];
    writeBlock(b, values, n);
}

void LineIndex::appendBlock(const quint32 *values, size_t n)
{
    const size_t b = m_base.size();
    const size_t first = m_off.size();
    m_base.push_back(values[0]);
    m_isWide.push_back(0);
    m_off.resize(first + n);
    if (values[n - 1] - values[0] < Wide) {
        // Ascending: the first is the lowest, the last the highest.
        quint16 *o = m_off.data() + first;
        const quint32 base = values[0];
        for (size_t j = 0; j < n; ++j)
            o[j] = quint16(values[j] - base);
        return;
    }
    writeBlock(b, values, n);
}

void LineIndex::pushSlow(quint32 value)
{
    const size_t i = m_off.size();
    if ((i & Mask) == 0) {
        m_base.push_back(value);
        m_isWide.push_back(0);
        m_off.push_back(0);
        return;
    }
    m_off.push_back(m_isWide.back() ? Wide : 0);
    set(i, value);
}

void LineIndex::insertGap(size_t at, size_t k)
{
    if (k == 0)
        return;
    const size_t newSize = m_off.size() + k;
    const size_t newBlocks = (newSize + Mask) >> Shift;
    m_off.resize(newSize, 0);
    m_base.resize(newBlocks, 0);
    m_isWide.resize(newBlocks, 0);
    const size_t gapEnd = at + k;
    // The gap holds a neighbour's value until set, so that it does not make
    // its block wide: new lines mostly lie next to it.
    const quint32 filler = at > 0 ? (*this)[at - 1] : gapEnd < newSize ? (*this)[0] : 0;
    const size_t firstAfter = std::min(newBlocks, (gapEnd + Mask) >> Shift);
    // From the last block back, so that every old line is read before its
    // place is written: a block wholly after the gap takes the old lines k
    // before it, which lie in it or in earlier blocks.
    for (size_t b = newBlocks; b-- > firstAfter;) {
        const size_t first = b << Shift;
        moveLines(b, first - k, std::min(BlockLines, newSize - first));
    }
    // The blocks that hold the gap, line by line.
    quint32 values[BlockLines];
    for (size_t b = firstAfter; b-- > (at >> Shift);) {
        const size_t first = b << Shift;
        const size_t n = std::min(BlockLines, newSize - first);
        for (size_t j = 0; j < n; ++j) {
            const size_t line = first + j;
            values[j] = line < at ? (*this)[line] : line < gapEnd ? filler : (*this)[line - k];
        }
        writeBlock(b, values, n);
    }
}

void LineIndex::erase(size_t at, size_t k)
{
    if (k == 0)
        return;
    const size_t newSize = m_off.size() - k;
    const size_t newBlocks = (newSize + Mask) >> Shift;
    const size_t b0 = at >> Shift;
    // The block that holds `at`, line by line; then, from there on, each
    // block takes the old lines k after it, which no block written so far
    // held.
    if (b0 < newBlocks) {
        const size_t first = b0 << Shift;
        const size_t n = std::min(BlockLines, newSize - first);
        quint32 values[BlockLines];
        for (size_t j = 0; j < n; ++j) {
            const size_t line = first + j;
            values[j] = (*this)[line < at ? line : line + k];
        }
        writeBlock(b0, values, n);
    }
    for (size_t b = b0 + 1; b < newBlocks; ++b) {
        const size_t first = b << Shift;
        moveLines(b, first + k, std::min(BlockLines, newSize - first));
    }
    for (size_t b = newBlocks; b < m_base.size(); ++b)
        if (m_isWide[b])
            m_freeWide.push_back(m_base[b]);
    m_off.resize(newSize);
    m_base.resize(newBlocks);
    m_isWide.resize(newBlocks);
}

void LineIndex::clear()
{
    m_base.clear();
    m_off.clear();
    m_isWide.clear();
    m_wide.clear();
    m_freeWide.clear();
}

void LineIndex::reserve(size_t n)
{
    m_off.reserve(n);
    m_base.reserve((n + Mask) >> Shift);
    m_isWide.reserve((n + Mask) >> Shift);
    memory::adviseHugePages(m_off.data(), m_off.capacity() * sizeof(quint16));
}

qint64 LineIndex::memoryBytes() const
{
    // The reservation beyond the lines is address space only.
    return qint64(m_off.size()) * 2 + qint64(m_base.size()) * 5
           + qint64(m_wide.capacity()) * qint64(sizeof(WideBlock)) + qint64(m_freeWide.capacity()) * 4;
}

// ---------------------------------------------------------------- building

RegisterLines::RegisterLines(const QStringList &lines)
{
    for (const QString &l : lines)
        m_index.push_back(newSlot(l));
    rebuildMarkers();
}

RegisterLines RegisterLines::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() >= qsizetype(RegisterLines::EditedBit))
        throw FileError(QStringLiteral("ファイルが大きすぎます（2 GB 以上）。"));
    RegisterLines r;
    int mark = 0;
    r.m_encoding = textfile::detectEncoding(bytes, &mark);
    r.m_bytes = mark ? bytes.mid(mark) : bytes;
    r.indexAll();
    return r;
}

void RegisterLines::indexAll()
{
    m_index.clear();
    m_edited.clear();
    m_freeSlots.clear();
    m_editedCount = 0;
    m_markers.clear();
    m_orderedPrefix = 0;
    m_baseId = nextBaseId++;
    m_baseSize = quint32(m_bytes.size());
    const char *data = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    // One pass over the bytes: line starts, and the markers, which are the
    // only lines that end in a form feed.
    // No file has more lines than bytes. The reservation is address space
    // only until lines are written, so one pass fills it without moving.
    m_index.reserve(size_t(n / textfile::unitSize(m_encoding) + 1));
    const int unit = textfile::unitSize(m_encoding);
    const bool le = m_encoding == TextEncoding::Utf16LE;
    // Line starts are gathered a block at a time and the block written at
    // once.
    quint32 block[LineIndex::BlockLines];
    size_t filled = 0;
    int i = -1;
    textfile::forEachLine(data, n, m_encoding, [&](qsizetype start, qsizetype end) {
        ++i;
        block[filled++] = quint32(start);
        if (filled == LineIndex::BlockLines) {
            m_index.appendBlock(block, filled);
            filled = 0;
        }
        if (end - start < (regfmt::MarkerFeeds + 1) * unit)
            return;
        const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
        const bool feed = unit == 1 ? p[end - 1] == 0x0C
                                    : (le ? (p[end - 2] == 0x0C && p[end - 1] == 0) : (p[end - 2] == 0 && p[end - 1] == 0x0C));
        if (!feed)
            return;
        qint64 number = 0;
        if (unit == 1) {
            // Digits and form feeds are single bytes in CP932 and UTF-8.
            number = markerNumberOf(QString::fromLatin1(data + start, end - start));
        } else {
            number = markerNumberOf(textfile::decodeLine(m_encoding, data + start, end - start));
        }
        if (number)
            m_markers.push_back({i, number});
    });
    if (filled)
        m_index.appendBlock(block, filled);
    // The unused end of the reservation is never touched, so it takes
    // address space only; shrinking would copy the whole index.
    m_dirty = false;
}

// ---------------------------------------------------------------- reading

qsizetype RegisterLines::originalLength(quint32 offset) const
{
    const char *data = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    if (textfile::unitSize(m_encoding) == 1) {
        // The line ends at the first CR or LF.
        const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
        qsizetype i = offset;
        while (i < n && (p[i] > '\r' || (p[i] != '\r' && p[i] != '\n')))
            ++i;
        return i - offset;
    }
    const bool le = m_encoding == TextEncoding::Utf16LE;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = offset;
    for (; i + 1 < n; i += 2) {
        const unsigned u = le ? (p[i] | p[i + 1] << 8) : (p[i] << 8 | p[i + 1]);
        if (u == '\r' || u == '\n')
            return i - offset;
    }
    return n - offset;
}

QString RegisterLines::decodeOriginal(quint32 offset, bool *valid) const
{
    return textfile::decodeLine(m_encoding, m_bytes.constData() + offset, originalLength(offset), valid);
}

QString RegisterLines::at(int i) const
{
    const quint32 e = m_index[size_t(i)];
    if (e & EditedBit)
        return m_edited[e & ~EditedBit];
    return decodeOriginal(e);
}

QString RegisterLines::line(int i) const
{
    if (i < 0 || i >= size())
        throwMissingLine(i);
    return at(i);
}

bool RegisterLines::asciiCompatibleBytes(int i, QByteArrayView &bytes) const
{
    const quint32 e = m_index[size_t(i)];
    if ((e & EditedBit) || textfile::unitSize(m_encoding) != 1)
        return false;
    bytes = QByteArrayView(m_bytes.constData() + e, originalLength(e));
    return true;
}

int RegisterLines::intAt(int i) const
{
    if (i < 0 || i >= size())
        throwMissingLine(i);
    QByteArrayView bytes;
    int v = 0;
    if (asciiCompatibleBytes(i, bytes) && tryParseInt(bytes, v))
        return v;
    return parseInt(at(i), i);
}

Fixed4 RegisterLines::fixedAt(int i) const
{
    if (i < 0 || i >= size())
        throwMissingLine(i);
    QByteArrayView bytes;
    Fixed4 v;
    if (asciiCompatibleBytes(i, bytes) && Fixed4::tryParse(bytes, v))
        return v;
    return Fixed4::parse(at(i), i);
}

QStringList RegisterLines::mid(int from, int n) const
{
    QStringList out;
    const int last = n < 0 ? size() : int(std::min<qint64>(size(), qint64(from) + n));
    for (int i = std::max(from, 0); i < last; ++i)
        out.append(at(i));
    return out;
}

QStringList RegisterLines::toStringList() const
{
    return mid(0);
}

bool RegisterLines::isEdited(int i) const
{
    return i >= 0 && i < size() && (m_index[size_t(i)] & EditedBit || m_index[size_t(i)] >= m_baseSize);
}

bool RegisterLines::isUndecodable(int i) const
{
    if (i < 0 || i >= size() || (m_index[size_t(i)] & EditedBit))
        return false;
    const quint32 e = m_index[size_t(i)];
    return !textfile::isValidText(m_encoding, m_bytes.constData() + e, originalLength(e));
}

std::vector<int> RegisterLines::undecodableLines() const
{
    std::vector<int> out;
    // An unchanged line is a piece of the bytes cut at line ends, which are
    // part of no CP932 character: when the bytes are all valid (or all
    // ASCII), so is every unchanged line, and one pass over them answers.
    const char *data = m_bytes.constData();
    if (m_encoding == TextEncoding::Cp932 ? textfile::isValidText(m_encoding, data, m_bytes.size())
                                          : textfile::unitSize(m_encoding) == 1
                                                && textfile::asciiPrefix(data, m_bytes.size()) == m_bytes.size())
        return out;
    for (int i = 0; i < size(); ++i)
        if (isUndecodable(i))
            out.push_back(i);
    return out;
}

// ---------------------------------------------------------------- markers

qint64 RegisterLines::markerNumberOf(const QString &text)
{
    const qsizetype n = text.size();
    const int feeds = regfmt::MarkerFeeds;
    if (n < feeds + 1 || text.at(n - 1).unicode() != 0x0C)
        return 0;
    for (qsizetype i = n - feeds; i < n; ++i)
        if (text.at(i).unicode() != 0x0C)
            return 0;
    const qsizetype digits = n - feeds;
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

qint64 RegisterLines::markerAt(int i) const
{
    auto it = std::lower_bound(m_markers.begin(), m_markers.end(), i,
                               [](const Marker &m, int p) { return m.pos < p; });
    return it != m_markers.end() && it->pos == i ? it->number : 0;
}

void RegisterLines::rebuildMarkers()
{
    m_markers.clear();
    m_orderedPrefix = 0;
    for (int i = 0; i < size(); ++i) {
        const quint32 e = m_index[size_t(i)];
        // Only a line that ends in a form feed can be a marker.
        if (e & EditedBit) {
            if (const qint64 n = markerNumberOf(m_edited[e & ~EditedBit]))
                m_markers.push_back({i, n});
        } else if (const qint64 n = markerNumberOf(decodeOriginal(e))) {
            m_markers.push_back({i, n});
        }
    }
}

std::vector<RegisterLines::Marker> RegisterLines::firstMarkers(qint64 count) const
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

std::vector<RegisterLines::Marker>::iterator RegisterLines::lowerBound(int pos)
{
    return std::lower_bound(m_markers.begin(), m_markers.end(), pos,
                            [](const Marker &m, int p) { return m.pos < p; });
}

void RegisterLines::markerInsert(int pos, qint64 number)
{
    auto it = lowerBound(pos);
    m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
    m_markers.insert(it, {pos, number});
}

void RegisterLines::markerRemoveAt(int pos)
{
    auto it = lowerBound(pos);
    if (it != m_markers.end() && it->pos == pos) {
        m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
        m_markers.erase(it);
    }
}

void RegisterLines::shiftMarkers(int from, int delta)
{
    for (auto it = lowerBound(from); it != m_markers.end(); ++it)
        it->pos += delta;
}

int RegisterLines::findEntry(qint64 n) const
{
    if (n <= 0)
        return -1;
    while (m_orderedPrefix < m_markers.size() && m_markers[m_orderedPrefix].number == qint64(m_orderedPrefix) + 1)
        ++m_orderedPrefix;
    if (quint64(n) <= m_orderedPrefix)
        return m_markers[size_t(n) - 1].pos;
    // Numbers 1..prefix are the only ones in the ordered run.
    for (size_t i = m_orderedPrefix; i < m_markers.size(); ++i)
        if (m_markers[i].number == n)
            return m_markers[i].pos;
    return -1;
}

QString RegisterLines::markerText(qint64 n)
{
    return QString::number(n) + QString(regfmt::MarkerFeeds, QChar(0x0C));
}

int RegisterLines::findEntryByScan(qint64 n) const
{
    const QString marker = markerText(n);
    for (int i = 0; i < size(); ++i)
        if (at(i).compare(marker, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int RegisterLines::entryOfLine(int i) const
{
    auto it = std::upper_bound(m_markers.begin(), m_markers.end(), i,
                               [](int p, const Marker &m) { return p < m.pos; });
    if (it == m_markers.begin())
        return 0;
    return int(std::prev(it)->number);
}

int RegisterLines::findMarkerFrom(int from, qint64 n) const
{
    auto it = std::lower_bound(m_markers.begin(), m_markers.end(), from,
                               [](const Marker &m, int p) { return m.pos < p; });
    for (; it != m_markers.end(); ++it)
        if (it->number == n)
            return it->pos;
    return -1;
}

int RegisterLines::nextMarkerAfter(int i) const
{
    auto it = std::upper_bound(m_markers.begin(), m_markers.end(), i,
                               [](int p, const Marker &m) { return p < m.pos; });
    return it == m_markers.end() ? size() : it->pos;
}

// ---------------------------------------------------------------- changing

void RegisterLines::requireSingleLine(const QString &text)
{
    for (QChar c : text)
        if (c == u'\r' || c == u'\n')
            throw TavrelError(QStringLiteral("改行を含む値は登録できません。"));
}

quint32 RegisterLines::storeInserted(const QString &text)
{
    // In CP932 and UTF-8 an inserted line that can be written is kept as
    // its bytes after those read, with a line end after it: it costs its
    // bytes instead of a string, and saving copies it like a line read.
    // Anything else (UTF-16, a character the encoding lacks, U+FFFD) is
    // kept as text, so that saving refuses it as before.
    // (CP932 has no U+FFFD: its encoder refuses it.)
    if (textfile::unitSize(m_encoding) != 1 || (m_encoding != TextEncoding::Cp932 && text.contains(QChar(0xFFFD))))
        return newSlot(text);
    const qsizetype start = m_bytes.size();
    if (start > 0 && m_bytes.back() != '\r' && m_bytes.back() != '\n') {
        // The last line read had no line end: it gets one, so that it still
        // ends where it did.
        m_bytes.append("\r\n", 2);
        return storeInserted(text);
    }
    if (!textfile::encodeLine(m_encoding, text, m_bytes))
        return newSlot(text);
    m_bytes.append("\r\n", 2);
    if (m_bytes.size() >= qsizetype(EditedBit)) {
        m_bytes.truncate(start);
        return newSlot(text);
    }
    return quint32(start);
}

quint32 RegisterLines::newSlot(const QString &text)
{
    ++m_editedCount;
    if (!m_freeSlots.empty()) {
        const quint32 s = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_edited[s] = text;
        return EditedBit | s;
    }
    m_edited.push_back(text);
    return EditedBit | quint32(m_edited.size() - 1);
}

void RegisterLines::freeSlot(quint32 entry)
{
    if (!(entry & EditedBit))
        return;
    const quint32 s = entry & ~EditedBit;
    m_edited[s] = QString();
    m_freeSlots.push_back(s);
    --m_editedCount;
}

void RegisterLines::set(int i, const QString &text)
{
    if (i < 0 || i >= size())
        throwMissingLine(i);
    requireSingleLine(text);
    const qint64 oldN = markerAt(i);
    const qint64 newN = markerNumberOf(text);
    m_dirty = true;
    const quint32 e = m_index[size_t(i)];
    if (e & EditedBit)
        m_edited[e & ~EditedBit] = text;
    else
        m_index.set(size_t(i), newSlot(text));
    if (oldN == newN)
        return;
    if (oldN && newN) {
        // A marker renumbered in place keeps its position in the index.
        auto it = lowerBound(i);
        m_orderedPrefix = std::min(m_orderedPrefix, size_t(it - m_markers.begin()));
        it->number = newN;
        return;
    }
    if (oldN)
        markerRemoveAt(i);
    if (newN)
        markerInsert(i, newN);
}

void RegisterLines::insert(int at, const QStringList &texts, bool asBytes)
{
    if (texts.isEmpty())
        return;
    for (const QString &t : texts)
        requireSingleLine(t);
    at = std::clamp(at, 0, size());
    const int k = int(texts.size());
    m_dirty = true;
    shiftMarkers(at, k);
    m_index.insertGap(size_t(at), size_t(k));
    for (int j = 0; j < k; ++j)
        m_index.set(size_t(at + j), asBytes ? storeInserted(texts.at(j)) : newSlot(texts.at(j)));
    for (int j = 0; j < k; ++j)
        if (const qint64 n = markerNumberOf(texts.at(j)))
            markerInsert(at + j, n);
}

void RegisterLines::reserve(int lines, qsizetype bytes)
{
    m_index.reserve(m_index.size() + size_t(std::max(lines, 0)));
    if (textfile::unitSize(m_encoding) == 1 && bytes > 0 && m_bytes.size() + bytes < qsizetype(EditedBit))
        m_bytes.reserve(m_bytes.size() + bytes);
}

void RegisterLines::remove(int at, int count)
{
    if (at < 0 || count <= 0 || at >= size())
        return;
    count = std::min(count, size() - at);
    m_dirty = true;
    auto first = lowerBound(at);
    auto last = lowerBound(at + count);
    m_orderedPrefix = std::min(m_orderedPrefix, size_t(first - m_markers.begin()));
    m_markers.erase(first, last);
    shiftMarkers(at + count, -count);
    for (int j = at; j < at + count; ++j)
        freeSlot(m_index[size_t(j)]);
    m_index.erase(size_t(at), size_t(count));
}

void RegisterLines::append(const QString &text)
{
    requireSingleLine(text);
    m_dirty = true;
    m_index.push_back(newSlot(text));
    if (const qint64 n = markerNumberOf(text))
        m_markers.push_back({size() - 1, n});
}

void RegisterLines::append(const QStringList &texts)
{
    for (const QString &t : texts)
        requireSingleLine(t);
    // Room grows geometrically: reserving the exact size on every call
    // would copy the whole index for each entry appended.
    const size_t slots = m_edited.size() + size_t(texts.size());
    if (slots > m_edited.capacity())
        m_edited.reserve(std::max(slots, m_edited.capacity() * 2));
    m_dirty = true;
    for (const QString &t : texts) {
        m_index.push_back(newSlot(t));
        if (const qint64 n = markerNumberOf(t))
            m_markers.push_back({size() - 1, n});
    }
}

void RegisterLines::clear()
{
    if (!isEmpty()) {
            m_dirty = true;
    }
    m_index.clear();
    m_edited.clear();
    m_freeSlots.clear();
    m_editedCount = 0;
    m_markers.clear();
    m_orderedPrefix = 0;
}

// ---------------------------------------------------------------- runs

qint64 RegisterLines::Run::memoryBytes() const
{
    qint64 total = qint64(sizeof(Run)) + qint64(refs.capacity()) * 4 + qint64(texts.capacity()) * qint64(sizeof(QString));
    for (const QString &t : texts)
        total += t.capacity() * 2;
    return total;
}

RegisterLines::Run RegisterLines::take(int at, int count) const
{
    Run run;
    run.base = m_baseId;
    if (at < 0 || count <= 0 || at >= size())
        return run;
    count = std::min(count, size() - at);
    run.refs.reserve(size_t(count));
    for (int i = at; i < at + count; ++i) {
        const quint32 e = m_index[size_t(i)];
        if (e & EditedBit) {
            run.refs.push_back(EditedBit | quint32(run.texts.size()));
            run.texts.push_back(m_edited[e & ~EditedBit]);
        } else {
            run.refs.push_back(e);
        }
    }
    return run;
}

void RegisterLines::detach(Run &run) const
{
    if (run.base != m_baseId)
        return;
    for (quint32 &r : run.refs) {
        if (r & EditedBit)
            continue;
        const quint32 t = EditedBit | quint32(run.texts.size());
        run.texts.push_back(decodeOriginal(r));
        r = t;
    }
    run.base = 0;
}

qint64 RegisterLines::markerOfOriginal(quint32 offset) const
{
    // Only a line that ends in a form feed can be a marker: look at its last
    // unit before decoding it.
    const qsizetype len = originalLength(offset);
    const int unit = textfile::unitSize(m_encoding);
    if (len < (regfmt::MarkerFeeds + 1) * unit)
        return 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(m_bytes.constData()) + offset + len;
    const bool feed = unit == 1 ? p[-1] == 0x0C
                                : (m_encoding == TextEncoding::Utf16LE ? (p[-2] == 0x0C && p[-1] == 0)
                                                                        : (p[-2] == 0 && p[-1] == 0x0C));
    return feed ? markerNumberOf(decodeOriginal(offset)) : 0;
}

void RegisterLines::splice(int at, int count, const Run &run)
{
    if (at < 0 || count < 0 || at > size() || count > size() - at)
        return;
    const bool foreign = run.base != m_baseId;
    for (quint32 r : run.refs)
        if (!(r & EditedBit) && (foreign || qsizetype(r) > m_bytes.size()))
            return;
    const int k = run.size();
    m_dirty = true;
    // The markers of the lines replaced go, the later ones move.
    auto first = lowerBound(at);
    auto last = lowerBound(at + count);
    const size_t firstIndex = size_t(first - m_markers.begin());
    m_orderedPrefix = std::min(m_orderedPrefix, firstIndex);
    m_markers.erase(first, last);
    shiftMarkers(at + count, k - count);
    for (int j = at; j < at + count; ++j)
        freeSlot(m_index[size_t(j)]);
    if (k > count)
        m_index.insertGap(size_t(at + count), size_t(k - count));
    else if (k < count)
        m_index.erase(size_t(at + k), size_t(count - k));
    std::vector<Marker> added;
    for (int j = 0; j < k; ++j) {
        const quint32 r = run.refs[size_t(j)];
        qint64 n = 0;
        if (r & EditedBit) {
            const QString &text = run.texts[r & ~EditedBit];
            m_index.set(size_t(at + j), newSlot(text));
            n = markerNumberOf(text);
        } else {
            m_index.set(size_t(at + j), r);
            n = markerOfOriginal(r);
        }
        if (n)
            added.push_back({at + j, n});
    }
    m_markers.insert(m_markers.begin() + qsizetype(firstIndex), added.begin(), added.end());
}

// ---------------------------------------------------------------- saving

template <typename Emit>
void RegisterLines::encodeWith(Emit &&emit) const
{
    const QByteArray mark = textfile::byteOrderMark(m_encoding);
    if (!mark.isEmpty())
        emit(mark.constData(), mark.size());
    const QByteArray end = textfile::lineEnd(m_encoding);
    const qsizetype endSize = end.size();
    const char *data = m_bytes.constData();
    // Unchanged lines that follow each other in the original with CR LF
    // between them are written as one run.
    qsizetype runStart = -1, runEnd = -1;
    auto flush = [&] {
        if (runStart >= 0)
            emit(data + runStart, runEnd - runStart);
        runStart = runEnd = -1;
    };
    QByteArray edited;
    for (size_t i = 0; i < m_index.size(); ++i) {
        const quint32 e = m_index[i];
        if (e & EditedBit) {
            flush();
            edited.clear();
            appendRaw(int(i), edited);
            edited.append(end);
            emit(edited.constData(), edited.size());
            continue;
        }
        const qsizetype len = originalLength(e);
        const qsizetype lineEndAt = qsizetype(e) + len;
        const bool crlf = lineEndAt + endSize <= m_bytes.size()
                          && (endSize == 2 ? data[lineEndAt] == '\r' && data[lineEndAt + 1] == '\n'
                                           : memcmp(data + lineEndAt, end.constData(), size_t(endSize)) == 0);
        if (runStart >= 0 && runEnd != qsizetype(e))
            flush();
        if (runStart < 0)
            runStart = e;
        if (crlf) {
            runEnd = lineEndAt + endSize;
        } else {
            runEnd = lineEndAt;
            flush();
            emit(end.constData(), endSize);
        }
    }
    flush();
}

QByteArray RegisterLines::encode() const
{
    QByteArray out;
    out.reserve(m_bytes.size() + qsizetype(m_index.size()) * textfile::lineEnd(m_encoding).size() / 2 + 64);
    memory::adviseHugePages(out.data(), size_t(out.capacity()));
    encodeWith([&](const char *p, qsizetype n) { out.append(p, n); });
    return out;
}

void RegisterLines::encodeTo(QIODevice &device) const
{
    encodeWith([&](const char *p, qsizetype n) { device.write(p, n); });
}

QByteArray RegisterLines::rawLine(int i) const
{
    if (i < 0 || i >= size())
        throwMissingLine(i);
    QByteArray out;
    appendRaw(i, out);
    return out;
}

void RegisterLines::appendRaw(int i, QByteArray &out) const
{
    const quint32 e = m_index[size_t(i)];
    if (!(e & EditedBit)) {
        // Unchanged: its own bytes, whatever they hold.
        out.append(m_bytes.constData() + e, originalLength(e));
        return;
    }
    const QString &text = m_edited[e & ~EditedBit];
    const qsizetype bad = text.indexOf(QChar(0xFFFD));
    if (bad >= 0)
        throw textfile::unencodable(text, bad, i, m_encoding);
    qsizetype at = 0;
    if (!textfile::encodeLine(m_encoding, text, out, &at))
        throw textfile::unencodable(text, at, i, m_encoding);
}

bool RegisterLines::differsFromBase() const
{
    if (!m_dirty)
        return false;
    if (m_editedCount == 0 && m_index.empty())
        return m_baseSize != 0;
    // The base is the lines of m_bytes in order: walk them beside the
    // current lines. An unchanged line is its own base entry; any other is
    // compared as text.
    size_t i = 0;
    bool differs = false;
    const char *data = m_bytes.constData();
    textfile::forEachLine(data, m_baseSize, m_encoding, [&](qsizetype start, qsizetype end) {
        if (differs)
            return;
        if (i >= m_index.size()) {
            differs = true;
            return;
        }
        const quint32 e = m_index[i++];
        if (e == quint32(start))
            return;
        if (at(int(i - 1)) != textfile::decodeLine(m_encoding, data + start, end - start))
            differs = true;
    });
    return differs || i != m_index.size();
}

void RegisterLines::rebase(const QByteArray &bytes)
{
    const qsizetype mark = textfile::byteOrderMark(m_encoding).size();
    m_bytes = mark ? bytes.mid(mark) : bytes;
    indexAll();
}

qint64 RegisterLines::memoryBytes() const
{
    qint64 total = m_bytes.size() + m_index.memoryBytes() + qint64(m_markers.capacity()) * 16
                   + qint64(m_edited.capacity()) * qint64(sizeof(QString));
    for (const QString &e : m_edited)
        total += e.capacity() * 2;
    return total;
}
