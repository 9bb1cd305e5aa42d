#pragma once
// Text files of the program (registers, templates, key label files, the
// settings file): code page 932 with CR LF after every line. CR, LF and
// CR LF all end a line on reading and a final break adds no empty line.
// A UTF-8 or UTF-16 byte-order mark is honoured and kept on writing.

#include "platform/conversion.h"
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QFile;
class QSaveFile;

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

// An input over the size it may have.
class InputTooLarge : public FileError
{
public:
    using FileError::FileError;
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
// Whether decodeLine would find every byte of the line a character (without
// making the text in CP932 and for ASCII; a CP932 text of many lines is
// valid exactly when each of its lines is, since no character holds a line
// end byte).
bool isValidText(TextEncoding encoding, const char *data, qsizetype size);
// Length of the leading run of bytes below 0x80.
qsizetype asciiPrefix(const char *data, qsizetype size);
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

// What a path given for writing names, decided before anything is written
// or read there.
enum class OutputKind {
    File,     // a regular file or a new name: written under a temporary name, renamed into place
    Standard, // "-" or /dev/stdout: the program's standard output
    Stream,   // an existing FIFO or character device: written into, never replaced, never read
    Refused,  // anything else: a folder, a block device, a socket
};
OutputKind outputKind(const QString &path);
// Said when an output path is refused: "%1 はファイルではありません。…".
QString refusedOutputMessage(const QString &path);
// Said when an output is a file this process has read.
QString sameAsInputMessage(const QString &path);

// The one writer of the program's files. A file is written under a
// temporary name and renamed into place by commit(); a stream (standard
// output, a FIFO, a device) is written into directly. The bytes are
// buffered here and every write of them is checked, so that a failure at any
// size (a full disk, a file-size limit, an I/O error) is reported by commit()
// and never renames an incomplete file into place: the previous file stays
// byte for byte. Without commit() the temporary file is removed.
class OutputFile : public QIODevice
{
public:
    // Whether a symbolic link at the path is written through (a register
    // opened through a link) or refused (the program's own files in its
    // settings folder: a link there could point into a register).
    enum class Links { Follow, Refuse };
    // With streams false only a regular file or a new name is accepted
    // (registers, settings, key label files). With streams true (an output
    // a user names) a file this process has read is refused, whatever
    // names it: a link, /dev/stdout or /proc/self/fd/N; a FIFO without a
    // reader is refused at once.
    OutputFile(const QString &path, bool streams, Links links = Links::Follow);
    ~OutputFile() override;
    // Opens for writing; throws FileError naming the file and the reason.
    void start();
    // Writes what is buffered and puts the file in place; throws FileError
    // naming the file and the reason, the previous file intact.
    void commit();
    OutputKind kind() const { return m_kind; }
    const QString &path() const { return m_path; }
    // For a file: called by commit() with the temporary file's descriptor
    // once every byte is written, just before it is renamed into place. It
    // may throw to leave the previous file as it was.
    void setBeforeRename(std::function<void(int fd)> check) { m_beforeRename = std::move(check); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool drain(const char *data, qint64 size);
    [[noreturn]] void fail(const QString &reason);

    QString m_path;
    OutputKind m_kind;
    Links m_links;
    bool m_streams;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_stream;
    QByteArray m_buffer;
    QString m_failure;
    qint64 m_written = 0;
    qint64 m_failAfter = -1;
    std::function<void(int)> m_beforeRename;
};

// For tests: the next output file started fails with "No space left on
// device" once `bytes` bytes have reached it (0: at the first byte).
void failNextWriteAfter(qint64 bytes);

// The most any input may hold: far above the largest register a site could
// keep, far below what would exhaust memory.
constexpr qint64 InputLimit = qint64(1) << 30;

// Whole-file read; throws FileError when the file cannot be read. A regular
// file is read, and standard input ("-" or /dev/stdin) or a descriptor named
// as /dev/fd/N or /proc/self/fd/N (process substitution) whatever it is; a
// FIFO, device or socket named otherwise, and a folder, are refused at once
// without waiting. A regular file larger than `limit` is refused before it is
// read; a stream is refused once it gives more.
QByteArray readBytes(const QString &path, qint64 limit = InputLimit);
TextFileContent read(const QString &path);
// Atomic write of a regular file through OutputFile; throws EncodingError or
// FileError, and the previous file stays intact in either case.
void write(const QString &path, const QStringList &lines, TextEncoding encoding = TextEncoding::Cp932,
           OutputFile::Links links = OutputFile::Links::Follow);
void writeBytes(const QString &path, const QByteArray &bytes, OutputFile::Links links = OutputFile::Links::Follow);
// The same for an output of any kind outputKind() accepts: atomic for a
// file, written into a stream.
void writeOutput(const QString &path, const QByteArray &bytes);
// True when both paths name the same file (relative names and links
// resolved); false when either is empty.
bool sameFile(const QString &a, const QString &b);

// CP932 conversion of a single text. encodeCp932 returns false and the index
// of the offending character when the text cannot be represented.
QString decodeCp932(const char *data, qsizetype size);
bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex = nullptr);

} // namespace textfile
