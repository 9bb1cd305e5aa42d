#include "platform/textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <iconv.h>

namespace {

// One iconv descriptor per direction, opened on first use. The program has a
// single thread doing file work, so the descriptors are not shared.
class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (m_cd != iconv_t(-1))
            iconv_close(m_cd);
    }
    iconv_t get() const { return m_cd; }
    void reset() const { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

const Iconv &decoder()
{
    static thread_local Iconv cd("UTF-16LE", "CP932");
    if (cd.get() == iconv_t(-1))
        throw FileError(QStringLiteral("CP932 の変換を利用できません。"));
    return cd;
}

const Iconv &encoder()
{
    static thread_local Iconv cd("CP932", "UTF-16LE");
    if (cd.get() == iconv_t(-1))
        throw FileError(QStringLiteral("CP932 の変換を利用できません。"));
    return cd;
}

void splitLines(const QString &text, QStringList &lines)
{
    const QChar *base = text.constData();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = base[i].unicode();
        if (c == u'\r' || c == u'\n') {
            lines.append(QString(base + start, i - start));
            if (c == u'\r' && i + 1 < n && base[i + 1].unicode() == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(QString(base + start, n - start));
}

} // namespace

QString EncodingError::codePoint() const
{
    const QList<uint> ucs = m_char.toUcs4();
    if (ucs.isEmpty())
        return QString();
    return QStringLiteral("U+") + QString::number(ucs.first(), 16).toUpper().rightJustified(4, u'0');
}

namespace textfile {

QString decodeCp932(const char *data, qsizetype size)
{
    const Iconv &cd = decoder();
    cd.reset();
    QString out;
    out.resize(size); // a CP932 character never yields more than one UTF-16 unit
    char *in = const_cast<char *>(data);
    size_t inLeft = size_t(size);
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = size_t(size) * 2;
    while (inLeft > 0) {
        size_t r = iconv(cd.get(), &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Invalid or truncated sequence: one replacement character, skip a byte.
            if (outLeft < 2)
                break;
            const char16_t rep = 0xFFFD;
            memcpy(dst, &rep, 2);
            dst += 2;
            outLeft -= 2;
            ++in;
            --inLeft;
            cd.reset();
        } else {
            break; // E2BIG cannot happen with the sizing above
        }
    }
    out.resize(qsizetype((dst - reinterpret_cast<char *>(out.data())) / 2));
    return out;
}

bool encodeCp932(const QString &text, QByteArray &out, qsizetype *badIndex)
{
    const Iconv &cd = encoder();
    cd.reset();
    const qsizetype start = out.size();
    out.resize(start + text.size() * 2);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *dst = out.data() + start;
    size_t outLeft = size_t(text.size()) * 2;
    size_t r = iconv(cd.get(), &in, &inLeft, &dst, &outLeft);
    if (r == size_t(-1) || r > 0) {
        // iconv's count of irreversible conversions is also a failure: CP932
        // must hold every character exactly.
        if (badIndex) {
            qsizetype consumed = qsizetype((size_t(text.size()) * 2 - inLeft) / 2);
            *badIndex = consumed;
        }
        out.resize(start);
        return false;
    }
    out.resize(qsizetype(dst - out.data()));
    // Some characters are written one way only (U+301C becomes the code of
    // U+FF5E); those would come back as another character, so they count as
    // not representable.
    const QString back = decodeCp932(out.constData() + start, out.size() - start);
    if (back != text) {
        qsizetype i = 0;
        while (i < text.size() && i < back.size() && text.at(i) == back.at(i))
            ++i;
        if (badIndex)
            *badIndex = i;
        out.resize(start);
        return false;
    }
    return true;
}

TextFileContent decode(const QByteArray &bytes)
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
        text = decodeCp932(bytes.constData(), bytes.size());
    }
    splitLines(text, result.lines);
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

TextFileContent read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, f.errorString()));
    return decode(bytes);
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
