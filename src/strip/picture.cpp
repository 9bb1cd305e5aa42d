#include "strip/picture.h"

#include <QBuffer>
#include <QImageReader>
#include <cstdio>
#include <mutex>
#include <thread>

namespace strip {

namespace {

int base64Value(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return c - u'A';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 26;
    if (c >= u'0' && c <= u'9')
        return c - u'0' + 52;
    if (c == u'+')
        return 62;
    if (c == u'/')
        return 63;
    return -1;
}

// Collects what the codecs say while one picture is decoded on this thread
// ("Corrupt JPEG data: …", "QBuffer::seek: Invalid pos: …"): a sign of
// damage, not a message for the user's console. Messages of other threads
// pass on. One picture is decoded at a time.
class CodecComplaints
{
public:
    CodecComplaints() : m_one(s_decoding)
    {
        s_thread = std::this_thread::get_id();
        s_count = 0;
        s_previous = qInstallMessageHandler(handler);
    }
    ~CodecComplaints() { qInstallMessageHandler(s_previous); }
    bool any() const { return s_count > 0; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type != QtFatalMsg && std::this_thread::get_id() == s_thread) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                ++s_count;
            return;
        }
        if (s_previous)
            s_previous(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
    std::lock_guard<std::mutex> m_one;
    static inline std::mutex s_decoding;
    static inline QtMessageHandler s_previous = nullptr;
    static inline std::thread::id s_thread;
    static inline int s_count = 0;
};

} // namespace

QByteArray decodeBase64(const QString &text)
{
    const qsizetype n = text.size();
    QByteArray out;
    out.reserve((n + 3) / 4 * 3);
    for (qsizetype i = 0; i < n; i += 4) {
        quint32 group = 0;
        int invalid = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = i + k < n ? base64Value(text.at(i + k).unicode()) : -1;
            if (v < 0)
                ++invalid;
            group = (group << 6) | quint32(v < 0 ? 0 : v);
        }
        const char bytes[3] = {char(group >> 16), char(group >> 8), char(group)};
        if (invalid < 3)
            out.append(bytes, 3 - invalid);
    }
    return out;
}

QString encodeBase64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

QByteArray pictureFormatOf(const QString &type)
{
    if (type.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0
        || type.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0)
        return QByteArrayLiteral("JPEG");
    if (type.compare(QLatin1String(".bmp"), Qt::CaseInsensitive) == 0)
        return QByteArrayLiteral("BMP");
    return QByteArray();
}

QImage decodePicture(const QString &type, const QString &data, QSize drawn)
{
    const QByteArray format = pictureFormatOf(type);
    if (format.isEmpty())
        return QImage();
    // Four characters give at most three bytes: refuse before decoding.
    if ((qint64(data.size()) + 3) / 4 * 3 > MaxPictureBytes)
        return QImage();
    return decodePictureBytes(format, decodeBase64(data), nullptr, drawn);
}

bool hasPictureSignature(const QByteArray &format, const QByteArray &bytes)
{
    if (format == "BMP")
        return bytes.startsWith("BM");
    if (format == "JPEG")
        return bytes.startsWith("\xFF\xD8\xFF");
    return false;
}

bool withinPictureSide(QSize size)
{
    return size.width() <= MaxPictureSide && size.height() <= MaxPictureSide;
}

namespace {

// A reader over the bytes that trusts the format given, with Qt's
// allocation limit raised to ours; the codecs' complaints are kept off the
// console while it lives.
struct PictureReader
{
    const CodecComplaints complaints;
    QBuffer buffer;
    QImageReader reader;
    PictureReader(QByteArray *bytes, const QByteArray &format) : buffer(bytes)
    {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setDecideFormatFromContent(false);
        // Qt's own limit would refuse large pictures that are still within ours.
        reader.setAllocationLimit(int(qint64(MaxPictureSide) * MaxPictureSide * 4 / (1024 * 1024) + 1));
    }
};

} // namespace

QSize pictureSize(const QByteArray &format, QByteArray bytes)
{
    if (qint64(bytes.size()) > MaxPictureBytes || !hasPictureSignature(format, bytes))
        return QSize();
    PictureReader r(&bytes, format);
    return r.reader.size();
}

QImage decodePictureBytes(const QByteArray &format, QByteArray bytes, bool *damaged, QSize drawn)
{
    if (damaged)
        *damaged = false;
    if (qint64(bytes.size()) > MaxPictureBytes)
        return QImage();
    // Data that does not even begin like a file of its format is corrupt;
    // refusing it here keeps the codecs from complaining on the console.
    if (!hasPictureSignature(format, bytes))
        return QImage();
    PictureReader r(&bytes, format);
    QImageReader &reader = r.reader;
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || !withinPictureSide(size))
        return QImage();
    // Decoded at the size it is drawn when that is smaller: the JPEG codec
    // then decodes at a fraction of the size instead of the whole picture.
    if (drawn.isValid() && !drawn.isEmpty()) {
        const QSize fit = size.boundedTo(drawn);
        if (fit != size)
            reader.setScaledSize(fit);
    }
    QImage image;
    if (!reader.read(&image))
        return QImage();
    if (damaged)
        *damaged = r.complaints.any();
    return image;
}

} // namespace strip
