// Fixed point, sheet layouts and rectangles, and the strip walk with its
// limits and its checks of malformed entries.

#include "stripfixture.h"

#include "platform/conversion.h"
#include "register/geometry.h"
#include "register/stripwalk.h"

#include <QTest>

using namespace strip;

static Fixed4 fx(const char *text) { return Fixed4::parse(QString::fromLatin1(text)); }

class TestGeometry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void arithmetic_data();
    void arithmetic();
    void scales_data();
    void scales();
    void layout();
    void rectangles();
    void farRectangles_data();
    void farRectangles();
    void overviewFontSize_data();
    void overviewFontSize();
    void limits_data();
    void limits();
    void locate();
    void malformed_data();
    void malformed();
};

void TestGeometry::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("raw"); // -1: not a number
    QTest::newRow("four places") << "20.2500" << qint64(202500);
    QTest::newRow("fifth digit rounds up") << "0.00005" << qint64(1);
    QTest::newRow("blanks, no integer part") << " .5 " << qint64(5000);
    QTest::newRow("sign, no fraction digits") << "+5." << qint64(50000);
    QTest::newRow("comma separator") << "1,5" << qint64(-1);
    QTest::newRow("trailing text") << "10mm" << qint64(-1);
    QTest::newRow("absurd size") << "12345678901" << qint64(-1);
}

void TestGeometry::parse()
{
    QFETCH(QString, text);
    QFETCH(qint64, raw);
    Fixed4 v;
    QCOMPARE(Fixed4::tryParse(text, v), raw >= 0);
    if (raw >= 0) {
        QCOMPARE(v.raw(), raw);
        return;
    }
    try {
        fixedLineAt(QStringList{"0", text}, 1);
        QFAIL("no error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.line(), 1);
    }
}

void TestGeometry::arithmetic_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("result");
    QTest::newRow("product rounds") << "*" << "30.0002" << "4.3952" << "131.8569"; // 131.85687904
    QTest::newRow("product tie to even down") << "*" << "0.0025" << "0.5" << "0.0012";
    QTest::newRow("product tie to even up") << "*" << "-0.0035" << "0.5" << "-0.0018";
    QTest::newRow("quotient truncates") << "/" << "650.5" << "148" << "4.3952";
    QTest::newRow("negative quotient toward zero") << "/" << "-0.0001" << "3" << "0";
    QTest::newRow("pixels truncate") << "T" << "131.9999" << "" << "131";
    QTest::newRow("negative pixels toward zero") << "T" << "-4.5" << "" << "-4";
}

void TestGeometry::arithmetic()
{
    QFETCH(QString, op);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, result);
    const Fixed4 x = Fixed4::parse(a);
    if (op == "T")
        QCOMPARE(QString::number(x.toPixels()), result);
    else
        QCOMPARE((op == "*" ? x * Fixed4::parse(b) : x / Fixed4::parse(b)).toString(), result);
}

void TestGeometry::scales_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("detail"); // whole-pixel width and height, sx, sy
    QTest::addColumn<QString>("overview");
    QTest::newRow("1") << 1 << "650 793 4.3952 3.778" << "688 626 4.6486 2.9809";
    QTest::newRow("2") << 2 << "650 793 4.3952 3.778" << "688 626 4.6486 2.9809";
    QTest::newRow("3") << 3 << "650 793 4.3952 3.778" << "513 626 3.4682 2.9809";
    QTest::newRow("4") << 4 << "800 485 3.8095 3.2804" << "800 485 3.8095 3.2804";
    QTest::newRow("5") << 5 << "800 540 5.4054 5.405" << "800 540 5.4054 5.405";
    QTest::newRow("6") << 6 << "800 971 4.3956 3.7782" << "688 626 3.7802 2.4357";
}

void TestGeometry::scales()
{
    QFETCH(int, layout);
    QFETCH(QString, detail);
    QFETCH(QString, overview);
    for (View v : {View::Detail, View::Overview}) {
        const ViewScales s = viewScales(layout, v);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(s.pixelWidth).arg(s.pixelHeight).arg(s.sx.toString(), s.sy.toString()),
                 v == View::Detail ? detail : overview);
    }
}

void TestGeometry::layout()
{
    QCOMPARE(selectLayout("ｕＬシリーズ主装置", "標準Ｍｏ"), 1);
    QCOMPARE(selectLayout("ｕＲシリーズ主装置", ""), 2);
    QCOMPARE(selectLayout("Ｍｏシリーズ主装置", "新標準Ｍｏ電話機"), 3);
    QCOMPARE(selectLayout("Ｍｏシリーズ主装置", "標準"), 4);
    QCOMPARE(selectLayout("Ｋシリーズ主装置", ""), 5);
    QCOMPARE(selectLayout("ＳＩＰ対応電話機", ""), 6);
    QCOMPARE(selectLayout("ABC", ""), 6);
    QVERIFY(!roundedKeyBoxes("ｕＲシリーズ主装置") && !roundedKeyBoxes("Ｋシリーズ主装置"));
    QVERIFY(roundedKeyBoxes("ＳＩＰ対応電話機") && roundedKeyBoxes("ABC"));
}

void TestGeometry::rectangles()
{
    const ViewScales d1 = viewScales(1, View::Detail);
    // Section at x = 10 mm, width 20.25 mm: edges 43.952 and 132.9548, columns 43 to 131.
    const EdgeRect r = sectionRect({fx("10"), fx("0"), fx("20.25"), fx("10")}, d1);
    QCOMPARE(r.left, fx("43.952"));
    QCOMPARE(r.right, fx("132.9548"));
    QCOMPARE(r.pixels().left(), 43);
    QCOMPARE(r.pixels().right(), 131);
    // The section's right edge and a key box's right edge round differently.
    const MmRect sec{fx("10.0001"), fx("0"), fx("20.0001"), fx("10")};
    QCOMPARE(sectionRect(sec, d1).right, fx("131.8569"));
    QCOMPARE(keyBoxRect(sec, {fx("0"), fx("0"), fx("20.0001"), fx("5")}, d1).right, fx("131.8568"));
    // Text area: 7.5 * 4.3952 = 32.964, 6 * 3.778 = 22.668, 43.952 x 15.112; frame 2 px larger.
    const MmRect g{fx("5"), fx("5"), fx("60"), fx("60")};
    const MmRect area{fx("2.5"), fx("1"), fx("10"), fx("4")};
    QCOMPARE(boxRect(g, area, d1), QRect(32, 22, 43, 15));
    QCOMPARE(frameRect(g, area, d1), QRect(30, 20, 47, 19));
    QCOMPARE(lineHeightPixels(9), 12);
    QCOMPARE(lineHeightPixels(10), 13);
}

void TestGeometry::farRectangles_data()
{
    // Section and box in mm as stored; the expected pixel edges of the box
    // (left, top, right, bottom), limited to the MaxPixel range.
    QTest::addColumn<QStringList>("section");
    QTest::addColumn<QStringList>("box");
    QTest::addColumn<QList<int>>("edges");
    const QStringList origin{"0", "0", "10", "10"};
    const int M = MaxPixel;
    QTest::newRow("box across everything")
        << QStringList{"-600000000", "-600000000", "1", "1"} << QStringList{"0", "0", "999999999", "999999999"}
        << QList<int>{-M, -M, M - 1, M - 1};
    QTest::newRow("box far right and below") << origin << QStringList{"999999999", "999999999", "999999999", "999999999"}
                                             << QList<int>{M, M, M - 1, M - 1};
    QTest::newRow("box far left, negative size")
        << QStringList{"-999999999", "0", "10", "10"} << QStringList{"-999999999", "0", "-999999999", "5"}
        << QList<int>{-M, 0, -M - 1, 17};
}

void TestGeometry::farRectangles()
{
    // Absurd geometry gives rectangles whose int arithmetic stays exact:
    // a box across the sheet covers it, one beyond it stays empty.
    QFETCH(QStringList, section);
    QFETCH(QStringList, box);
    QFETCH(QList<int>, edges);
    const ViewScales d1 = viewScales(1, View::Detail);
    const MmRect g{fx(qPrintable(section[0])), fx(qPrintable(section[1])), fx(qPrintable(section[2])),
                   fx(qPrintable(section[3]))};
    const MmRect b{fx(qPrintable(box[0])), fx(qPrintable(box[1])), fx(qPrintable(box[2])), fx(qPrintable(box[3]))};
    for (const QRect &r : {boxRect(g, b, d1), keyBoxRect(g, b, d1).pixels()}) {
        QCOMPARE((QList<int>{r.left(), r.top(), r.right(), r.bottom()}), edges);
        QCOMPARE(qint64(r.width()), qint64(edges[2]) - edges[0] + 1);
        QCOMPARE(r.contains(QPoint(100, 10)), edges[0] < 0 && edges[2] > 0 && edges[3] > 100);
    }
    const QRect f = frameRect(g, b, d1);
    QVERIFY(f.left() >= -MaxPixel && f.right() < MaxPixel && f.top() >= -MaxPixel && f.bottom() < MaxPixel);
}

void TestGeometry::overviewFontSize_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("shown");
    QTest::newRow("layout 1, 10") << 1 << 10 << 10;
    QTest::newRow("layout 6, 10") << 6 << 10 << 9;
    QTest::newRow("layout 3, 10") << 3 << 10 << 8;
    QTest::newRow("layout 6, 3") << 6 << 3 << 3;
    QTest::newRow("layout 1, 2") << 1 << 2 << 2;
    QTest::newRow("layout 6, 2") << 6 << 2 << 3;
}

void TestGeometry::overviewFontSize()
{
    QFETCH(int, layout);
    QFETCH(int, points);
    QFETCH(int, shown);
    QCOMPARE(strip::overviewFontSize(points, layout), shown);
}

struct Recorder : StripVisitor
{
    int sections = 0, cells = 0;
    bool section(const Section &) override { return ++sections; }
    bool cell(const Section &, const Cell &) override { return ++cells; }
};

void TestGeometry::limits_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("sections"); // visited
    QTest::addColumn<int>("cells");
    QTest::newRow("exactly 100 cells") << QList<int>{40, 60} << int(WalkStop::Complete) << 2 << 100;
    QTest::newRow("60 + 41 cells") << QList<int>{60, 41, 1} << int(WalkStop::TooManyCells) << 1 << 60;
    QTest::newRow("0-cell section") << QList<int>{0, 2} << int(WalkStop::Complete) << 2 << 2;
    QTest::newRow("100 sections") << QList<int>(100, 1) << int(WalkStop::Complete) << 100 << 100;
    QTest::newRow("101 sections") << QList<int>(101, 0) << int(WalkStop::TooManySections) << 0 << 0;
}

void TestGeometry::limits()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, stop);
    QFETCH(int, sections);
    QFETCH(int, cells);
    Recorder r;
    const WalkSummary sum = walkStrip(registerLines({entryWithCells(counts)}), FirstHeader, r);
    QCOMPARE(int(sum.stop), stop);
    QCOMPARE(r.sections, sections);
    QCOMPARE(r.cells, cells);
}

void TestGeometry::locate()
{
    TestEntry e = entryWithCells({2, 0, 3});
    e.sections[0].cells[0].text = QStringList{"a", "b", "c"};
    e.sections[2].cells[1].text.clear();
    const QStringList lines = registerLines({e, entryWithCells({1})});
    // Section 0 at line 10, cells at 16 (36 lines) and 52; section 1 at 86;
    // section 2 at 92, cells at 98, 132 (33 lines) and 165.
    const QList<int> expected{16, 52, 98, 132, 165};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(locateCell(lines, FirstHeader, i), expected.at(i));
    QVERIFY_THROWS_EXCEPTION(TavrelError, locateCell(lines, FirstHeader, 5));
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 1), 2);
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 2), 2);
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 3), 0);
    // A section past the cell limit is never built: its first cell does not exist.
    QCOMPARE(firstCellOfSection(registerLines({entryWithCells({60, 41})}), FirstHeader, 1), 60);
}

void TestGeometry::malformed_data()
{
    // Entry 1 of two cells: S at line 9, section at 10 (count at 15), cells
    // at 16 and 50 (34 lines each); entry 2's marker at 84.
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("conversion"); // ConversionError, else a count error
    QTest::newRow("section count") << 9 << "x" << true;
    QTest::newRow("negative section count") << 9 << "-1" << false;
    QTest::newRow("sections past the entry") << 9 << "3" << false;
    QTest::newRow("key-number flag") << 10 << "on" << true;
    QTest::newRow("section width") << 13 << "7O" << true;
    QTest::newRow("cell count") << 15 << "two" << true;
    QTest::newRow("cells past the entry") << 15 << "5" << false;
    QTest::newRow("key box height") << 19 << "" << true;
    QTest::newRow("text area width") << 16 + 17 << "1..2" << true;
    QTest::newRow("text line count") << 16 + 32 << "1.5" << true;
    QTest::newRow("negative text line count") << 16 + 32 << "-33" << false;
    QTest::newRow("text lines into the next entry") << 50 + 32 << "2" << false;
}

void TestGeometry::malformed()
{
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(bool, conversion);
    QStringList lines = registerLines({entryWithCells({2}), entryWithCells({3})});
    QVERIFY(RegisterDocument::markerNumber(lines.at(84)) == 2);
    lines[line] = value;
    Recorder r;
    try {
        walkStrip(lines, FirstHeader, r);
        QFAIL("no error");
    } catch (const ConversionError &err) {
        QVERIFY(conversion);
        QCOMPARE(err.line(), line);
    } catch (const TavrelError &err) {
        QVERIFY(!conversion);
        QVERIFY2(err.message().contains(QStringLiteral("（%1 行目").arg(line + 1)), qPrintable(err.message()));
    }
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "test_geometry.moc"
