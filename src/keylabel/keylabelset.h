#pragma once
// The key label catalogue: per series, three pages of ready-made labels for
// the function keys of a telephone, kept as the lines of the series' key
// label file (TAVKey1.ini … TAVKey8.ini in the settings folder).
//
// The set is a list of 3 × N blocks, N being the series' keys per page. The
// block of key k is: font name, font size, colour line, the number n of text
// lines, then the n text lines. Key k lies on page k / N in row k % N.
//
// The set stays as lines, not as parsed records: a block that no operation
// rewrote is saved exactly as it was read, and the panel tells a change of
// the set by comparing its lines. Whatever a file holds after its 3 × N
// blocks (an empty line, the keys of a longer series) is no part of the set;
// its bytes are written back after the blocks when the set is saved.

#include "platform/textfile.h"

#include <QString>
#include <QStringList>

namespace keylabel {

constexpr int Pages = 3;

// Series table: keys per page (20 or 15), key label file and default table;
// 0, an empty name and -1 for a series outside 0–7.
int keysPerPage(int series);
QString KeyLabelFileName(int series);
int defaultTableOf(int series);

// One entry of a default table: the text (a line feed between two lines)
// and the font size in points. Tables 0 to 6; k from 0 to the table's
// count - 1.
struct DefaultKey
{
    const char16_t *text;
    int size;
};
int defaultTableCount(int table);
DefaultKey defaultKey(int table, int k);

// The face every default block names.
extern const QString DefaultFontName; // "ＭＳ 明朝"

// One key's label as the operations hand it over.
struct KeyLabel
{
    QString fontName;
    int fontSize = 9;
    int textColour = 0;
    int backColour = 16777215;
    QStringList lines;
    bool operator==(const KeyLabel &) const = default;
};

// Caption of a key button: the only line, or the first two lines with a
// line feed between them; 9 points for at most one line, 8 for two or more.
struct ButtonCaption
{
    QString text;
    int pointSize = 9;
};
ButtonCaption KeyButtonCaption(const QStringList &lines);

// How LoadKeyLabels filled the set.
enum class LoadResult {
    File,      // the file's lines
    Defaults,  // no readable file: the defaults
    Malformed, // a file that does not begin with 3 × N blocks: the defaults
    Ignored,   // a series outside 0–7: the set kept its contents
};

// Notice for a malformed key label file, naming it: the defaults are used.
QString malformedFileMessage(const QString &path);
// Question before the defaults (or edits of them) replace a file that exists
// but could not be used.
QString replaceUnusedFileMessage(const QString &path);
// Message for a character that the key label file cannot hold.
QString unencodableMessage(const QString &character);
// Message for a key label file that could not be written, with the reason.
QString saveFailedMessage(const QString &reason);

// Number of lines that the 3 × N blocks at the start of `lines` take (each
// with a numeric size and a count of 0 or more that the remaining lines
// cover); -1 when the lines do not begin with them.
qsizetype blocksLength(const QStringList &lines, int series);
// The lines hold 3 × N well-formed blocks and nothing after them.
bool isWellFormed(const QStringList &lines, int series);

class KeyLabelSet
{
public:
    // folder: the settings folder that holds the key label files.
    explicit KeyLabelSet(const QString &folder = QString());

    QString folder() const { return m_folder; }
    void setFolder(const QString &folder);
    QString filePath(int series) const;

    const QStringList &lines() const { return m_lines; }
    // Number of blocks the set holds (3 × N once loaded).
    int keyCount() const;

    // Rebuilds the set from the series' default table; nothing is written,
    // and what followed the blocks of the file read stays to be written back.
    void SetDefaultKeyLabels(int series);
    // Replaces the set by the blocks of the series' file, or by the defaults
    // when the file cannot be read or does not begin with 3 × N blocks.
    // Nothing is written.
    LoadResult LoadKeyLabels(int series);
    // Writes the set, then what followed the blocks of the file read, to the
    // series' file (atomically, in the encoding it was read in). Throws
    // FileError or EncodingError; the old file stays intact. Does nothing
    // for a series outside 0–7.
    void SaveKeyLabels(int series);
    // The series' file exists but was not used by the last load (it could
    // not be read or is malformed): saving would replace it with a set that
    // did not come from it. False again once a save succeeded.
    bool unusedFileExists() const { return m_unusedFile; }

    TextEncoding encoding() const { return m_encoding; }
    // The first character of the label (face or text) that the key label
    // file cannot hold, two UTF-16 units for a surrogate pair; empty when
    // it can hold them all.
    QString unencodableCharacter(const KeyLabel &label) const;

    // Key k's label. Throws TavrelError when the set has no key k.
    KeyLabel ReadKeyLabel(int k) const;
    // Replaces key k's block; the later blocks move by the change in length.
    void WriteKeyLabel(int k, const KeyLabel &label);

private:
    // First line of key k's block; throws when there is none.
    int blockOf(int k) const;

    QString m_folder;
    QStringList m_lines;
    QByteArray m_tail; // the file's bytes after its blocks
    TextEncoding m_encoding = TextEncoding::Cp932;
    bool m_unusedFile = false;
};

} // namespace keylabel
