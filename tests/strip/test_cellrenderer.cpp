// The cell renderer on the pixels of its text image, and the colour lines.

#include "stripfixture.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"
#include "strip/geometry.h"
#include "strip/picture.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

using namespace strip;

namespace {

const QString Gothic = QStringLiteral("ＭＳ Ｐゴシック");

QFont fontOf(int pixels)
{
    QFont f(Gothic);
    f.setPixelSize(pixels);
    return f;
}

// What one line should look like: drawn with its cell's top-left corner at
// (x, y) and cut to rows top..bottom-1, black on white.
void drawExpected(QImage &img, const QString &s, int pixels, int x, int y, int top, int bottom)
{
    QPainter p(&img);
    const QFont f = fontOf(pixels);
    p.setFont(f);
    p.setPen(Qt::black);
    p.setClipRect(QRect(0, top, img.width(), bottom - top));
    p.drawText(QPoint(x, y + QFontMetrics(f).ascent()), s);
}

bool hasColour(const QImage &img, QRgb c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == c)
                return true;
    return false;
}

QString bmpBase64(QColor colour)
{
    QImage pic(4, 3, QImage::Format_RGB32);
    pic.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    pic.save(&buf, "BMP");
    return encodeBase64(bytes);
}

} // namespace

class TestCellRenderer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void placement_data();
    void placement();
    void colours_data();
    void colours();
    void colourOperations_data();
    void colourOperations();
    void backgroundOnly_data();
    void backgroundOnly();
    void pictureOrText();
    void malformed_data();
    void malformed();
};

void TestCellRenderer::placement_data()
{
    QTest::addColumn<int>("width");      // area width; with fromText, added to the first line's width
    QTest::addColumn<bool>("fromText");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QStringList>("text");
    QTest::addColumn<QList<int>>("expected"); // per line: x, y, clip top, clip bottom
    QTest::newRow("one line in 30 px") << 60 << false << 30 << 10 << 1 << QStringList{"■g"}
                                       << QList<int>{0, 8, 8, 21};
    QTest::newRow("three 16 px lines in 40 px")
        << 60 << false << 40 << 12 << 1 << QStringList{"■g", "■g", "■g"}
        << QList<int>{0, -4, 0, 12, 0, 12, 12, 28, 0, 28, 28, 40};
    QTest::newRow("centre, 7 px to spare") << 7 << true << 20 << 9 << 2 << QStringList{"内線201"}
                                           << QList<int>{3, 4, 4, 16};
    QTest::newRow("centre, wider than the area") << -7 << true << 20 << 9 << 2 << QStringList{"内線201"}
                                                 << QList<int>{-3, 4, 4, 16};
    QTest::newRow("right") << 10 << true << 20 << 9 << 3 << QStringList{"内線201"} << QList<int>{10, 4, 4, 16};
    QTest::newRow("alignment 0 at the left") << 10 << true << 20 << 9 << 0 << QStringList{"内線201"}
                                             << QList<int>{0, 4, 4, 16};
    QTest::newRow("alignment 4 at the left") << 10 << true << 20 << 9 << 4 << QStringList{"内線201"}
                                             << QList<int>{0, 4, 4, 16};
    QTest::newRow("two 13 px lines in 40 px") << 60 << false << 40 << 10 << 1 << QStringList{"営", "業"}
                                              << QList<int>{0, 7, 7, 20, 0, 20, 20, 33};
    QTest::newRow("lines wholly outside are skipped")
        << 60 << false << 10 << 12 << 1 << QStringList{"■", "■", "■"} << QList<int>{0, -19, 0, 0, 0, -3, 0, 10, 0, 13, 0, 0};
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
    const int pixels = lineHeightPixels(points);
    if (fromText)
        width += QFontMetrics(fontOf(pixels)).horizontalAdvance(text.first());

    TextFormat f;
    f.face = Gothic;
    f.alignment = alignment;
    QImage got(width, height, QImage::Format_RGB32);
    got.fill(Qt::red); // every pixel must be drawn
    drawCellText(got, f, text, points);

    QImage want(width, height, QImage::Format_RGB32);
    want.fill(Qt::white);
    for (qsizetype j = 0; j < text.size(); ++j) {
        const int *e = expected.constData() + 4 * j;
        if (e[3] > e[2])
            drawExpected(want, text.at(j), pixels, e[0], e[1], e[2], e[3]);
    }
    QCOMPARE(got, want);
}

void TestCellRenderer::colours_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    QTest::newRow("white on black") << "16777215,0" << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("red on white") << "255" << QColor(Qt::red) << QColor(Qt::white);
    QTest::newRow("empty line") << "" << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("black on green") << "0,65280" << QColor(Qt::black) << QColor(0, 255, 0);
    QTest::newRow("blue on white, junk after the comma") << "16711680,x" << QColor(Qt::blue) << QColor(Qt::white);
    QTest::newRow("junk text colour") << "abc,255" << QColor(Qt::black) << QColor(Qt::red);
    QTest::newRow("second comma") << "0,255,0" << QColor(Qt::black) << QColor(Qt::white);
}

void TestCellRenderer::colours()
{
    QFETCH(QString, line);
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    TestCell c;
    c.colours = line;
    c.text = QStringList{"■"};
    const RenderedCell r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QCOMPARE(r.text.pixelColor(0, 0), background);
    QCOMPARE(r.text.pixelColor(39, 19), background);
    QVERIFY(hasColour(r.text, text.rgb()));
}

void TestCellRenderer::colourOperations_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("result");
    QTest::newRow("green background, no comma") << "255" << "bg" << 65280 << "255,65280";
    QTest::newRow("green text, no comma") << "255" << "text" << 65280 << "65280,16777215";
    QTest::newRow("red text") << "0,16777215" << "text" << 255 << "255,16777215";
    QTest::newRow("black background") << "0,16777215" << "bg" << 0 << "0,0";
    QTest::newRow("text keeps everything after the comma") << "x,1,2" << "text" << 7 << "7,1,2";
    QTest::newRow("background of an empty line") << "" << "bg" << 5 << ",5";
}

void TestCellRenderer::colourOperations()
{
    QFETCH(QString, line);
    QFETCH(QString, op);
    QFETCH(int, colour);
    QFETCH(QString, result);
    const QString got = op == "bg" ? withBackgroundColour(line, colour) : withTextColour(line, colour);
    QCOMPARE(got, result);
    QCOMPARE(op == "bg" ? backgroundColourOf(got) : textColourOf(got), colour);
}

void TestCellRenderer::backgroundOnly_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QStringList>("text");
    QTest::newRow("no lines") << "9" << QStringList{};
    QTest::newRow("size 0") << "0" << QStringList{"■■■"};
    QTest::newRow("negative size") << "-9" << QStringList{"■■■"};
}

void TestCellRenderer::backgroundOnly()
{
    QFETCH(QString, points);
    QFETCH(QStringList, text);
    TestCell c;
    c.size = points;
    c.colours = "0,16711680";
    c.text = text;
    const QImage img = renderCell(c.lines(), 0, QSize(30, 12), points.toInt()).text;
    QImage blue(30, 12, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QCOMPARE(img, blue);
}

void TestCellRenderer::pictureOrText()
{
    TestCell c;
    c.text = QStringList{"■■"};
    c.pictureType = ".BMP";
    c.pictureData = bmpBase64(Qt::green);
    RenderedCell r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(r.showsPicture);
    QVERIFY(r.text.isNull());
    QCOMPARE(r.picture.size(), QSize(4, 3));
    QCOMPARE(r.picture.pixelColor(0, 0), QColor(Qt::green));

    c.pictureType = " \t";
    r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(!r.showsPicture);
    QVERIFY(r.picture.isNull());
    QVERIFY(hasColour(r.text, qRgb(0, 0, 0)));

    // Undecodable data still counts as a picture and hides the text.
    c.pictureType = ".jpg";
    r = renderCell(c.lines(), 0, QSize(40, 20), 9);
    QVERIFY(r.showsPicture);
    QVERIFY(r.picture.isNull());

    // A face that is not installed is drawn with a substitute.
    c.pictureType.clear();
    c.face = "No Such Face 123";
    QVERIFY(hasColour(renderCell(c.lines(), 0, QSize(40, 20), 9).text, qRgb(0, 0, 0)));
}

void TestCellRenderer::malformed_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("value");
    QTest::newRow("size") << 20 << "9pt";
    QTest::newRow("bold") << 22 << "yes";
    QTest::newRow("italic") << 23 << "";
    QTest::newRow("alignment") << 24 << "centre";
    QTest::newRow("line count") << 32 << "one";
}

void TestCellRenderer::malformed()
{
    QFETCH(int, line);
    QFETCH(QString, value);
    TestCell c;
    c.text = QStringList{"x"};
    QStringList lines = QStringList{"a", "b"} + c.lines(); // the record starts at line 2
    lines[2 + line] = value;
    try {
        renderCell(lines, 2, QSize(40, 20), 9);
        QFAIL("no error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.line(), 2 + line);
    }
    // A count past the end is refused, not read.
    lines = c.lines();
    lines[32] = "2";
    QVERIFY_THROWS_EXCEPTION(TavrelError, renderCell(lines, 0, QSize(40, 20), 9));
}

QTEST_MAIN(TestCellRenderer)
#include "test_cellrenderer.moc"
