#pragma once
// Text files of the program (registers, templates, key label files, the
// settings file): code page 932 with CR LF after every line. CR, LF and
// CR LF all end a line on reading and a final break adds no empty line.
// A UTF-8 or UTF-16 byte-order mark is honoured and kept on writing.

#include "platform/conversion.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

enum class TextEncoding { Cp932, Utf8Bom, Utf16LE, Utf16BE };

struct TextFileContent
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Cp932;
};

// A character that the file's encoding cannot hold.
class EncodingError : public TavrelError
{
public:
    EncodingError(const QString &message, int line, const QString &character)
        : TavrelError(message), m_line(line), m_char(character) {}
    int line() const { return m_line; }
    // The character (one code point, two UTF-16 units for a surrogate pair).
    QString character() const { return m_char; }
    QString codePoint() const;

private:
    int m_line;
    QString m_char;
};

// Failure to read or write a file (message names the file and the reason).
class FileError : public TavrelError
{
public:
    using TavrelError::TavrelError;
};

namespace textfile {

// Encoding named by the bytes' byte-order mark (CP932 without one), and the
// mark's length.
TextEncoding detectEncoding(const QByteArray &bytes, int *markLength = nullptr);
QByteArray byteOrderMark(TextEncoding encoding);
// CR LF in the encoding.
QByteArray lineEnd(TextEncoding encoding);
// Bytes per code unit: 2 for UTF-16, else 1.
inline int unitSize(TextEncoding e) { return e == TextEncoding::Utf16LE || e == TextEncoding::Utf16BE ? 2 : 1; }

// Calls f(start, end) for every line of data (without the mark): byte
// offsets of the line's first byte and of its end (the CR or LF, or the end
// of the data). CR, LF and CR LF end a line; a final break adds no empty
// line. In UTF-16 only whole units at even offsets count; a final odd byte
// belongs to the last line.
template <typename F>
void forEachLine(const char *data, qsizetype size, TextEncoding encoding, F &&f)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype start = 0;
    if (unitSize(encoding) == 1) {
        for (qsizetype i = 0; i < size; ++i) {
            const unsigned char c = p[i];
            if (c > '\r' || (c != '\r' && c != '\n'))
                continue;
            f(start, i);
            if (c == '\r' && i + 1 < size && p[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    } else {
        const bool le = encoding == TextEncoding::Utf16LE;
        auto unit = [&](qsizetype i) -> unsigned { return le ? (p[i] | p[i + 1] << 8) : (p[i] << 8 | p[i + 1]); };
        for (qsizetype i = 0; i + 1 < size; i += 2) {
            const unsigned u = unit(i);
            if (u != '\r' && u != '\n')
                continue;
            f(start, i);
            if (u == '\r' && i + 3 < size && unit(i + 2) == '\n')
                i += 2;
            start = i + 2;
        }
    }
    if (start < size)
        f(start, size);
}

// One line's bytes (without its line end) decoded; valid is set false when
// they hold a sequence that is no character of the encoding (it reads as
// U+FFFD).
QString decodeLine(TextEncoding encoding, const char *data, qsizetype size, bool *valid = nullptr);
// Appends one line's bytes. Returns false, with the index of the offending
// character and out unchanged, when a character cannot be written.
bool encodeLine(TextEncoding encoding, QStringView text, QByteArray &out, qsizetype *badIndex = nullptr);
// The EncodingError for character `index` of `text` on 0-based line `line`
// (a surrogate pair is named as the one character it is).
EncodingError unencodable(const QString &text, qsizetype index, int line, TextEncoding encoding);

// Decodes bytes into lines (BOM detection, CP932 otherwise). Bytes that are
// no character of the encoding become U+FFFD.
TextFileContent decode(const QByteArray &bytes);
// Encodes lines with CR LF after each. Throws EncodingError naming the
// 0-based line index of the first character that cannot be encoded.
QByteArray encode(const QStringList &lines, TextEncoding encoding = TextEncoding::Cp932);

// Whole-file read; throws FileError when the file cannot be read.
QByteArray readBytes(const QString &path);
TextFileContent read(const QString &path);
// Atomic write through QSaveFile; throws EncodingError or FileError, and the
// previous file stays intact in either case.
void write(const QString &path, const QStringList &lines, TextEncoding encoding = TextEncoding::Cp932);
void writeBytes(const QString &path, const QByteArray &bytes);
// True when both paths name the same file (relative names and links
// resolved); false when either is empty.
bool sameFile(const QString &a, const QString &b);

// CP932 conversion of a single text. encodeCp932 returns false and the index
// of the offending character when the text cannot be represented.
QString decodeCp932(const char *data, qsizetype size);
bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex = nullptr);

} // namespace textfile
