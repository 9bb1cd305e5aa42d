#include "platform/textfile.h"

#include <QFileInfo>

#include "platform/characters.h"
#include "platform/memory.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <vector>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Decoding table of code page 932 taken from iconv once: the single bytes
// and every lead/trail pair. Decoding through the table gives iconv's
// mapping without a call per line; 0xFFFF marks a byte that does not start a
// valid character.
struct Cp932Table
{
    char16_t single[256];
    std::vector<char16_t> pair; // (lead << 8 | trail) for lead bytes, else unused
    bool isLead[256];

    Cp932Table() : pair(65536, 0xFFFF)
    {
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        if (cd == iconv_t(-1))
            throw FileError(QStringLiteral("CP932 の変換を利用できません。"));
        auto one = [&](const char *in, size_t len) -> char16_t {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char16_t out[4];
            char *src = const_cast<char *>(in);
            char *dst = reinterpret_cast<char *>(out);
            size_t inLeft = len, outLeft = sizeof(out);
            if (iconv(cd, &src, &inLeft, &dst, &outLeft) == size_t(-1) || inLeft != 0 || outLeft != sizeof(out) - 2)
                return 0xFFFF;
            return out[0];
        };
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            single[b] = one(&c, 1);
            isLead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        }
        for (int lead = 0; lead < 256; ++lead) {
            if (!isLead[lead])
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char two[2] = {char(lead), char(trail)};
                pair[size_t(lead << 8 | trail)] = one(two, 2);
            }
        }
        iconv_close(cd);
    }
};

const Cp932Table &cp932Table()
{
    static const Cp932Table table;
    return table;
}

// Encoding table: the inverse of the decoding table, so that only
// characters that come back unchanged can be written (iconv writes some
// characters one way only, such as U+301C as the code of U+FF5E). Where two
// codes decode to one character, iconv's own choice is taken.
struct Cp932Encoder
{
    std::vector<quint16> code;
    std::vector<quint8> length; // 0: not representable

    Cp932Encoder() : code(65536, 0), length(65536, 0)
    {
        const Cp932Table &t = cp932Table();
        std::vector<quint8> candidates(65536, 0);
        auto offer = [&](char16_t u, quint16 c, quint8 len) {
            if (u == 0xFFFF || u == 0xFFFD || u < 0x80)
                return;
            if (candidates[u]++ == 0) {
                code[u] = c;
                length[u] = len;
            }
        };
        for (int b = 0x80; b < 256; ++b)
            if (!t.isLead[b])
                offer(t.single[b], quint16(b), 1);
        for (int lead = 0; lead < 256; ++lead) {
            if (!t.isLead[lead])
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail)
                offer(t.pair[size_t(lead << 8 | trail)], quint16(lead << 8 | trail), 2);
        }
        iconv_t cd = iconv_open("CP932", "UTF-16LE");
        if (cd == iconv_t(-1))
            return;
        for (int u = 0x80; u < 65536; ++u) {
            if (candidates[u] < 2)
                continue;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char16_t in = char16_t(u);
            unsigned char outBytes[4];
            char *src = reinterpret_cast<char *>(&in);
            char *dst = reinterpret_cast<char *>(outBytes);
            size_t inLeft = 2, outLeft = sizeof(outBytes);
            if (iconv(cd, &src, &inLeft, &dst, &outLeft) == size_t(-1))
                continue;
            const size_t n = sizeof(outBytes) - outLeft;
            const quint16 c = n == 1 ? outBytes[0] : quint16(outBytes[0] << 8 | outBytes[1]);
            const char16_t back = n == 1 ? t.single[outBytes[0]] : t.pair[c];
            if ((n == 1 || n == 2) && back == u) {
                code[u] = c;
                length[u] = quint8(n);
            }
        }
        iconv_close(cd);
    }
};

const Cp932Encoder &cp932Encoder()
{
    static const Cp932Encoder encoder;
    return encoder;
}

// Decodes one line of CP932 bytes into out (which has room for size units).
qsizetype decodeCp932Into(const Cp932Table &t, const unsigned char *p, qsizetype size, char16_t *out,
                          bool *valid = nullptr)
{
    qsizetype o = 0;
    for (qsizetype i = 0; i < size;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out[o++] = b;
            ++i;
            continue;
        }
        if (t.isLead[b] && i + 1 < size) {
            const char16_t u = t.pair[size_t(b << 8 | p[i + 1])];
            if (u != 0xFFFF) {
                out[o++] = u;
                i += 2;
                continue;
            }
        }
        const char16_t u = t.isLead[b] ? char16_t(0xFFFF) : t.single[b];
        if (u == 0xFFFF && valid)
            *valid = false;
        out[o++] = u == 0xFFFF ? char16_t(0xFFFD) : u; // invalid: replacement, skip one byte
        ++i;
    }
    return o;
}

} // namespace

QString EncodingError::codePoint() const
{
    // A whole pair is one code point; an unpaired half is named by its own
    // code rather than by the replacement character.
    return characters::codePoint(m_char);
}

namespace textfile {

TextEncoding detectEncoding(const QByteArray &bytes, int *markLength)
{
    TextEncoding e = TextEncoding::Cp932;
    int n = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        e = TextEncoding::Utf8Bom;
        n = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        e = TextEncoding::Utf16LE;
        n = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        e = TextEncoding::Utf16BE;
        n = 2;
    }
    if (markLength)
        *markLength = n;
    return e;
}

QByteArray byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    case TextEncoding::Cp932:
        break;
    }
    return QByteArray();
}

QByteArray lineEnd(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QByteArray("\r\0\n\0", 4);
    case TextEncoding::Utf16BE:
        return QByteArray("\0\r\0\n", 4);
    default:
        return QByteArray("\r\n", 2);
    }
}

QString decodeLine(TextEncoding encoding, const char *data, qsizetype size, bool *valid)
{
    if (valid)
        *valid = true;
    switch (encoding) {
    case TextEncoding::Cp932: {
        const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
        qsizetype i = 0;
        while (i < size && p[i] < 0x80)
            ++i;
        if (i == size)
            return QString::fromLatin1(data, size);
        QString out;
        out.resize(size); // a CP932 character never yields more than one UTF-16 unit
        out.resize(decodeCp932Into(cp932Table(), p, size, reinterpret_cast<char16_t *>(out.data()), valid));
        return out;
    }
    case TextEncoding::Utf8Bom: {
        // The file's mark is behind us; a U+FEFF that starts a line is
        // text and is kept (Qt's decoders drop it by default).
        const bool startsWithMark = size >= 3 && data[0] == '\xEF' && data[1] == '\xBB' && data[2] == '\xBF';
        if (!valid && !startsWithMark)
            return QString::fromUtf8(data, size);
        QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString out = dec.decode(QByteArrayView(data, size));
        if (dec.hasError() && valid)
            *valid = false;
        return out;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool le = encoding == TextEncoding::Utf16LE;
        const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
        const qsizetype units = size / 2;
        QString out;
        out.resize(units + (size % 2));
        char16_t *o = reinterpret_cast<char16_t *>(out.data());
        for (qsizetype i = 0; i < units; ++i)
            o[i] = le ? char16_t(p[2 * i] | p[2 * i + 1] << 8) : char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        if (size % 2) {
            o[units] = 0xFFFD; // a lone final byte
            if (valid)
                *valid = false;
        }
        return out;
    }
    }
    return QString();
}

qsizetype asciiPrefix(const char *data, qsizetype size)
{
    qsizetype i = 0;
    // Eight bytes at a time while none has its high bit set.
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

bool isValidText(TextEncoding encoding, const char *data, qsizetype size)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
    switch (encoding) {
    case TextEncoding::Cp932: {
        qsizetype i = asciiPrefix(data, size);
        if (i == size)
            return true;
        const Cp932Table &t = cp932Table();
        while (i < size) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                i += asciiPrefix(data + i, size - i);
            } else if (t.isLead[b] && i + 1 < size && t.pair[size_t(b << 8 | p[i + 1])] != 0xFFFF) {
                i += 2;
            } else if (t.isLead[b] || t.single[b] == 0xFFFF) {
                return false;
            } else {
                ++i;
            }
        }
        return true;
    }
    case TextEncoding::Utf8Bom:
        if (asciiPrefix(data, size) == size)
            return true;
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return size % 2 == 0;
    }
    bool valid = true;
    decodeLine(encoding, data, size, &valid);
    return valid;
}

bool encodeLine(TextEncoding encoding, QStringView text, QByteArray &out, qsizetype *badIndex)
{
    switch (encoding) {
    case TextEncoding::Cp932: {
        const Cp932Encoder &enc = cp932Encoder();
        const qsizetype start = out.size();
        const QChar *p = text.data();
        // Room for two bytes a character, written in place and cut to size.
        out.resize(start + 2 * text.size());
        char *o = out.data() + start;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = p[i].unicode();
            if (u < 0x80) {
                *o++ = char(u);
                continue;
            }
            const quint16 code = enc.code[u];
            if (enc.length[u] == 1) {
                *o++ = char(code);
            } else if (enc.length[u] == 2) {
                *o++ = char(code >> 8);
                *o++ = char(code & 0xFF);
            } else {
                if (badIndex)
                    *badIndex = i;
                out.resize(start);
                return false;
            }
        }
        out.resize(o - out.constData());
        return true;
    }
    case TextEncoding::Utf8Bom:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        // Any character can be written, but not half of a surrogate pair.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (characters::sizeAt(text, i) == 2) {
                ++i;
                continue;
            }
            if (text[i].isSurrogate()) {
                if (badIndex)
                    *badIndex = i;
                return false;
            }
        }
        if (encoding == TextEncoding::Utf8Bom) {
            out.append(text.toUtf8());
            return true;
        }
        const bool le = encoding == TextEncoding::Utf16LE;
        const qsizetype start = out.size();
        out.resize(start + text.size() * 2);
        char *o = out.data() + start;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            o[2 * i] = char(le ? u & 0xFF : u >> 8);
            o[2 * i + 1] = char(le ? u >> 8 : u & 0xFF);
        }
        return true;
    }
    }
    return false;
}

EncodingError unencodable(const QString &text, qsizetype index, int line, TextEncoding encoding)
{
    const QString ch = index < text.size() ? characters::at(text, index) : QString();
    EncodingError probe(QString(), line, ch);
    const QString how = encoding == TextEncoding::Cp932 ? QStringLiteral("シフトJISで") : QString();
    return EncodingError(QStringLiteral("%1 行目の文字「%2」(%3) は%4保存できません。").arg(line + 1).arg(ch, probe.codePoint(), how),
                         line, ch);
}

QString decodeCp932(const char *data, qsizetype size)
{
    return decodeLine(TextEncoding::Cp932, data, size);
}

bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex)
{
    return encodeLine(TextEncoding::Cp932, text, out, badIndex);
}

TextFileContent decode(const QByteArray &bytes)
{
    TextFileContent result;
    int mark = 0;
    result.encoding = detectEncoding(bytes, &mark);
    const char *data = bytes.constData() + mark;
    forEachLine(data, bytes.size() - mark, result.encoding, [&](qsizetype start, qsizetype end) {
        result.lines.append(decodeLine(result.encoding, data + start, end - start));
    });
    return result;
}

QByteArray encode(const QStringList &lines, TextEncoding encoding)
{
    QByteArray out = byteOrderMark(encoding);
    const QByteArray end = lineEnd(encoding);
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size() + 2;
    out.reserve(total * (unitSize(encoding) == 2 ? 2 : 1) + total / 4);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qsizetype bad = 0;
        if (!encodeLine(encoding, lines.at(i), out, &bad))
            throw unencodable(lines.at(i), bad, int(i), encoding);
        out.append(end);
    }
    return out;
}

namespace {

// The files this process has read (device, inode and the time of their
// last change): an output that is one of them would overwrite what is being
// read. The change time tells a file removed since, whose inode a new file
// has been given, from the file read.
struct FileId
{
    dev_t dev;
    ino_t ino;
    timespec changed;
    static FileId of(const struct stat &st) { return {st.st_dev, st.st_ino, st.st_ctim}; }
    bool operator==(const FileId &o) const
    {
        return dev == o.dev && ino == o.ino && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};
std::vector<FileId> &inputsRead()
{
    static std::vector<FileId> ids;
    return ids;
}

bool wasRead(const struct stat &st)
{
    const FileId id = FileId::of(st);
    const auto &ids = inputsRead();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Standard input named as a file, and descriptors the caller opened (process
// substitution): the explicit pipes a command reads.
bool isExplicitPipe(const QString &path)
{
    static const QRegularExpression descriptor(QStringLiteral("^/(dev/fd|proc/self/fd)/[0-9]+$"));
    return path == QLatin1String("-") || path == QLatin1String("/dev/stdin") || descriptor.match(path).hasMatch();
}

QString sizeText(qint64 bytes)
{
    const qint64 mib = 1024 * 1024;
    if (bytes % (1024 * mib) == 0)
        return QStringLiteral("%1 GiB").arg(bytes / (1024 * mib));
    return bytes % mib == 0 ? QStringLiteral("%1 MiB").arg(bytes / mib) : QStringLiteral("%1 バイト").arg(bytes);
}

} // namespace

QByteArray readBytes(const QString &path, qint64 limit)
{
    auto failed = [&](const QString &reason) {
        return FileError(QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, reason));
    };
    auto tooLarge = [&] {
        return InputTooLarge(QStringLiteral("ファイル %1 を読み込めません: %2 を超えています。").arg(path, sizeText(limit)));
    };
    // Opened without waiting: a FIFO without a writer, a device or a socket
    // would otherwise block or never end. Only a regular file, or standard
    // input and descriptors named explicitly, are read.
    const bool explicitPipe = isExplicitPipe(path);
    int fd = path == QLatin1String("-") ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                        : ::open(QFile::encodeName(path).constData(),
                                                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw failed(errno == ENXIO ? QStringLiteral("ファイルではありません。")
                                    : QString::fromLocal8Bit(std::strerror(errno)));
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0)
        throw failed(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        throw failed(QStringLiteral("フォルダです。"));
    if (!S_ISREG(st.st_mode) && !(explicitPipe && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode))))
        throw failed(QStringLiteral("ファイルではありません。"));
    if (S_ISREG(st.st_mode) && st.st_size > limit)
        throw tooLarge();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (S_ISREG(st.st_mode))
        inputsRead().push_back(FileId::of(st));

    QByteArray bytes;
    qint64 size = S_ISREG(st.st_mode) && !explicitPipe ? qint64(st.st_size) : 0;
    if (size > 0) {
        // Read straight into one buffer of the file's size, with room after
        // it for the lines an edit appends to a register's bytes (address
        // space only until used), so that such an edit does not copy them.
        bytes.reserve(size + 65536 + size / 32);
        memory::adviseHugePages(bytes.data(), size_t(bytes.capacity()));
    }
    // Until the end of the data, and one byte past the limit to tell that
    // there is more (a file that grew meanwhile, a pipe without end).
    for (;;) {
        if (bytes.size() > limit)
            throw tooLarge();
        if (bytes.capacity() - bytes.size() < 65536)
            bytes.reserve(std::max<qsizetype>(bytes.capacity() * 2, bytes.size() + 65536));
        const qint64 room = bytes.capacity() - bytes.size();
        const qint64 want = std::min<qint64>(room, limit + 1 - bytes.size());
        const qsizetype old = bytes.size();
        bytes.resize(old + want);
        const ssize_t r = ::read(fd, bytes.data() + old, size_t(want));
        if (r < 0 && errno == EINTR) {
            bytes.truncate(old);
            continue;
        }
        if (r < 0)
            throw failed(QString::fromLocal8Bit(std::strerror(errno)));
        bytes.truncate(old + r);
        if (r == 0)
            break;
    }
    return bytes;
}

TextFileContent read(const QString &path)
{
    return decode(readBytes(path));
}

bool sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    auto resolved = [](const QString &path) {
        const QFileInfo fi(path);
        const QString canonical = fi.canonicalFilePath();
        return canonical.isEmpty() ? fi.absoluteFilePath() : canonical;
    };
    return resolved(a) == resolved(b);
}

OutputKind outputKind(const QString &path)
{
    if (path == QLatin1String("-") || path == QLatin1String("/dev/stdout"))
        return OutputKind::Standard;
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return OutputKind::File; // a new name; a folder that is missing is reported by the write
    if (S_ISREG(st.st_mode))
        return OutputKind::File;
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))
        return OutputKind::Stream;
    return OutputKind::Refused;
}

QString sameAsInputMessage(const QString &path)
{
    return QStringLiteral("%1 は読み込んでいるファイルと同じです。別のファイル名を指定してください。").arg(path);
}

QString refusedOutputMessage(const QString &path)
{
    return QStringLiteral("%1 はファイルではありません。書き込むファイルの名前を指定してください。").arg(path);
}

namespace {
qint64 nextFailAfter = -1;
// Bytes gathered before they are written: few system calls for the many
// small writes of a PDF.
constexpr qint64 OutputBufferSize = 256 * 1024;
} // namespace

void failNextWriteAfter(qint64 bytes)
{
    nextFailAfter = bytes;
}

OutputFile::OutputFile(const QString &path, bool streams, Links links)
    : m_path(path), m_kind(outputKind(path)), m_links(links), m_streams(streams)
{
    if (!streams && m_kind != OutputKind::File)
        m_kind = OutputKind::Refused;
}

OutputFile::~OutputFile()
{
    if (m_save)
        m_save->cancelWriting(); // the temporary file goes with it
}

void OutputFile::fail(const QString &reason)
{
    if (m_save)
        m_save->cancelWriting();
    if (isOpen())
        close();
    throw FileError(QStringLiteral("ファイル %1 に書き込めません: %2").arg(m_path, reason));
}

void OutputFile::start()
{
    m_failAfter = nextFailAfter;
    nextFailAfter = -1;
    switch (m_kind) {
    case OutputKind::Refused:
        throw FileError(refusedOutputMessage(m_path));
    case OutputKind::File: {
        const QByteArray native = QFile::encodeName(m_path);
        struct stat st;
        if (m_links == Links::Refuse && ::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            throw FileError(QStringLiteral("ファイル %1 に書き込めません: シンボリックリンクです。リンク先には書き込みません。").arg(m_path));
        // The file that would be replaced, links followed as the save follows them.
        if (m_streams && ::stat(native.constData(), &st) == 0 && wasRead(st))
            throw FileError(sameAsInputMessage(m_path));
        // Unbuffered: the bytes are buffered here, where every write is checked.
        m_save = std::make_unique<QSaveFile>(m_path);
        if (!m_save->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fail(m_save->errorString());
        break;
    }
    case OutputKind::Standard: {
        // Written into as it is: standard output appended to a file that was
        // read (`-o - >> r.TAV`) would grow the very file being read.
        struct stat st;
        if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode) && wasRead(st))
            throw FileError(sameAsInputMessage(m_path));
        m_stream = std::make_unique<QFile>();
        if (!m_stream->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            fail(m_stream->errorString());
        break;
    }
    case OutputKind::Stream: {
        // A FIFO nobody reads is refused now rather than waited on.
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            throw FileError(errno == ENXIO
                                ? QStringLiteral("ファイル %1 に書き込めません: 読み出すプログラムがありません。").arg(m_path)
                                : QStringLiteral("ファイル %1 に書き込めません: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
        struct stat st;
        if (::fstat(fd, &st) != 0 || (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) || wasRead(st)) {
            ::close(fd);
            throw FileError(refusedOutputMessage(m_path));
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_stream = std::make_unique<QFile>();
        if (!m_stream->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            fail(m_stream->errorString());
        }
        break;
    }
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool OutputFile::drain(const char *data, qint64 size)
{
    QFileDevice &target = m_save ? static_cast<QFileDevice &>(*m_save) : static_cast<QFileDevice &>(*m_stream);
    qint64 allowed = size;
    if (m_failAfter >= 0 && m_written + size > m_failAfter)
        allowed = m_failAfter - m_written;
    errno = 0;
    const qint64 n = allowed > 0 ? target.write(data, allowed) : 0;
    const int error = errno; // Qt's own text of a failed write is often "Unknown error"
    if (n > 0)
        m_written += n;
    if (n == size)
        return true;
    m_failure = n == allowed ? QString::fromLocal8Bit(std::strerror(ENOSPC))
                : error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                             : target.errorString();
    setErrorString(m_failure);
    return false;
}

qint64 OutputFile::writeData(const char *data, qint64 size)
{
    if (!m_failure.isEmpty())
        return -1;
    if (m_buffer.size() + size > OutputBufferSize) {
        if (!m_buffer.isEmpty() && !drain(m_buffer.constData(), m_buffer.size()))
            return -1;
        m_buffer.clear();
        if (size >= OutputBufferSize)
            return drain(data, size) ? size : -1; // a large block goes straight through
    }
    m_buffer.append(data, size);
    return size;
}

void OutputFile::commit()
{
    if (!m_save && !m_stream)
        start(); // nothing was written: an empty file
    if (m_failure.isEmpty() && !m_buffer.isEmpty() && drain(m_buffer.constData(), m_buffer.size()))
        m_buffer.clear();
    if (!m_failure.isEmpty())
        fail(m_failure);
    // Nothing should be left in Qt's buffer either; a failed flush is not
    // reported by QSaveFile::commit() itself.
    QFileDevice &target = m_save ? static_cast<QFileDevice &>(*m_save) : static_cast<QFileDevice &>(*m_stream);
    if (!target.flush())
        fail(target.errorString());
    if (m_save) {
        if (m_beforeRename)
            m_beforeRename(int(m_save->handle()));
        if (!m_save->commit())
            fail(m_save->errorString());
        m_save.reset();
    } else {
        m_stream->close();
    }
    close();
}

namespace {
void writeWhole(const QString &path, const QByteArray &bytes, bool streams, OutputFile::Links links)
{
    OutputFile f(path, streams, links);
    f.start();
    f.write(bytes);
    f.commit();
}
} // namespace

void writeOutput(const QString &path, const QByteArray &bytes)
{
    writeWhole(path, bytes, true, OutputFile::Links::Follow);
}

void writeBytes(const QString &path, const QByteArray &bytes, OutputFile::Links links)
{
    writeWhole(path, bytes, false, links);
}

void write(const QString &path, const QStringList &lines, TextEncoding encoding, OutputFile::Links links)
{
    writeBytes(path, encode(lines, encoding), links); // encoding may throw before the file is touched
}

} // namespace textfile
