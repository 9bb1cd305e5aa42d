// Fixed point, sheet layouts and rectangles, and the strip walk with its
// limits and its checks of malformed entries.

#include "stripfixture.h"

#include "platform/conversion.h"
#include "strip/fixed4.h"
#include "strip/geometry.h"
#include "strip/stripwalk.h"

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
    void layout_data();
    void layout();
    void rectangles();
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
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("raw");
    QTest::newRow("integer") << "12" << true << qint64(120000);
    QTest::newRow("four places") << "20.2500" << true << qint64(202500);
    QTest::newRow("fifth digit rounds up") << "0.00005" << true << qint64(1);
    QTest::newRow("fifth digit rounds down") << "1.23454999" << true << qint64(12345);
    QTest::newRow("negative rounds away") << "-0.00005" << true << qint64(-1);
    QTest::newRow("no integer part") << " .5 " << true << qint64(5000);
    QTest::newRow("no fraction digits") << "+5." << true << qint64(50000);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("point only") << "." << false << qint64(0);
    QTest::newRow("comma separator") << "1,5" << false << qint64(0);
    QTest::newRow("trailing text") << "10mm" << false << qint64(0);
    QTest::newRow("exponent") << "1e3" << false << qint64(0);
    QTest::newRow("full-width digits") << "１０" << false << qint64(0);
    QTest::newRow("absurd size") << "12345678901" << false << qint64(0);
}

void TestGeometry::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, raw);
    Fixed4 v;
    QCOMPARE(Fixed4::tryParse(text, v), ok);
    if (ok) {
        QCOMPARE(v.raw(), raw);
        return;
    }
    try {
        Fixed4::parse(text, 41);
        QFAIL("no error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.line(), 41);
    }
}

void TestGeometry::arithmetic_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("result");
    QTest::newRow("product exact") << "*" << "10" << "4.3952" << "43.952";
    QTest::newRow("product rounds") << "*" << "30.0002" << "4.3952" << "131.8569";
    QTest::newRow("product tie to even down") << "*" << "0.0025" << "0.5" << "0.0012";
    QTest::newRow("product tie to even up") << "*" << "0.0035" << "0.5" << "0.0018";
    QTest::newRow("negative tie to even") << "*" << "-0.0035" << "0.5" << "-0.0018";
    QTest::newRow("quotient truncates") << "/" << "650.5" << "148" << "4.3952";
    QTest::newRow("negative quotient toward zero") << "/" << "-9" << "2" << "-4.5";
    QTest::newRow("tiny negative quotient") << "/" << "-0.0001" << "3" << "0";
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
    QTest::addColumn<QString>("detail");   // "W x H sx sy"
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
        const QString got = QStringLiteral("%1 %2 %3 %4")
                                .arg(s.pixelWidth)
                                .arg(s.pixelHeight)
                                .arg(s.sx.toString(), s.sy.toString());
        QCOMPARE(got, v == View::Detail ? detail : overview);
    }
}

void TestGeometry::layout_data()
{
    QTest::addColumn<QString>("series");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("rounded");
    QTest::newRow("uL any type") << "ｕＬシリーズ主装置" << "標準Ｍｏ" << 1 << false;
    QTest::newRow("uR") << "ｕＲシリーズ主装置" << "x" << 2 << false;
    QTest::newRow("Mo standard") << "Ｍｏシリーズ主装置" << "新標準Ｍｏ電話機" << 3 << false;
    QTest::newRow("Mo other") << "Ｍｏシリーズ主装置" << "標準" << 4 << false;
    QTest::newRow("K") << "Ｋシリーズ主装置" << "" << 5 << false;
    QTest::newRow("uT") << "ｕＴシリーズ主装置" << "" << 6 << true;
    QTest::newRow("SIP") << "ＳＩＰ対応電話機" << "" << 6 << true;
    QTest::newRow("unknown caption") << "ABC" << "" << 6 << true;
}

void TestGeometry::layout()
{
    QFETCH(QString, series);
    QFETCH(QString, type);
    QFETCH(int, layout);
    QFETCH(bool, rounded);
    QCOMPARE(selectLayout(series, type), layout);
    QCOMPARE(roundedKeyBoxes(series), rounded);
}

void TestGeometry::rectangles()
{
    const ViewScales d1 = viewScales(1, View::Detail);
    // Section at x = 10 mm, width 20.25 mm: edges 43.952 and 132.9548.
    const EdgeRect r = sectionRect({fx("10"), fx("0"), fx("20.25"), fx("10")}, d1);
    QCOMPARE(r.left, fx("43.952"));
    QCOMPARE(r.right, fx("132.9548"));
    QCOMPARE(r.pixels().left(), 43);
    QCOMPARE(r.pixels().right(), 131);
    // The section's right edge and a key box's right edge round differently.
    const MmRect sec{fx("10.0001"), fx("0"), fx("20.0001"), fx("10")};
    QCOMPARE(sectionRect(sec, d1).right, fx("131.8569"));
    QCOMPARE(keyBoxRect(sec, {fx("0"), fx("0"), fx("20.0001"), fx("5")}, d1).right, fx("131.8568"));
    // Text area and frame: (5 + 2.5) * 4.3952 = 32.964, 10 * 4.3952 = 43.952.
    const MmRect g{fx("5"), fx("5"), fx("60"), fx("60")};
    const MmRect area{fx("2.5"), fx("1"), fx("10"), fx("4")};
    QCOMPARE(boxRect(g, area, d1), QRect(32, 22, 43, 15)); // 6 * 3.778 = 22.668, 4 * 3.778 = 15.112
    QCOMPARE(frameRect(g, area, d1), QRect(30, 20, 47, 19));
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
    QTest::newRow("layout 4 same width") << 4 << 72 << 72;
}

void TestGeometry::overviewFontSize()
{
    QFETCH(int, layout);
    QFETCH(int, points);
    QFETCH(int, shown);
    QCOMPARE(strip::overviewFontSize(points, layout), shown);
}

// Walks an entry and records what the visitor saw.
struct Recorder : StripVisitor
{
    QList<int> sectionCells; // cell count of each section visited
    int cells = 0;
    bool section(const Section &s) override
    {
        sectionCells.append(s.cellCount);
        return true;
    }
    bool cell(const Section &, const Cell &) override
    {
        ++cells;
        return true;
    }
};

void TestGeometry::limits_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("sectionsVisited");
    QTest::addColumn<int>("cellsVisited");
    QTest::newRow("exactly 100 cells") << QList<int>{40, 60} << int(WalkStop::Complete) << 2 << 100;
    QTest::newRow("60 + 41 cells") << QList<int>{60, 41, 1} << int(WalkStop::TooManyCells) << 1 << 60;
    QTest::newRow("101 in one section") << QList<int>{101} << int(WalkStop::TooManyCells) << 0 << 0;
    QTest::newRow("0-cell section") << QList<int>{0, 2} << int(WalkStop::Complete) << 2 << 2;
    QTest::newRow("100 sections") << QList<int>(100, 1) << int(WalkStop::Complete) << 100 << 100;
    QTest::newRow("101 sections") << QList<int>(101, 0) << int(WalkStop::TooManySections) << 0 << 0;
}

void TestGeometry::limits()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, stop);
    QFETCH(int, sectionsVisited);
    QFETCH(int, cellsVisited);
    const QStringList lines = registerLines({entryWithCells(counts)});
    Recorder r;
    const WalkSummary sum = walkStrip(lines, FirstHeader, r);
    QCOMPARE(int(sum.stop), stop);
    QCOMPARE(r.sectionCells.size(), sectionsVisited);
    QCOMPARE(r.cells, cellsVisited);
    QCOMPARE(sum.cellsWalked, cellsVisited);
    if (sectionsVisited)
        QCOMPARE(r.sectionCells.first(), counts.first());
}

void TestGeometry::locate()
{
    TestEntry e = entryWithCells({2, 0, 3});
    e.sections[0].cells[0].text = QStringList{"a", "b", "c"};
    e.sections[2].cells[1].text.clear();
    const QStringList lines = registerLines({e, entryWithCells({1})});
    // Section 0 at line 10, its cells at 16 (36 lines) and 52 (34 lines);
    // section 1 at 86; section 2 at 92, cells at 98, 132, 165.
    const QList<int> expected{16, 52, 98, 132, 165};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(locateCell(lines, FirstHeader, i), expected.at(i));
    QCOMPARE(lineAt(lines, 98 + 14), QString("001"));
    QVERIFY_THROWS_EXCEPTION(TavrelError, locateCell(lines, FirstHeader, 5));
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 0), 0);
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 1), 2);
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 2), 2);
    QCOMPARE(firstCellOfSection(lines, FirstHeader, 3), 0);
    // A section past the cell limit is never built: its first cell does not exist.
    const QStringList over = registerLines({entryWithCells({60, 41})});
    QCOMPARE(firstCellOfSection(over, FirstHeader, 1), 60);
}

void TestGeometry::malformed_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("line");     // register line named by the error
    QTest::addColumn<bool>("convert"); // ConversionError rather than a count error
    // Entry 1: header at 3, S at 9, section at 10 (count at 15), cell at 16.
    QTest::newRow("section count") << "S=x" << 9 << true;
    QTest::newRow("negative section count") << "S=-1" << 9 << false;
    QTest::newRow("sections past the entry") << "S=3" << 9 << false;
    QTest::newRow("key-number flag") << "flag" << 10 << true;
    QTest::newRow("section width") << "width" << 13 << true;
    QTest::newRow("cell count") << "C=two" << 15 << true;
    QTest::newRow("cells past the entry") << "C=5" << 15 << false;
    QTest::newRow("key box height") << "keybox" << 19 << true;
    QTest::newRow("text area width") << "area" << 16 + 17 << true;
    QTest::newRow("text line count") << "N=1.5" << 16 + 32 << true;
    QTest::newRow("negative text line count") << "N=-33" << 16 + 32 << false;
    QTest::newRow("text lines of a cell into its successor") << "N=9" << 15 << false;
    QTest::newRow("text lines into the next entry") << "last N=2" << 50 + 32 << false;
}

void TestGeometry::malformed()
{
    QFETCH(QString, what);
    QFETCH(int, line);
    QFETCH(bool, convert);
    TestEntry e = entryWithCells({2});
    TestSection &s = e.sections[0];
    TestCell &c = s.cells[0];
    if (what == "S=x") e.sectionCount = "x";
    if (what == "S=-1") e.sectionCount = "-1";
    if (what == "S=3") e.sectionCount = "3";
    if (what == "flag") s.flag = "on";
    if (what == "width") s.rect[2] = "7O";
    if (what == "C=two") s.cellCount = "two";
    if (what == "C=5") s.cellCount = "5";
    if (what == "keybox") c.keyBox[3] = "";
    if (what == "area") c.textArea[2] = "1..2";
    if (what == "N=1.5") c.textCount = "1.5";
    if (what == "N=-33") c.textCount = "-33";
    if (what == "N=9") c.textCount = "9";
    if (what == "last N=2") s.cells[1].textCount = "2";
    // A second entry follows, so a count running on would find lines to read.
    const QStringList lines = registerLines({e, entryWithCells({3})});
    Recorder r;
    try {
        walkStrip(lines, FirstHeader, r);
        QFAIL("no error");
    } catch (const ConversionError &err) {
        QVERIFY(convert);
        QCOMPARE(err.line(), line);
    } catch (const TavrelError &err) {
        QVERIFY(!convert);
        QVERIFY2(err.message().contains(QStringLiteral("（%1 行目").arg(line + 1)), qPrintable(err.message()));
    }
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "test_geometry.moc"
