// Sheet images, the strip composite of both views, and tavrel-cli render.

#include "stripfixture.h"

#include "platform/fonts.h"
#include "register/series.h"
#include "register/templates.h"
#include "strip/cellrenderer.h"
#include "strip/colourline.h"
#include "strip/picture.h"
#include "strip/stripimage.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace strip;

namespace {

const QRgb Silver = qRgb(192, 192, 192), Grey = qRgb(128, 128, 128), BlackRgb = qRgb(0, 0, 0),
           WhiteRgb = qRgb(255, 255, 255);

Fixed4 fx(const QString &s) { return Fixed4::parse(s); }
MmRect mm(const QStringList &r) { return {fx(r[0]), fx(r[1]), fx(r[2]), fx(r[3])}; }

// Pixels of `r` in `img` that are not `colour`.
int pixelsOtherThan(const QImage &img, const QRect &r, QRgb colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixel(x, y) != colour;
    return n;
}

QString pictureData(QColor c)
{
    QImage pic(3, 3, QImage::Format_RGB32);
    pic.fill(c);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    pic.save(&buf, "JPEG", 100);
    return encodeBase64(bytes);
}

} // namespace

class TestStripImage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void sheet();
    void keyNumbers_data();
    void keyNumbers();
    void cellElements();
    void overviewText();
    void templateStrips();
    void cli_data();
    void cli();
};

void TestStripImage::sheet()
{
    // Section 0 at x = 10 mm, width 20.25 mm: columns 43 to 131 in the detail view.
    TestEntry e = entryWithCells({1, 1});
    e.sections[0].rect = QStringList{"10", "0", "20.25", "40"};
    e.sections[0].cells[0].keyBox = QStringList{"2", "2", "10", "5"};
    e.sections[0].cells[1 - 1].keyCode = "";
    // Section 1 covers the lower part of section 0 and its key box there.
    e.sections[1].rect = QStringList{"10", "5", "40", "20"};
    e.sections[1].cells[0].keyBox = QStringList{"20", "10", "8", "5"};
    QStringList lines = registerLines({e});
    QImage d = renderSheet(lines, FirstHeader, View::Detail);
    QCOMPARE(d.size(), QSize(650, 793));
    QCOMPARE(d.pixel(42, 2), WhiteRgb);
    QCOMPARE(d.pixel(43, 2), BlackRgb);
    QCOMPARE(d.pixel(44, 2), Silver);
    QCOMPARE(d.pixel(131, 2), BlackRgb);
    QCOMPARE(d.pixel(132, 2), WhiteRgb);
    // Key box of section 0 at 12 mm x, 2..7 mm y: drawn, then painted over below 5 mm.
    const int kx = (Fixed4::fromInt(13) * fx("4.3952")).toPixels();
    QCOMPARE(d.pixel(kx, (fx("3") * fx("3.778")).toPixels()), Grey);
    QCOMPARE(d.pixel(kx, (fx("6") * fx("3.778")).toPixels()), Silver);
    QCOMPARE(d.pixel((fx("31") * fx("4.3952")).toPixels(), (fx("16") * fx("3.778")).toPixels()), Grey);
    QCOMPARE(renderSheet(lines, FirstHeader, View::Overview).size(), QSize(688, 626));

    // Plain corners for the ｕＬ series, rounded ones for the others.
    const EdgeRect key = keyBoxRect(mm(e.sections[1].rect), mm(e.sections[1].cells[0].keyBox),
                                    viewScales(6, View::Detail));
    e.series = QStringLiteral("ＳＩＰ対応電話機");
    lines = registerLines({e});
    d = renderSheet(lines, FirstHeader, View::Detail);
    const QRect k = key.pixels();
    QCOMPARE(d.pixel(k.topLeft()), Silver);
    QCOMPARE(d.pixel(k.center().x(), k.top()), BlackRgb);
    QCOMPARE(d.pixel(k.left(), k.center().y()), BlackRgb);
    QCOMPARE(d.pixel(k.center()), Grey);
    e.series = QStringLiteral("Ｋシリーズ主装置");
    d = renderSheet(registerLines({e}), FirstHeader, View::Detail);
    QCOMPARE(d.pixel(keyBoxRect(mm(e.sections[1].rect), mm(e.sections[1].cells[0].keyBox),
                                viewScales(5, View::Detail)).pixels().topLeft()),
             BlackRgb);
}

void TestStripImage::keyNumbers_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("keyCode");
    QTest::addColumn<bool>("shown");
    QTest::newRow("shown") << "1" << "007" << true;
    QTest::newRow("negative key code") << "2" << "-12" << true;
    QTest::newRow("flag 0") << "0" << "012" << false;
    QTest::newRow("key number 0") << "1" << "000" << false;
    QTest::newRow("not a number") << "1" << "abc" << false;
}

void TestStripImage::keyNumbers()
{
    QFETCH(QString, flag);
    QFETCH(QString, keyCode);
    QFETCH(bool, shown);
    TestEntry e = entryWithCells({1});
    e.sections[0].flag = flag;
    TestCell &c = e.sections[0].cells[0];
    c.keyCode = keyCode;
    c.keyNumberSize = "36"; // far taller than its box: the label is cut at the box
    const QStringList lines = registerLines({e});
    for (View v : {View::Detail, View::Overview}) {
        const QImage img = renderStrip(lines, FirstHeader, v);
        const ViewScales s = sheetGeometry(e.series, e.type).view(v);
        const QRect box = boxRect(mm(e.sections[0].rect), mm(c.keyNumberBox), s);
        QCOMPARE(pixelsOtherThan(img, box, Grey) > 0, shown);
        QCOMPARE(pixelsOtherThan(img, QRect(box.left(), box.bottom() + 1, box.width(), 3), Grey), 0);
        QCOMPARE(pixelsOtherThan(img, QRect(box.right() + 1, box.top(), 1, box.height()), Grey), 0);
    }
}

void TestStripImage::cellElements()
{
    TestEntry e = entryWithCells({4});
    QList<TestCell> &cells = e.sections[0].cells;
    cells[1].keyCode = "abc";                    // shown, no frame
    cells[2].keyCode = " \t";                    // no text area, no frame
    cells[3].pictureType = ".jpg";               // picture instead of text
    cells[3].pictureData = pictureData(Qt::green);
    for (TestCell &c : cells)
        c.text = QStringList{"■■■"};
    QStringList lines = registerLines({e});
    const ViewScales s = viewScales(1, View::Detail);
    const MmRect sec = mm(e.sections[0].rect);
    auto areaOf = [&](int i) { return boxRect(sec, mm(cells[i].textArea), s); };
    auto frameOf = [&](int i) { return frameRect(sec, mm(cells[i].textArea), s); };

    QImage img = renderStrip(lines, FirstHeader, View::Detail);
    QCOMPARE(img.pixel(frameOf(0).topLeft()), BlackRgb);
    QCOMPARE(img.pixel(frameOf(0).topLeft() + QPoint(1, 1)), WhiteRgb);
    QCOMPARE(img.pixel(frameOf(1).topLeft()), Grey);
    QCOMPARE(img.pixel(areaOf(1).topLeft()), WhiteRgb);
    QVERIFY(pixelsOtherThan(img, areaOf(1), WhiteRgb) > 0);
    QCOMPARE(pixelsOtherThan(img, frameOf(2), Grey), 0);
    const QRect pic = areaOf(3);
    const QRgb green = decodePicture(cells[3].pictureType, cells[3].pictureData).pixel(0, 0);
    QVERIFY(qGreen(green) > 200 && qRed(green) < 50);
    QCOMPARE(pixelsOtherThan(img, pic, green), 0);

    // With its picture line emptied the cell shows its text again.
    lines[locateCell(lines, FirstHeader, 3) + 30] = QString();
    img = renderStrip(lines, FirstHeader, View::Detail);
    QCOMPARE(img.pixel(pic.topLeft()), WhiteRgb);
    QVERIFY(pixelsOtherThan(img, pic, WhiteRgb) > 0);
    QCOMPARE(pixelsOtherThan(img, pic, WhiteRgb), pixelsOtherThan(img, areaOf(0), WhiteRgb));
}

void TestStripImage::overviewText()
{
    // Layout 6 draws 10 points as 9 in the overview and 10 in the detail view.
    TestEntry e = entryWithCells({1});
    e.series = QStringLiteral("ｕＴシリーズ主装置");
    TestCell &c = e.sections[0].cells[0];
    c.size = "10";
    c.text = QStringList{"内線201", "営業"};
    const QStringList lines = registerLines({e});
    const int record = locateCell(lines, FirstHeader, 0);
    const TextFormat f = readTextFormat(lines, record);
    for (View v : {View::Detail, View::Overview}) {
        const QImage img = renderStrip(lines, FirstHeader, v);
        const QRect area = boxRect(mm(e.sections[0].rect), mm(c.textArea), viewScales(6, v));
        QImage at9(area.size(), QImage::Format_RGB32), at10(area.size(), QImage::Format_RGB32);
        drawCellText(at9, f, c.text, 9);
        drawCellText(at10, f, c.text, 10);
        QVERIFY(at9 != at10);
        QCOMPARE(img.copy(area), v == View::Overview ? at9 : at10);
    }
}

void TestStripImage::templateStrips()
{
    // Every installed template makes a strip that both views draw, with text
    // areas on the sheet.
    const QString folder = TAVREL_BINARY_DIR "/";
    int strips = 0;
    for (int sr = 0; sr < series::Count; ++sr) {
        for (const QString &type : templates::listTemplates(folder, series::caption(sr))) {
            RegisterDocument doc;
            templates::appendEntryFromTemplate(doc, folder, {"201", "", "", "", series::caption(sr), type});
            const SheetGeometry g = sheetGeometry(series::caption(sr), type);
            for (View v : {View::Detail, View::Overview}) {
                const QImage img = renderStrip(doc.lines(), FirstHeader, v);
                QCOMPARE(img.size(), QSize(g.view(v).pixelWidth, g.view(v).pixelHeight));
                QVERIFY2(pixelsOtherThan(img, img.rect(), WhiteRgb) > 0, qPrintable(type));
            }
            ++strips;
        }
    }
    QVERIFY(strips > 0);
}

void TestStripImage::cli_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("detail") << "ok" << QStringList{"--entry", "1"} << 0 << QSize(650, 793) << "";
    QTest::newRow("overview") << "ok" << QStringList{"--entry", "1", "--view", "overview"} << 0 << QSize(688, 626)
                              << "";
    QTest::newRow("no such entry") << "ok" << QStringList{"--entry", "2"} << 1 << QSize() << "";
    QTest::newRow("bad view") << "ok" << QStringList{"--entry", "1", "--view", "all"} << 2 << QSize() << "";
    QTest::newRow("60 + 41 cells") << "over" << QStringList{"--entry", "1"} << 1 << QSize()
                                   << "ボタンの数が多すぎます。";
    QTest::newRow("101 sections") << "sections" << QStringList{"--entry", "1"} << 1 << QSize()
                                  << "ボタンの数が多すぎます。";
    QTest::newRow("malformed flag") << "flag" << QStringList{"--entry", "1"} << 1 << QSize() << "11 行目";
}

void TestStripImage::cli()
{
    QFETCH(QString, what);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    QFETCH(QString, message);
    TestEntry e = entryWithCells(what == "over" ? QList<int>{60, 41} : QList<int>{3});
    if (what == "sections")
        e = entryWithCells(QList<int>(101, 0));
    if (what == "flag")
        e.sections[0].flag = "x";
    QTemporaryDir dir;
    RegisterDocument doc;
    doc.setLines(registerLines({e}));
    doc.save(dir.filePath("t.TAV"));
    const QString out = dir.filePath("out.png");
    QProcess p;
    p.start(TAVREL_BINARY_DIR "/tavrel-cli", QStringList{"render", dir.filePath("t.TAV")} + args + QStringList{"-o", out});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(message));
    QCOMPARE(QImage(out).size(), size.isValid() ? size : QSize(0, 0));
}

QTEST_MAIN(TestStripImage)
#include "test_stripimage.moc"
