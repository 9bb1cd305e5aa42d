// The cell renderer on the pixels of its text image, colour lines, and the
// decoding of stored pictures.

#include "stripfixture.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "register/geometry.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"
#include "strip/picture.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>
#include <QtEndian>

using namespace strip;

namespace {

QFont gothic(int pixels)
{
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(pixels);
    return f;
}

bool hasColour(const QImage &img, QRgb c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == c)
                return true;
    return false;
}

QByteArray fileBytes(QSize size, QColor colour, const char *format)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

// The 54-byte header of a 24-bit BMP claiming the given size, without pixels.
QByteArray bmpHeaderOnly(int w, int h)
{
    QByteArray b(54, '\0');
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1, b[28] = 24;
    qToLittleEndian(quint32(w), b.data() + 18);
    qToLittleEndian(quint32(h), b.data() + 22);
    return b;
}

} // namespace

class TestCellRenderer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void placement_data();
    void placement();
    void windowOfArea_data();
    void windowOfArea();
    void colours_data();
    void colours();
    void colourOperations();
    void pictureOrText();
    void linesCutAsShown();
    void malformed();
    void base64_data();
    void base64();
    void decode_data();
    void decode();
};

void TestCellRenderer::placement_data()
{
    QTest::addColumn<int>("width"); // area width; with fromText, added to the first line's width
    QTest::addColumn<bool>("fromText");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QStringList>("text");
    QTest::addColumn<QList<int>>("expected"); // per line: x, y, clip top, clip bottom
    const QStringList one{"内線201"};
    QTest::newRow("one line in 30 px") << 60 << false << 30 << 10 << 1 << QStringList{"■g"} << QList<int>{0, 8, 8, 21};
    QTest::newRow("three 16 px lines in 40 px") << 60 << false << 40 << 12 << 1 << QStringList{"■g", "■g", "■g"}
                                                << QList<int>{0, -4, 0, 12, 0, 12, 12, 28, 0, 28, 28, 40};
    QTest::newRow("two 13 px lines in 40 px") << 60 << false << 40 << 10 << 1 << QStringList{"営", "業"}
                                              << QList<int>{0, 7, 7, 20, 0, 20, 20, 33};
    QTest::newRow("lines wholly outside skipped") << 60 << false << 10 << 12 << 1 << QStringList{"■", "■", "■"}
                                                  << QList<int>{0, -19, 0, 0, 0, -3, 0, 10, 0, 13, 0, 0};
    QTest::newRow("centre, 7 px to spare") << 7 << true << 20 << 9 << 2 << one << QList<int>{3, 4, 4, 16};
    QTest::newRow("centre, wider than the area") << -7 << true << 20 << 9 << 2 << one << QList<int>{-3, 4, 4, 16};
    QTest::newRow("right") << 10 << true << 20 << 9 << 3 << one << QList<int>{10, 4, 4, 16};
    QTest::newRow("alignment 0 at the left") << 10 << true << 20 << 9 << 0 << one << QList<int>{0, 4, 4, 16};
    QTest::newRow("alignment 4 at the left") << 10 << true << 20 << 9 << 4 << one << QList<int>{0, 4, 4, 16};
}

void TestCellRenderer::placement()
{
    QFETCH(int, width);
    QFETCH(bool, fromText);
    QFETCH(int, height);
    QFETCH(int, points);
    QFETCH(int, alignment);
    QFETCH(QStringList, text);
    QFETCH(QList<int>, expected);
    const QFont font = gothic(lineHeightPixels(points));
    if (fromText)
        width += QFontMetrics(font).horizontalAdvance(text.first());
    TextFormat f;
    f.face = font.family();
    f.alignment = alignment;
    QImage got(width, height, QImage::Format_RGB32);
    got.fill(Qt::red); // every pixel must be drawn
    drawCellText(got, f, text, points);

    // Each line drawn with its top-left corner at (x, y), cut to its band.
    QImage want(width, height, QImage::Format_RGB32);
    want.fill(Qt::white);
    QPainter p(&want);
    p.setFont(font);
    for (qsizetype j = 0; j < text.size(); ++j) {
        const int *e = expected.constData() + 4 * j;
        p.setClipRect(QRect(0, e[2], width, e[3] - e[2]));
        if (e[3] > e[2])
            p.drawText(QPoint(e[0], e[1] + QFontMetrics(font).ascent()), text.at(j));
    }
    p.end();
    QCOMPARE(got, want);
}

void TestCellRenderer::windowOfArea_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<int>("alignment");
    QTest::newRow("whole area") << QRect(0, 0, 90, 40) << 2;
    QTest::newRow("left half") << QRect(0, 0, 45, 40) << 2;
    QTest::newRow("right part, right aligned") << QRect(50, 0, 40, 40) << 3;
    QTest::newRow("one band") << QRect(10, 13, 60, 9) << 1;
    QTest::newRow("one pixel") << QRect(44, 20, 1, 1) << 2;
}

void TestCellRenderer::windowOfArea()
{
    // A window of the area holds exactly the pixels of the whole area there.
    QFETCH(QRect, window);
    QFETCH(int, alignment);
    TextFormat f;
    f.face = QStringLiteral("ＭＳ Ｐゴシック");
    f.background = 0x00FFFF;
    f.textColour = 0xFF0000;
    f.alignment = alignment;
    const QStringList text{"内線201", "営業部 第二課", "g■"};
    const QSize area(90, 40);
    QImage whole(area, QImage::Format_RGB32);
    drawCellText(whole, f, text, 10);
    QImage part(window.size(), QImage::Format_RGB32);
    part.fill(Qt::red); // every pixel must be drawn
    drawCellTextWindow(part, area, window.topLeft(), f, text, 10);
    QCOMPARE(part, whole.copy(window));
}

void TestCellRenderer::colours_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QStringList>("text");
    QTest::addColumn<QColor>("ink"); // invalid: nothing but the background
    QTest::addColumn<QColor>("background");
    const QStringList t{"■"};
    QTest::newRow("white on black") << "16777215,0" << "9" << t << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("red on white") << "255" << "9" << t << QColor(Qt::red) << QColor(Qt::white);
    QTest::newRow("empty line") << "" << "9" << t << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("junk parts") << "abc,x" << "9" << t << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("blue background") << "0,16711680" << "9" << t << QColor(Qt::black) << QColor(Qt::blue);
    QTest::newRow("no lines") << "0,16711680" << "9" << QStringList{} << QColor() << QColor(Qt::blue);
    QTest::newRow("size 0") << "0,65280" << "0" << t << QColor() << QColor(Qt::green);
}

void TestCellRenderer::colours()
{
    QFETCH(QString, line);
    QFETCH(QString, size);
    QFETCH(QStringList, text);
    QFETCH(QColor, ink);
    QFETCH(QColor, background);
    TestCell c;
    c.colours = line;
    c.size = size;
    c.text = text;
    const QImage img = renderCell(c.lines(), 0, QSize(40, 20), size.toInt()).text;
    QImage plain(img.size(), img.format());
    plain.fill(background);
    if (ink.isValid())
        QVERIFY(img.pixelColor(0, 0) == background && hasColour(img, ink.rgb()));
    else
        QCOMPARE(img, plain);
}

void TestCellRenderer::colourOperations()
{
    QCOMPARE(withBackgroundColour("255", 65280), QString("255,65280"));
    QCOMPARE(withTextColour("255", 65280), QString("65280,16777215"));
    QCOMPARE(withTextColour("0,16777215", 255), QString("255,16777215"));
    QCOMPARE(withBackgroundColour("0,16777215", 0), QString("0,0"));
}

void TestCellRenderer::pictureOrText()
{
    TestCell c;
    c.text = QStringList{"■■"};
    c.pictureType = ".BMP";
    c.pictureData = encodeBase64(fileBytes(QSize(4, 3), Qt::green, "BMP"));
    RenderedCell r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(r.showsPicture && r.text.isNull());
    QCOMPARE(r.picture.size(), QSize(4, 3));
    QCOMPARE(r.picture.pixelColor(0, 0), QColor(Qt::green));
    c.pictureType = " \t"; // blank: the text returns
    r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(!r.showsPicture && r.picture.isNull() && hasColour(r.text, qRgb(0, 0, 0)));
    c.pictureType = ".jpg"; // undecodable: still a picture, the text stays hidden
    r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(r.showsPicture && r.picture.isNull() && r.text.isNull());
    c.pictureType.clear(); // a face that is not installed is drawn with a substitute
    c.face = "No Such Face 123";
    QVERIFY(hasColour(renderCell(c.lines(), 0, QSize(40, 20), 9).text, qRgb(0, 0, 0)));
}

void TestCellRenderer::linesCutAsShown()
{
    // A cell shows at most 20 characters a line, as the views cut them, so
    // a rendered strip (and the printed one) looks as the window shows it;
    // a line of a hundred thousand characters draws as fast as a short one.
    TestCell longer, cut;
    longer.text = QStringList{QString(25, u'W'), QString(100000, u'i') + "x", "ab"};
    cut.text = QStringList{QString(20, u'W'), QString(20, u'i'), "ab"};
    for (const char *align : {"1", "2", "3"}) {
        QStringList l = longer.lines(), c = cut.lines();
        l[24] = c[24] = QLatin1String(align);
        QCOMPARE(renderCell(l, 0, QSize(300, 40), 6).text, renderCell(c, 0, QSize(300, 40), 6).text);
    }
}

void TestCellRenderer::malformed()
{
    TestCell c;
    c.text = QStringList{"x"};
    for (int line : {20, 22, 23, 24, 32}) {
        QStringList lines = QStringList{"a", "b"} + c.lines(); // the record starts at line 2
        lines[2 + line] = "1x";
        try {
            renderCell(lines, 2, QSize(40, 20), 9);
            QFAIL("no error");
        } catch (const ConversionError &e) {
            QCOMPARE(e.line(), 2 + line);
        }
    }
    QStringList lines = c.lines();
    lines[32] = "2"; // a count past the end is refused, not read
    QVERIFY_THROWS_EXCEPTION(TavrelError, renderCell(lines, 0, QSize(40, 20), 9));
}

void TestCellRenderer::base64_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("padding") << "TWFuTWE=" << QByteArray("ManMa");
    QTest::newRow("two pads") << "TQ==" << QByteArray("M");
    QTest::newRow("short last group") << "TWF" << QByteArray("Ma");
    QTest::newRow("invalid inside a group") << "T!Fu" << QByteArray("\x4C\x01", 2); // 4C 01 6E, one short
    QTest::newRow("line break shifts the groups") << "TWFu\r\nTWE=" << QByteArray("Man\0", 4);
    QTest::newRow("only padding") << "====" << QByteArray();
    QTest::newRow("all value ranges") << "+/09az" << QByteArray("\xFB\xFD\x3D\x6B", 4);
}

void TestCellRenderer::base64()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(decodeBase64(text), bytes);
}

void TestCellRenderer::decode_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size"); // (0, 0): an empty picture
    QTest::addColumn<QSize>("drawn"); // decoded for that size; invalid: any
    const QByteArray jpeg = fileBytes(QSize(8, 6), Qt::red, "JPEG");
    const QByteArray bmp = fileBytes(QSize(5, 3), Qt::blue, "BMP");
    QTest::newRow("jpg") << ".jpg" << jpeg << QSize(8, 6) << QSize();
    QTest::newRow("JPeG") << ".JPeG" << jpeg << QSize(8, 6) << QSize();
    QTest::newRow("bmp") << ".bmp" << bmp << QSize(5, 3) << QSize();
    QTest::newRow("type without its dot") << "bmp" << bmp << QSize(0, 0) << QSize();
    QTest::newRow("png is no picture type") << ".png" << fileBytes(QSize(2, 2), Qt::red, "PNG") << QSize(0, 0) << QSize();
    QTest::newRow("format chosen by the type") << ".bmp" << jpeg << QSize(0, 0) << QSize();
    QTest::newRow("corrupt bmp") << ".bmp" << QByteArray("BM\x01\x02garbage") << QSize(0, 0) << QSize();
    QTest::newRow("corrupt jpeg") << ".jpg" << jpeg.left(20) + QByteArray(40, 'x') << QSize(0, 0) << QSize();
    QTest::newRow("10000 px wide") << ".bmp" << fileBytes(QSize(10000, 1), Qt::green, "BMP") << QSize(10000, 1) << QSize();
    QTest::newRow("10001 px wide") << ".bmp" << bmpHeaderOnly(10001, 1) << QSize(0, 0) << QSize();
    QTest::newRow("20000 x 20000") << ".bmp" << bmpHeaderOnly(20000, 20000) << QSize(0, 0) << QSize();
    const QByteArray photo = fileBytes(QSize(1600, 1200), Qt::darkGreen, "JPEG");
    QTest::newRow("jpeg drawn smaller: decoded at the drawn size") << ".jpg" << photo << QSize(160, 90) << QSize(160, 90);
    QTest::newRow("jpeg drawn narrower only") << ".jpg" << photo << QSize(100, 1200) << QSize(100, 5000);
    QTest::newRow("bmp drawn smaller") << ".bmp" << fileBytes(QSize(50, 40), Qt::blue, "BMP") << QSize(10, 8) << QSize(10, 8);
    QTest::newRow("drawn larger: its own size") << ".jpg" << jpeg << QSize(8, 6) << QSize(300, 300);
    QTest::newRow("over the limit drawn small: still none") << ".bmp" << bmpHeaderOnly(20000, 20000) << QSize(0, 0)
                                                           << QSize(10, 10);
}

void TestCellRenderer::decode()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QSize, drawn);
    QCOMPARE(decodePicture(type, encodeBase64(bytes), drawn).size(), size);
}

QTEST_MAIN(TestCellRenderer)
#include "test_cellrenderer.moc"
