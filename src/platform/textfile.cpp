#include "platform/textfile.h"

#include <QFile>
#include <cstring>
#include <vector>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <iconv.h>

namespace {

// Registers repeat a small set of short values ("0", "", "ＭＳ 明朝", the
// geometry of their templates) millions of times; sharing one QString per
// distinct short line saves an allocation per line and most of the memory.
class LineInterner
{
public:
    LineInterner() : m_slots(Slots) {}

    QString intern(const QChar *data, qsizetype size)
    {
        if (size > MaxLength)
            return QString(data, size);
        size_t h = size_t(size);
        for (qsizetype i = 0; i < size; ++i)
            h = h * 31 + data[i].unicode();
        QString &slot = m_slots[(h ^ (h >> 13)) & (Slots - 1)];
        if (slot.size() == size && (size == 0 ? !slot.isNull() : memcmp(slot.constData(), data, size_t(size) * 2) == 0))
            return slot;
        slot = size == 0 ? QString(QLatin1String("")) : QString(data, size);
        return slot;
    }

private:
    static constexpr qsizetype MaxLength = 24;
    static constexpr size_t Slots = 1 << 13;
    std::vector<QString> m_slots;
};

void splitLines(const QString &text, QStringList &lines)
{
    const QChar *base = text.constData();
    const qsizetype n = text.size();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n; ++i)
        if (base[i].unicode() == u'\n' || base[i].unicode() == u'\r')
            ++count;
    lines.reserve(count + 1);
    LineInterner interner;
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = base[i].unicode();
        if (c == u'\r' || c == u'\n') {
            lines.append(interner.intern(base + start, i - start));
            if (c == u'\r' && i + 1 < n && base[i + 1].unicode() == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(interner.intern(base + start, n - start));
}

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
qsizetype decodeCp932Into(const Cp932Table &t, const unsigned char *p, qsizetype size, char16_t *out)
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
        out[o++] = u == 0xFFFF ? char16_t(0xFFFD) : u; // invalid: replacement, skip one byte
        ++i;
    }
    return o;
}

// Splits CP932 bytes into lines and decodes each. CR and LF never occur as
// trail bytes, so the bytes can be split before decoding. Short lines are
// shared through a small cache keyed by their bytes.
void decodeCp932Lines(const QByteArray &bytes, QStringList &lines, std::vector<quint64> *prints)
{
    const Cp932Table &t = cp932Table();
    const unsigned char *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n; ++i)
        if (data[i] == '\n' || data[i] == '\r')
            ++count;
    lines.reserve(count + 1);
    if (prints)
        prints->reserve(size_t(count + 1));

    constexpr qsizetype MaxCached = 32;
    constexpr size_t Slots = 1 << 13;
    struct Slot
    {
        unsigned char key[MaxCached];
        qsizetype size = -1;
        QString text;
        quint64 print = 0;
    };
    std::vector<Slot> cache(Slots);
    char16_t buffer[MaxCached];

    auto emit = [&](qsizetype start, qsizetype end) {
        const qsizetype size = end - start;
        const unsigned char *p = data + start;
        if (size <= MaxCached) {
            size_t h = size_t(size) * 0x9E3779B97F4A7C15ull;
            for (qsizetype i = 0; i < size; ++i)
                h = (h ^ p[i]) * 0x100000001B3ull;
            Slot &slot = cache[(h >> 17) & (Slots - 1)];
            if (slot.size == size && memcmp(slot.key, p, size_t(size)) == 0) {
                lines.append(slot.text);
                if (prints)
                    prints->push_back(slot.print);
                return;
            }
            const qsizetype units = decodeCp932Into(t, p, size, buffer);
            slot.text = units == 0 ? QString(QLatin1String("")) : QString(reinterpret_cast<const QChar *>(buffer), units);
            memcpy(slot.key, p, size_t(size));
            slot.size = size;
            slot.print = textfile::lineFingerprint(slot.text);
            lines.append(slot.text);
            if (prints)
                prints->push_back(slot.print);
            return;
        }
        QString s;
        s.resize(size);
        s.resize(decodeCp932Into(t, p, size, reinterpret_cast<char16_t *>(s.data())));
        if (prints)
            prints->push_back(textfile::lineFingerprint(s));
        lines.append(s);
    };

    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = data[i];
        if (c == '\r' || c == '\n') {
            emit(start, i);
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        emit(start, n);
}

} // namespace

QString EncodingError::codePoint() const
{
    if (m_char.isEmpty())
        return QString();
    // A whole pair is one code point; an unpaired half is named by its own
    // code rather than by the replacement character.
    char32_t code = m_char.at(0).unicode();
    if (m_char.size() >= 2 && m_char.at(0).isHighSurrogate() && m_char.at(1).isLowSurrogate())
        code = QChar::surrogateToUcs4(m_char.at(0), m_char.at(1));
    return QStringLiteral("U+") + QString::number(uint(code), 16).toUpper().rightJustified(4, u'0');
}

namespace textfile {

QString decodeCp932(const char *data, qsizetype size)
{
    QString out;
    out.resize(size); // a CP932 character never yields more than one UTF-16 unit
    out.resize(decodeCp932Into(cp932Table(), reinterpret_cast<const unsigned char *>(data), size,
                               reinterpret_cast<char16_t *>(out.data())));
    return out;
}

bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex)
{
    const Cp932Encoder &enc = cp932Encoder();
    const qsizetype start = out.size();
    out.reserve(start + text.size() * 2);
    const QChar *p = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = p[i].unicode();
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        const quint16 code = enc.code[u];
        if (enc.length[u] == 1) {
            out.append(char(code));
        } else if (enc.length[u] == 2) {
            out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        } else {
            if (badIndex)
                *badIndex = i;
            out.resize(start);
            return false;
        }
    }
    return true;
}

quint64 lineFingerprint(QStringView line)
{
    return quint64(qHash(line, size_t(0x51ED27)));
}

std::vector<quint64> fingerprints(const QStringList &lines)
{
    // Lines that share one string (most short lines of a loaded register do)
    // are hashed once: a small cache keyed by the string's data pointer.
    struct Slot
    {
        const QChar *data = nullptr;
        qsizetype size = -1;
        quint64 hash = 0;
    };
    constexpr size_t Slots = 1 << 12;
    std::vector<Slot> cache(Slots);
    std::vector<quint64> out;
    out.reserve(size_t(lines.size()));
    for (const QString &l : lines) {
        const QChar *d = l.constData();
        Slot &slot = cache[(reinterpret_cast<quintptr>(d) >> 4) & (Slots - 1)];
        if (slot.data != d || slot.size != l.size()) {
            slot.data = d;
            slot.size = l.size();
            slot.hash = lineFingerprint(l);
        }
        out.push_back(slot.hash);
    }
    return out;
}

TextFileContent decode(const QByteArray &bytes, bool withFingerprints)
{
    TextFileContent result;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        result.encoding = TextEncoding::Utf8Bom;
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        result.encoding = TextEncoding::Utf16LE;
        QStringDecoder dec(QStringDecoder::Utf16LE);
        text = dec(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        result.encoding = TextEncoding::Utf16BE;
        QStringDecoder dec(QStringDecoder::Utf16BE);
        text = dec(bytes.mid(2));
    } else {
        decodeCp932Lines(bytes, result.lines, withFingerprints ? &result.fingerprints : nullptr);
        return result;
    }
    splitLines(text, result.lines);
    if (withFingerprints)
        result.fingerprints = fingerprints(result.lines);
    return result;
}

QByteArray encode(const QStringList &lines, TextEncoding encoding)
{
    QByteArray out;
    if (encoding == TextEncoding::Cp932) {
        qsizetype total = 0;
        for (const QString &l : lines)
            total += l.size() + 2;
        out.reserve(total + total / 4);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &l = lines.at(i);
            bool ascii = true;
            for (QChar c : l)
                if (c.unicode() >= 0x80) {
                    ascii = false;
                    break;
                }
            if (ascii) {
                for (QChar c : l)
                    out.append(char(c.unicode()));
            } else {
                qsizetype bad = 0;
                if (!encodeCp932(l, out, &bad)) {
                    QString ch = bad < l.size() ? QString(l.at(bad)) : QString();
                    if (bad + 1 < l.size() && l.at(bad).isHighSurrogate() && l.at(bad + 1).isLowSurrogate())
                        ch = l.mid(bad, 2);
                    EncodingError probe(QString(), int(i), ch);
                    throw EncodingError(QStringLiteral("%1 行目の文字「%2」(%3) はシフトJISで保存できません。")
                                            .arg(i + 1)
                                            .arg(ch, probe.codePoint()),
                                        int(i), ch);
                }
            }
            out.append("\r\n", 2);
        }
        return out;
    }
    QString text;
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size() + 2;
    text.reserve(total);
    for (const QString &l : lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        out = "\xEF\xBB\xBF" + text.toUtf8();
        break;
    case TextEncoding::Utf16LE: {
        QStringEncoder enc(QStringEncoder::Utf16LE);
        out = QByteArray("\xFF\xFE", 2) + QByteArray(enc(text));
        break;
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder enc(QStringEncoder::Utf16BE);
        out = QByteArray("\xFE\xFF", 2) + QByteArray(enc(text));
        break;
    }
    case TextEncoding::Cp932:
        break;
    }
    return out;
}

TextFileContent read(const QString &path, bool withFingerprints)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, f.errorString()));
    return decode(bytes, withFingerprints);
}

void write(const QString &path, const QStringList &lines, TextEncoding encoding)
{
    const QByteArray bytes = encode(lines, encoding); // may throw before the file is touched
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("ファイル %1 に書き込めません: %2").arg(path, f.errorString()));
    if (f.write(bytes) != bytes.size() || !f.commit())
        throw FileError(QStringLiteral("ファイル %1 に書き込めません: %2").arg(path, f.errorString()));
}

} // namespace textfile
