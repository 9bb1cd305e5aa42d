#pragma once
// RegisterLines: the compact line store of a register and the one read
// interface through which every part of the program reads a register's
// lines.
//
// A register opened from a file keeps the file's bytes as they are plus one
// entry per line (about two bytes, see LineIndex): the byte offset of the
// line's start. A line is
// decoded when it is read. A line that is changed or inserted is held as a
// string of its own (the entry then names its slot), so an edit never copies
// the file; inserted lines may instead be appended to the bytes in the
// file's encoding (see insert). Saving writes every unchanged line from its original bytes, so a
// register keeps its bytes wherever the user changed nothing.
//
// The store also keeps the index of entry marker lines (sorted by position),
// so that finding an entry never scans the document, and it knows whether its
// lines still equal those it was opened or last saved with.

#include "platform/fixed4.h"
#include "platform/textfile.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <array>
#include <utility>
#include <vector>

// The line index: one 32-bit value per line (a byte offset, or a slot of
// an edited line) kept in about two bytes a line. Lines are grouped in
// blocks of 64; a block keeps a 32-bit base and a 16-bit offset from it per
// line. A block whose values do not fit 16 bits of one base (a long line, a
// mix of read and edited lines) keeps its 64 values whole in a side table
// instead. Reading a line's value stays one step; inserting or removing
// lines rewrites the blocks after the place once.
class LineIndex
{
public:
    size_t size() const { return m_off.size(); }
    bool empty() const { return m_off.empty(); }
    quint32 operator[](size_t i) const
    {
        const quint16 o = m_off[i];
        const quint32 b = m_base[i >> Shift];
        return o != Wide ? b + o : m_wide[b][i & Mask];
    }
    void set(size_t i, quint32 value);
    void push_back(quint32 value)
    {
        // Reading a file, offsets grow line by line: most fit the block.
        const size_t i = m_off.size();
        if ((i & Mask) != 0 && !m_isWide.back()) {
            const quint32 b = m_base.back();
            if (value >= b && value - b < Wide) {
                m_off.push_back(quint16(value - b));
                return;
            }
        }
        pushSlow(value);
    }
    static constexpr size_t BlockLines = 64;
    // Appends a block's worth of lines (n at most BlockLines, values
    // ascending, as a file's line starts are) when the size is a whole
    // number of blocks.
    void appendBlock(const quint32 *values, size_t n);
    // Makes room for k lines at `at` (their values are 0 until set).
    void insertGap(size_t at, size_t k);
    void erase(size_t at, size_t k);
    void clear();
    // Room for n lines; address space only until lines are written.
    void reserve(size_t n);
    qint64 memoryBytes() const;

private:
    static constexpr int Shift = 6;
    static_assert(BlockLines == size_t(1) << Shift);
    static constexpr size_t Mask = BlockLines - 1;
    static constexpr quint16 Wide = 0xFFFF; // every offset of a block kept whole

    using WideBlock = std::array<quint32, BlockLines>;
    // Writes block b's n values (the block's lines from its first).
    void writeBlock(size_t b, const quint32 *values, size_t n);
    // Block b takes the n lines at src of the old layout.
    void moveLines(size_t b, size_t src, size_t n);
    void pushSlow(quint32 value);

    std::vector<quint32> m_base;  // per block: base, or its index in m_wide
    std::vector<quint16> m_off;   // per line: offset from the base, or Wide
    std::vector<quint8> m_isWide; // per block: its values are in m_wide
    std::vector<WideBlock> m_wide;
    std::vector<quint32> m_freeWide;
};

class RegisterLines
{
public:
    RegisterLines() = default;
    // Every line held as text (templates, tests, lines made in memory).
    RegisterLines(const QStringList &lines); // NOLINT: implicit on purpose
    // Takes a file's bytes: the byte-order mark is detected and the lines
    // are indexed; nothing is decoded. A file of 2 GiB or more is refused.
    static RegisterLines fromBytes(const QByteArray &bytes);

    // --- reading ---
    int size() const { return int(m_index.size()); }
    int count() const { return size(); }
    bool isEmpty() const { return m_index.empty(); }
    // Line i, decoded (i must be a line of the store).
    QString at(int i) const;
    // Bounds-checked: a line beyond the store raises the format error naming
    // it, never a read past the end.
    QString line(int i) const;
    // The line as a 32-bit integer; ConversionError naming the line.
    int intAt(int i) const;
    // The line as a four-place decimal; ConversionError naming the line.
    Fixed4 fixedAt(int i) const;
    QStringList mid(int from, int n = -1) const;
    QStringList toStringList() const;
    TextEncoding encoding() const { return m_encoding; }
    // The line still holds the bytes it was read with, and those are not a
    // valid sequence of the file's encoding (they read as U+FFFD).
    bool isUndecodable(int i) const;
    // Every such line, in order; one pass over the bytes when they are all
    // valid.
    std::vector<int> undecodableLines() const;
    // The line was changed or inserted since opening or the last save.
    bool isEdited(int i) const;
    // The bytes of line i as read, without the line end, when the line is
    // unchanged and the encoding is ASCII-compatible (CP932, UTF-8): the
    // number readers and the check read such lines without decoding them.
    // False for any other line.
    bool asciiCompatibleBytes(int i, QByteArrayView &bytes) const;

    // --- entry markers ---
    // Entry number of a marker text (the number as QString::number writes it
    // and ten form feeds), or 0 when the text is no marker.
    static qint64 markerNumberOf(const QString &text);
    // The marker line of entry n: its number and the form feeds.
    static QString markerText(qint64 n);
    // Entry number of marker line i, or 0 when the line is no marker.
    qint64 markerAt(int i) const;
    // Index of the first marker line of entry n, or -1.
    int findEntry(qint64 n) const;
    // The same answer by scanning every line; kept for checks and tests.
    int findEntryByScan(qint64 n) const;
    // Entry number of the nearest marker at or above line i, 0 when none.
    int entryOfLine(int i) const;
    // First marker line at or after `from` numbered n, or -1.
    int findMarkerFrom(int from, qint64 n) const;
    // First marker line after line i, or size() when there is none.
    int nextMarkerAfter(int i) const;
    struct Marker
    {
        int pos;
        qint64 number;
    };
    // For each entry number from 1 to count that has a marker, its first
    // marker (what findEntry gives), in increasing order of number. One pass
    // over the index, however the markers are ordered or numbered.
    std::vector<Marker> firstMarkers(qint64 count) const;
    // Number of marker lines in the store.
    int markerCount() const { return int(m_markers.size()); }

    // --- changing ---
    // A line can never hold CR or LF: such a text is refused (TavrelError)
    // before anything changes.
    void set(int i, const QString &text);
    // With asBytes, lines the encoding can hold (CP932, UTF-8) are kept as
    // their bytes after the file's: no string a line, but those bytes stay
    // until the next save even when the lines are removed again. Without
    // it, as texts (whose memory an undo history can account for).
    void insert(int at, const QStringList &texts, bool asBytes = false);
    void remove(int at, int count);
    void append(const QString &text);
    void append(const QStringList &texts);
    void clear();
    static void requireSingleLine(const QString &text);
    // Room for `lines` more lines of `bytes` bytes when inserted; what is
    // not used stays address space only.
    void reserve(int lines, qsizetype bytes);

    // --- taking lines out and putting them back (undo) ---
    // Lines as the store holds them: a line that still holds the bytes it
    // was read with is kept as their place in those bytes, so that putting
    // it back restores it exactly (bytes the encoding cannot read included);
    // any other line is kept as its text.
    struct Run
    {
        std::vector<quint32> refs; // byte offset, or EditedBit | index into texts
        std::vector<QString> texts;
        quint64 base = 0; // the bytes the offsets point into
        int size() const { return int(refs.size()); }
        bool isEmpty() const { return refs.empty(); }
        qint64 memoryBytes() const;
    };
    Run take(int at, int count) const;
    // Replaces the `count` lines at `at` by the lines of a run taken from
    // this store (and its current bytes). Nothing changes when the range is
    // not within the store or the run points into other bytes.
    void splice(int at, int count, const Run &run);
    // Turns the run's places in the current bytes into texts, so that it
    // stays valid when the bytes are replaced (saving does that).
    void detach(Run &run) const;

    // --- saving ---
    // The lines with CR LF after each, in the store's encoding, unchanged
    // lines from their original bytes. Throws EncodingError naming the
    // 0-based line of the first character that cannot be written; an edited
    // line holding U+FFFD (an undecodable sequence the user kept) is refused
    // the same way, in every encoding.
    QByteArray encode() const;
    // The same bytes written to a device as they are made, without holding
    // them all (a write failure is the device's to report).
    void encodeTo(QIODevice &device) const;
    // Line i as it would be written, without its line end (throws as encode).
    QByteArray rawLine(int i) const;
    // True when the lines differ from those read or last saved.
    bool differsFromBase() const;
    // The current lines become the base (after saving them as `bytes`, the
    // result of encode()): the store then holds `bytes` and no edits.
    void rebase(const QByteArray &bytes);
    // Memory the store holds, for the benches.
    qint64 memoryBytes() const;

private:
    static constexpr quint32 EditedBit = 0x80000000u;

    template <typename Emit>
    void encodeWith(Emit &&emit) const;
    QString decodeOriginal(quint32 offset, bool *valid = nullptr) const;
    void appendRaw(int i, QByteArray &out) const;
    qsizetype originalLength(quint32 offset) const;
    quint32 storeInserted(const QString &text);
    quint32 newSlot(const QString &text);
    void freeSlot(quint32 entry);
    void indexAll();
    qint64 markerOfOriginal(quint32 offset) const;

    void rebuildMarkers();
    std::vector<Marker>::iterator lowerBound(int pos);
    void markerInsert(int pos, qint64 number);
    void markerRemoveAt(int pos);
    void shiftMarkers(int from, int delta);

    QByteArray m_bytes;     // the file's bytes without the byte-order mark,
                            // then the bytes of lines inserted since
    quint32 m_baseSize = 0; // the file's part of m_bytes
    quint64 m_baseId = 0;   // names m_bytes for the runs that point into them
    TextEncoding m_encoding = TextEncoding::Cp932;
    LineIndex m_index; // byte offset, or EditedBit | slot
    std::vector<QString> m_edited; // changed and inserted lines
    std::vector<quint32> m_freeSlots;
    int m_editedCount = 0;

    // A change was made since the bytes were taken; whether the lines still
    // equal them is found by walking the bytes beside the lines.
    bool m_dirty = false;

    std::vector<Marker> m_markers; // sorted by position
    // Length of the leading run of markers numbered 1, 2, 3, ... in order;
    // extended lazily, shortened by edits.
    mutable size_t m_orderedPrefix = 0;
};

// The format error naming a line that is not there (the store's
// bounds-checked reads and the strip walk raise it; its text is the
// document's format error message).
[[noreturn]] void throwMissingLine(int index);
