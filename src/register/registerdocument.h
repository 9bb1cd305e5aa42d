#pragma once
// The register document: the register file's lines held unchanged in memory,
// with the saved copy, the file name, the current header line and the current
// entry number. Every change to the lines goes through this class, which
// keeps an index of the entry marker lines so that finding an entry does not
// scan the document.

#include "platform/textfile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The six header texts of an entry, in file order.
struct EntryHeader
{
    QString extension;
    QString department;
    QString userName;
    QString date;
    QString seriesCaption;
    QString stripType;

    QStringList toLines() const
    {
        return {extension, department, userName, date, seriesCaption, stripType};
    }
    bool operator==(const EntryHeader &) const = default;
};

class RegisterDocument
{
public:
    static const QString VersionLine; // "file-version:01.01.00.00"
    static const QString FormatErrorMessage;

    RegisterDocument();

    // --- lines ---
    const QStringList &lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    // Bounds-checked read: a line beyond the document raises a format error
    // rather than reading past the end.
    const QString &line(int index) const;
    void setLine(int index, const QString &text);
    void insertLines(int at, const QStringList &texts);
    void removeLines(int at, int count);
    void appendLine(const QString &text);
    void appendLines(const QStringList &texts);
    void appendLines(const QStringList &texts, int from, int count);
    void setLines(const QStringList &lines);
    // Integer on a line; ConversionError naming the line when it is not one.
    int intAt(int index) const;

    // --- state ---
    // The saved copy is kept as one 64-bit fingerprint per line, so that the
    // first edit after opening a large register does not copy its millions
    // of lines; isModified compares the count and every line's fingerprint.
    bool hasSavedCopy() const { return m_hasSaved; }
    void markSaved();
    QString fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    int currentHeaderLine() const { return m_currentHeaderLine; }
    void setCurrentHeaderLine(int h) { m_currentHeaderLine = h; }
    int currentEntryNumber() const { return m_currentEntryNumber; }
    void setCurrentEntryNumber(int n) { m_currentEntryNumber = n; }
    TextEncoding encoding() const { return m_encoding; }

    // Lines, saved copy, file name and current entry all emptied (File ▸ New).
    void reset();

    // --- entries ---
    static QString markerLine(qint64 n);
    // Entry number of a marker line, or 0 when the text is no marker.
    static qint64 markerNumber(const QString &text);
    // Index of the first line equal to the marker of entry n, or -1. Marker
    // lines are digits and form feeds, which have no letter case, so the
    // case-insensitive comparison is an exact one.
    int findEntry(qint64 n) const;
    // The same answer by scanning every line; kept for checks and tests.
    int findEntryByScan(qint64 n) const;
    // Header of entry n (throws when the entry is missing or truncated).
    EntryHeader headerOfEntry(qint64 n) const;
    EntryHeader headerAt(int h) const;
    bool isModified() const;
    // Number of entries on line 1; 0 for an empty document.
    int entryCount() const;
    // Entry number whose lines contain the given line, 0 when none.
    int entryOfLine(int index) const;

    // --- file operations ---
    // Reads, converts the older layout, takes the saved copy, and returns one
    // header per entry found by its marker (the register list rows). On any
    // failure the document is left empty and unnamed and the error is thrown.
    QList<EntryHeader> load(const QString &path);
    // The entry numbers of the register list rows, in row order: the rows
    // load gives are these entries. With a marker missing the numbers skip
    // it (rows 1 and 2 are entries 1 and 3).
    QList<int> listedEntries() const;
    // Converts the older layout in place (the version line is added).
    void convertOlderLayout();
    // Writes the lines; on success the saved copy is taken. An unencodable
    // character or a failed write throws and leaves the file intact.
    void save(const QString &path);

    // Appends a new entry with the body of entry `source`.
    void appendEntryAsCopy(const EntryHeader &header, int source);
    // Appends the marker and the header of a new entry (the start of both
    // ways of appending); returns the new entry number. A malformed or full
    // count on line 1 throws before anything is written.
    int beginNewEntry(const EntryHeader &header);
    void updateEntryHeader(int n, const EntryHeader &header);
    // Deletes the entries of the given 0-based rows (any order), renumbering
    // the rest. rowCount is the number of register list rows before the
    // command; removeRow is called for each row from the highest down.
    // Returns the number of rows that remain.
    int deleteEntries(QList<int> rows, int rowCount, const std::function<void(int)> &removeRow = {});

private:
    struct Marker
    {
        int pos;
        qint64 number;
    };
    void rebuildIndex();
    // For each entry number from 1 to `count` that has a marker, its first
    // marker (what find entry gives), in increasing order of number. One
    // pass over the index, however the markers are ordered or numbered.
    std::vector<Marker> firstMarkers(qint64 count) const;
    void indexInsert(int pos, qint64 number);
    void indexRemoveAt(int pos);
    void shiftIndex(int from, int delta);
    std::vector<Marker>::iterator lowerBound(int pos);

    void changed() { m_clean = false; }

    QStringList m_lines;
    std::vector<quint64> m_saved;
    bool m_hasSaved = false;
    bool m_clean = true; // no change since the saved copy was taken
    QString m_fileName;
    int m_currentHeaderLine = 0;
    int m_currentEntryNumber = 0;
    TextEncoding m_encoding = TextEncoding::Cp932;
    std::vector<Marker> m_markers; // sorted by position
    // Length of the leading run of markers numbered 1, 2, 3, ... in order;
    // extended lazily, shortened by edits.
    mutable size_t m_orderedPrefix = 0;
};

// Bounds-checked reads of a line list, shared by the document and the strip
// code: a line beyond the list raises the format error naming it, never a
// read past the end; checkedInt raises ConversionError naming the line.
[[noreturn]] void throwMissingLine(int index);
const QString &checkedLine(const QStringList &lines, int index);
int checkedInt(const QStringList &lines, int index);

// Message for a character that cannot be saved, naming the entry.
QString unencodableMessage(const RegisterDocument &doc, const EncodingError &e);
