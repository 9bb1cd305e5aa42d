// Sheet images, the strip composite of both views, and tavrel-cli render.

#include "stripfixture.h"

#include "platform/fonts.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/series.h"
#include "register/templates.h"
#include "strip/cellrenderer.h"
#include "strip/picture.h"
#include "strip/stripimage.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace strip;

namespace {

const QRgb Silver = qRgb(192, 192, 192), Grey = qRgb(128, 128, 128), Ink = qRgb(0, 0, 0), Paper = qRgb(255, 255, 255);

MmRect mm(const QStringList &r)
{
    return {Fixed4::parse(r[0]), Fixed4::parse(r[1]), Fixed4::parse(r[2]), Fixed4::parse(r[3])};
}

int pixelsOtherThan(const QImage &img, const QRect &r, QRgb colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixel(x, y) != colour;
    return n;
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
    void longFaceNames();
    void textAreaBeyondSheet();
    void sectionAcrossEverything();
    void editedScene_data();
    void editedScene();
    void templateStrips();
    void sampleTextsFit();
    void twoLinesFitShippedKeys();
    void cli_data();
    void cli();
};

void TestStripImage::sheet()
{
    // Section 0 at x = 10 mm, width 20.25 mm: columns 43 to 131 in the detail
    // view. Section 1 is drawn over its lower part, key box included.
    TestEntry e = entryWithCells({1, 1});
    e.sections[0].rect = QStringList{"10", "0", "20.25", "40"};
    e.sections[0].cells[0].keyBox = QStringList{"2", "2", "10", "5"};
    e.sections[1].rect = QStringList{"10", "5", "40", "20"};
    e.sections[1].cells[0].keyBox = QStringList{"20", "10", "8", "5"};
    QImage d = renderSheet(registerLines({e}), FirstHeader, View::Detail);
    QCOMPARE(d.size(), QSize(650, 793));
    const QList<QRgb> row{Paper, Ink, Silver, Ink, Paper};
    const QList<int> columns{42, 43, 44, 131, 132};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(d.pixel(columns[i], 2), row[i]);
    QCOMPARE(d.pixel(57, 11), Grey);   // 13 mm x 3 mm: key box of section 0
    QCOMPARE(d.pixel(57, 22), Silver); // 13 mm x 6 mm: section 1 painted over it
    QCOMPARE(d.pixel(136, 60), Grey);  // 31 mm x 16 mm: key box of section 1

    // Plain corners for the Ｋ series, rounded ones for series outside the four.
    for (const QString &series : {QStringLiteral("Ｋシリーズ主装置"), QStringLiteral("ＳＩＰ対応電話機")}) {
        e.series = series;
        d = renderSheet(registerLines({e}), FirstHeader, View::Detail);
        const QRect k = keyBoxRect(mm(e.sections[1].rect), mm(e.sections[1].cells[0].keyBox),
                                   viewScales(selectLayout(series, e.type), View::Detail)).pixels();
        QCOMPARE(d.pixel(k.topLeft()), roundedKeyBoxes(series) ? Silver : Ink);
        QCOMPARE(d.pixel(k.center().x(), k.top()), Ink);
        QCOMPARE(d.pixel(k.center()), Grey);
    }
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
    c.keyNumberFormat[1] = "36"; // far taller than its box: the label is cut at the box
    for (View v : {View::Detail, View::Overview}) {
        const QImage img = renderStrip(registerLines({e}), FirstHeader, v);
        const QRect box = boxRect(mm(e.sections[0].rect), mm(c.keyNumberBox), viewScales(1, v));
        QCOMPARE(pixelsOtherThan(img, box, Grey) > 0, shown);
        QCOMPARE(pixelsOtherThan(img, QRect(box.left(), box.bottom() + 1, box.width() + 1, 3), Grey), 0);
        QCOMPARE(pixelsOtherThan(img, QRect(box.right() + 1, box.top(), 1, box.height()), Grey), 0);
    }
}

void TestStripImage::cellElements()
{
    TestEntry e = entryWithCells({4});
    QList<TestCell> &cells = e.sections[0].cells;
    cells[1].keyCode = "abc"; // shown, no frame
    cells[2].keyCode = " \t"; // no text area, no frame
    cells[3].pictureType = ".bmp";
    QImage green(3, 3, QImage::Format_RGB32);
    green.fill(Qt::green);
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    green.save(&buf, "BMP");
    cells[3].pictureData = encodeBase64(bmp);
    QStringList lines = registerLines({e});
    const ViewScales s = viewScales(1, View::Detail);
    const MmRect sec = mm(e.sections[0].rect);
    auto rects = [&](int i) {
        return cellRects(sec, CellMm{mm(cells[i].keyBox), mm(cells[i].keyNumberBox), mm(cells[i].textArea)}, s);
    };

    QImage img = renderStrip(lines, FirstHeader, View::Detail);
    QCOMPARE(img.pixel(rects(0).frame.topLeft()), Ink);
    QCOMPARE(img.pixel(rects(0).frame.topLeft() + QPoint(1, 1)), Paper);
    QCOMPARE(img.pixel(rects(1).frame.topLeft()), Grey);
    QVERIFY(pixelsOtherThan(img, rects(1).textArea, Paper) > 0);
    QCOMPARE(pixelsOtherThan(img, rects(2).frame, Grey), 0);
    const QRect pic = rects(3).textArea;
    QCOMPARE(pixelsOtherThan(img, pic, qRgb(0, 255, 0)), 0);

    // With its picture line emptied the cell shows its text again.
    lines[locateCell(lines, FirstHeader, 3) + 30] = QString();
    img = renderStrip(lines, FirstHeader, View::Detail);
    QVERIFY(pixelsOtherThan(img, pic, Paper) > 0);
    QCOMPARE(img.copy(pic), renderCell(lines, locateCell(lines, FirstHeader, 3), pic.size(), 9).text);
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
    const TextFormat f = readTextFormat(lines, locateCell(lines, FirstHeader, 0));
    for (View v : {View::Detail, View::Overview}) {
        const QRect area = boxRect(mm(e.sections[0].rect), mm(c.textArea), viewScales(6, v));
        QImage at9(area.size(), QImage::Format_RGB32), at10(area.size(), QImage::Format_RGB32);
        drawCellText(at9, f, c.text, 9);
        drawCellText(at10, f, c.text, 10);
        QVERIFY(at9 != at10);
        QCOMPARE(renderStrip(lines, FirstHeader, v).copy(area), v == View::Overview ? at9 : at10);
    }
}

void TestStripImage::longFaceNames()
{
    // A face name of 300,000 characters names no font: it is drawn like any
    // face that is not installed, and without the seconds that matching
    // such a name against the font database took.
    TestEntry e = entryWithCells({2});
    TestEntry unknown = e;
    const QString huge(300000, QChar(0xFFFD));
    e.sections[0].cells[0].keyNumberFormat[0] = huge;
    e.sections[0].cells[1].face = huge;
    unknown.sections[0].cells[0].keyNumberFormat[0] = QStringLiteral("NoSuchFace");
    unknown.sections[0].cells[1].face = QStringLiteral("NoSuchFace");
    for (View v : {View::Detail, View::Overview}) {
        QElapsedTimer timer;
        timer.start();
        const QImage img = renderStrip(registerLines({e}), FirstHeader, v);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
        QCOMPARE(img, renderStrip(registerLines({unknown}), FirstHeader, v));
    }
}

void TestStripImage::textAreaBeyondSheet()
{
    // The text image covers only the part of the area on the sheet: a text
    // area 100 m wide used to cost an image of gigabytes and seconds.
    TestEntry e = entryWithCells({2});
    TestCell &c = e.sections[0].cells[1];
    c.textArea = QStringList{"-60000", "20", "100000", "300"}; // its text far to the left
    c.colours = QStringLiteral("0,255"); // red background
    const QStringList lines = registerLines({e});
    for (View v : {View::Detail, View::Overview}) {
        QElapsedTimer timer;
        timer.start();
        const QImage img = renderStrip(lines, FirstHeader, v);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
        const QRect area = boxRect(mm(e.sections[0].rect), mm(c.textArea), viewScales(1, v));
        const QRect shown = area.intersected(img.rect());
        QCOMPARE(shown.left(), 0);
        QCOMPARE(shown.right(), img.width() - 1);
        QCOMPARE(pixelsOtherThan(img, shown, qRgb(255, 0, 0)), 0);
        QVERIFY(pixelsOtherThan(img, QRect(0, 0, img.width(), shown.top()), qRgb(255, 0, 0)) > 0);
    }

    // An area that runs off the sheet shows the part of the whole area's
    // image that lies on it.
    c.textArea = QStringList{"130", "20", "40", "10"};
    c.colours = QStringLiteral("0");
    c.text = QStringList{"内線番号の長い名前"};
    c.keyCode = QStringLiteral("abc"); // no frame
    const QStringList edge = registerLines({e});
    const QImage img = renderStrip(edge, FirstHeader, View::Detail);
    const QRect area = boxRect(mm(e.sections[0].rect), mm(c.textArea), viewScales(1, View::Detail));
    QVERIFY(area.right() >= img.width());
    const QImage whole = renderCell(edge, locateCell(edge, FirstHeader, 1), area.size(), 9).text;
    const QRect shown = area.intersected(img.rect());
    QCOMPARE(img.copy(shown), whole.copy(shown.translated(-area.topLeft())));
}

void TestStripImage::sectionAcrossEverything()
{
    // A section from 600 km left of the sheet to 400 km right of it covers
    // the sheet: its edges lie beyond the int range of pixels, which used to
    // wrap the rectangle's width negative so that nothing was drawn.
    TestEntry e = entryWithCells({1});
    e.sections[0].rect = QStringList{"-600000000", "-600000000", "999999999", "999999999"};
    for (View v : {View::Detail, View::Overview}) {
        const QImage img = renderSheet(registerLines({e}), FirstHeader, v);
        QCOMPARE(pixelsOtherThan(img, img.rect(), Silver), 0);
    }
}

void TestStripImage::editedScene_data()
{
    // The scene of an edited strip takes the text drawn before the edit from
    // the earlier scene where it still applies, and names the pixels that may
    // differ: its picture is the fresh composite, every changed pixel lies in
    // that area, and cells whose text did not change draw none.
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("reused");
    QTest::newRow("nothing") << "none" << 4;
    QTest::newRow("cell moved") << "move" << 4;
    QTest::newRow("key box wider") << "keyBox" << 4;
    QTest::newRow("text area wider") << "textArea" << 3;
    QTest::newRow("text changed") << "text" << 3;
    QTest::newRow("key code changed") << "keyCode" << 4;
    QTest::newRow("section moved") << "section" << 4;
}

void TestStripImage::editedScene()
{
    QFETCH(QString, edit);
    QFETCH(int, reused);
    TestEntry e = entryWithCells({4});
    const QStringList before = registerLines({e});
    TestCell &c = e.sections[0].cells[1];
    const auto add = [](QString &field, int by) { field = QString::number(field.toInt() + by); };
    if (edit == "move") {
        add(c.keyBox[0], 3);
        add(c.keyNumberBox[0], 3);
        add(c.textArea[0], 3);
    } else if (edit == "keyBox") {
        add(c.keyBox[2], 4);
    } else if (edit == "textArea") {
        add(c.textArea[2], 4);
    } else if (edit == "text") {
        c.text = QStringList{"外線"};
    } else if (edit == "keyCode") {
        c.keyCode = "009";
    } else if (edit == "section") {
        add(e.sections[0].rect[0], 2);
    }
    const QStringList after = registerLines({e});

    const auto picture = [](const StripScene &scene) {
        QImage image(scene.size(View::Detail), QImage::Format_RGB32);
        QPainter p(&image);
        scene.paint(p, View::Detail, image.rect(), [](int) { return 1; });
        return image;
    };
    StripScene was = sceneOfEntry(before, FirstHeader);
    const QImage old = picture(was);
    StripScene now = sceneOfEntry(after, FirstHeader);
    now.adoptDrawn(was);
    int drawn = 0;
    for (int i = 0; i < now.cellCount(); ++i)
        drawn += now.cell(i).drawn[0];
    QCOMPARE(drawn, reused);
    const QImage fresh = picture(now);
    QCOMPARE(fresh, renderStrip(after, FirstHeader, View::Detail));
    const QRegion changed = now.changedArea(was, View::Detail);
    QCOMPARE(changed.isEmpty(), edit == "none");
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            if (fresh.pixel(x, y) != old.pixel(x, y) && !changed.contains(QPoint(x, y)))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 changed outside the area").arg(x).arg(y)));
}

void TestStripImage::templateStrips()
{
    // Every installed template makes a strip that both views draw.
    const QString folder = TAVREL_BINARY_DIR "/";
    int strips = 0;
    for (int sr = 0; sr < series::Count; ++sr) {
        for (const QString &type : templates::listTemplates(folder, series::caption(sr))) {
            RegisterDocument doc;
            templates::appendEntryFromTemplate(doc, folder, {"201", "", "", "", series::caption(sr), type});
            const SheetGeometry g = sheetGeometry(series::caption(sr), type);
            for (View v : {View::Detail, View::Overview})
                QCOMPARE(renderStrip(doc.lines().toStringList(), FirstHeader, v).size(),
                         QSize(g.view(v).pixelWidth, g.view(v).pixelHeight));
            ++strips;
        }
    }
    QVERIFY(strips > 0);
}

namespace {

// Cells of the entry at header line h whose text lines do not all fit the
// height of their text area in a view, at the size the view draws them.
QStringList cramped(const RegisterLines &lines, int h, int *twoLineCells = nullptr)
{
    struct Check : StripVisitor
    {
        const RegisterLines &lines;
        SheetGeometry g;
        QString type;
        QStringList found;
        int twoLines = 0;
        Check(const RegisterLines &l, int h) : lines(l), g(sheetGeometry(l.line(h + 4), l.line(h + 5))), type(l.line(h + 5)) {}
        bool cell(const Section &s, const Cell &c) override
        {
            const int n = int(readTextLines(lines, c.line).size());
            const int p = readTextFormat(lines, c.line).pointSize;
            twoLines += n == 2;
            for (View v : {View::Detail, View::Overview}) {
                const int room = cellRects(s.rect, c.mm, g.view(v)).textArea.height();
                const int needed = n * lineHeightPixels(viewFontSize(p, g, v));
                if (needed > room)
                    found << QStringLiteral("%1 cell %2 (%3 lines at %4 pt): %5 px needed, %6 px in the %7")
                                 .arg(type)
                                 .arg(c.index)
                                 .arg(n)
                                 .arg(p)
                                 .arg(needed)
                                 .arg(room)
                                 .arg(v == View::Detail ? "detail view" : "overview");
            }
            return true;
        }
    } check(lines, h);
    walkStrip(lines, h, check);
    if (twoLineCells)
        *twoLineCells += check.twoLines;
    return check.found;
}

} // namespace

void TestStripImage::sampleTextsFit()
{
    // Every text of the sample register can be read in both views: no line
    // of it is cut at the top or bottom of its text area.
    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"));
    QVERIFY(rows.size() >= 10);
    QStringList found;
    int twoLineKeys = 0;
    for (int n = 1; n <= rows.size(); ++n) {
        found << cramped(doc.lines(), doc.findEntry(n) + 1, &twoLineKeys);
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    QVERIFY(twoLineKeys >= 10); // the sample does show two-line keys
}

void TestStripImage::twoLinesFitShippedKeys()
{
    // Two lines at the default size fit every key of every shipped
    // telephone strip (sections that show key numbers) in both views; the
    // keys of a DSS console hold one name, one line.
    const QString folder = TAVREL_BINARY_DIR "/";
    QStringList found;
    for (int sr = 0; sr < series::Count; ++sr) {
        for (const QString &type : templates::listTemplates(folder, series::caption(sr))) {
            RegisterDocument doc;
            templates::appendEntryFromTemplate(doc, folder, {"201", "", "", "", series::caption(sr), type});
            const bool console = type.contains(QStringLiteral("ＤＳＳコンソール"));
            struct Fill : StripVisitor
            {
                QList<int> cells;
                bool cell(const Section &s, const Cell &c) override
                {
                    if (s.keyNumberFlag != 0)
                        cells << c.index;
                    return true;
                }
            } fill;
            walkStrip(doc.lines(), FirstHeader, fill);
            QVERIFY(!fill.cells.isEmpty());
            for (int c : fill.cells) {
                const int b = locateCell(doc.lines(), FirstHeader, c);
                if (isAssignableKey(doc.line(b + regfmt::cell::KeyCode)))
                    writeCellText(doc, FirstHeader, c, console ? QStringList{"201 山田"} : QStringList{"内線201", "山田"});
            }
            found << cramped(doc.lines(), FirstHeader);
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestStripImage::cli_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("message");
    const QStringList one{"--entry", "1"};
    QTest::newRow("detail") << QList<int>{3} << one << 0 << QSize(650, 793) << "";
    QTest::newRow("overview") << QList<int>{3} << one + QStringList{"--view", "overview"} << 0 << QSize(688, 626) << "";
    QTest::newRow("no such entry") << QList<int>{3} << QStringList{"--entry", "2"} << 1 << QSize() << "";
    QTest::newRow("bad view") << QList<int>{3} << one + QStringList{"--view", "all"} << 2 << QSize() << "";
    QTest::newRow("60 + 41 cells") << QList<int>{60, 41} << one << 1 << QSize() << "ボタンの数が多すぎます。";
    QTest::newRow("101 sections") << QList<int>(101, 0) << one << 1 << QSize() << "ボタンの数が多すぎます。";
    QTest::newRow("malformed flag") << QList<int>{} << one << 1 << QSize() << "11 行目";
}

void TestStripImage::cli()
{
    QFETCH(QList<int>, cells);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    QFETCH(QString, message);
    TestEntry e = entryWithCells(cells.isEmpty() ? QList<int>{1} : cells);
    if (cells.isEmpty())
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
