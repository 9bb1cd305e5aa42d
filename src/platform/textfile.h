#pragma once
// Text files of the program (registers, templates, key label files, the
// settings file): code page 932 with CR LF after every line. CR, LF and
// CR LF all end a line on reading and a final break adds no empty line.
// A UTF-8 or UTF-16 byte-order mark is honoured and kept on writing.

#include "platform/conversion.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

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

// Decodes bytes into lines (BOM detection, CP932 otherwise). Bytes that are
// not valid CP932 become U+FFFD.
TextFileContent decode(const QByteArray &bytes);
// Encodes lines with CR LF after each. Throws EncodingError naming the
// 0-based line index of the first character that cannot be encoded.
QByteArray encode(const QStringList &lines, TextEncoding encoding = TextEncoding::Cp932);

// Whole-file read; throws FileError when the file cannot be read.
TextFileContent read(const QString &path);
// Atomic write through QSaveFile; throws EncodingError or FileError, and the
// previous file stays intact in either case.
void write(const QString &path, const QStringList &lines, TextEncoding encoding = TextEncoding::Cp932);

// CP932 conversion of a single text. encodeCp932 returns false and the index
// of the offending character when the text cannot be represented.
QString decodeCp932(const char *data, qsizetype size);
bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex = nullptr);

} // namespace textfile
