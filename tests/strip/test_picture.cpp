// Base64 decoding of stored pictures and decoding them by their type.

#include "strip/picture.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

using namespace strip;

namespace {

QByteArray fileBytes(const QImage &img, const char *format)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

QImage filled(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// The 54-byte header of a 24-bit BMP claiming the given size, with no pixels.
QByteArray bmpHeaderOnly(int w, int h)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(w));
    put32(22, quint32(h));
    b[26] = 1;
    b[28] = 24;
    return b;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void base64_data();
    void base64();
    void decode_data();
    void decode();
};

void TestPicture::base64_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("full group") << "TWFu" << QByteArray("Man");
    QTest::newRow("one pad") << "TWFuTWE=" << QByteArray("ManMa");
    QTest::newRow("two pads") << "TQ==" << QByteArray("M");
    QTest::newRow("short last group") << "TWF" << QByteArray("Ma");
    QTest::newRow("invalid inside a group counts 0")
        << "T!Fu" << QByteArray("\x4C\x01", 2); // 19, 0, 5, 46 -> 4C 01 6E, one byte short
    QTest::newRow("line break shifts the groups") << "TWFu\r\nTWE=" << QByteArray("Man\0", 4);
    QTest::newRow("only padding") << "====" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("all values") << "+/09az" << QByteArray("\xFB\xFD\x3D\x6B", 4); // 62 63 52 61 | 26 51
}

void TestPicture::base64()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(decodeBase64(text), bytes);
    if (text.size() % 4 == 0 && !text.contains(u'!') && !text.contains(u'\r') && text != "====")
        QCOMPARE(decodeBase64(encodeBase64(bytes)), bytes);
}

void TestPicture::decode_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size"); // invalid: an empty picture
    const QByteArray jpeg = fileBytes(filled(8, 6, Qt::red), "JPEG");
    const QByteArray bmp = fileBytes(filled(5, 3, Qt::blue), "BMP");
    QTest::newRow("jpg") << ".jpg" << jpeg << QSize(8, 6);
    QTest::newRow("JPG") << ".JPG" << jpeg << QSize(8, 6);
    QTest::newRow("jpeg") << ".Jpeg" << jpeg << QSize(8, 6);
    QTest::newRow("bmp") << ".bmp" << bmp << QSize(5, 3);
    QTest::newRow("type without its dot") << "bmp" << bmp << QSize();
    QTest::newRow("png is no picture type") << ".png" << fileBytes(filled(2, 2, Qt::red), "PNG") << QSize();
    QTest::newRow("format chosen by the type") << ".bmp" << jpeg << QSize();
    QTest::newRow("trailing space in the type") << ".jpg " << jpeg << QSize();
    QTest::newRow("corrupt bmp") << ".bmp" << QByteArray("BM\x01\x02garbage") << QSize();
    QTest::newRow("corrupt jpeg") << ".jpg" << QByteArray("\xFF\xD8\xFF\x00junk") << QSize();
    QTest::newRow("empty data") << ".jpg" << QByteArray() << QSize();
    QTest::newRow("10000 px wide") << ".bmp" << fileBytes(filled(10000, 1, Qt::green), "BMP") << QSize(10000, 1);
    QTest::newRow("10001 px wide") << ".bmp" << bmpHeaderOnly(10001, 1) << QSize();
    QTest::newRow("20000 x 20000") << ".bmp" << bmpHeaderOnly(20000, 20000) << QSize();
}

void TestPicture::decode()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const QImage img = decodePicture(type, encodeBase64(bytes));
    QCOMPARE(img.size(), size.isValid() ? size : QSize(0, 0));
    QCOMPARE(img.isNull(), !size.isValid());
}

QTEST_GUILESS_MAIN(TestPicture)
#include "test_picture.moc"
