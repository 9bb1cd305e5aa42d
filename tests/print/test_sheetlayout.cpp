// Sheet layout: papers by name, the places of blocks on sheets (sizes,
// margins, gaps, room for marks and captions, mixed strips, exact fits, a
// block too large, turning, a start on a partly used sheet), and the cut
// marks of a block's sections.

#include "print/sheetlayout.h"
#include "print/sheetpage.h"

#include <QTest>

using namespace print;

namespace {

Fixed4 fx(const QString &text)
{
    return Fixed4::parse(text);
}

// "WxH" in mm.
BlockSize sizeOf(const QString &text)
{
    const QStringList p = text.split(u'x');
    return {fx(p.at(0)), fx(p.at(1))};
}

// "sheet:x,y" per block, "r" after a turned one.
QString placements(const SheetLayout &l)
{
    QStringList out;
    for (const PlacedBlock &b : l.blocks)
        out.append(QStringLiteral("%1:%2,%3%4")
                       .arg(b.sheet)
                       .arg(b.x.toString(), b.y.toString(), b.rotated ? QStringLiteral("r") : QString()));
    return out.join(u' ');
}

// Settings from "PAPER [landscape] margin=M gap=G cut=marks|lines|none [captions] start=N [rotate]".
SheetSettings settingsOf(const QString &text)
{
    SheetSettings s;
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    s.paper = *sheetPaperNamed(words.first());
    s.cut = CutGuides::None;
    s.captions = false;
    s.margin = s.gap = Fixed4();
    for (const QString &w : words.mid(1)) {
        const QString value = w.section(u'=', 1);
        if (w == QLatin1String("landscape"))
            s.landscape = true;
        else if (w == QLatin1String("captions"))
            s.captions = true;
        else if (w == QLatin1String("rotate"))
            s.rotate = true;
        else if (w.startsWith(QLatin1String("margin=")))
            s.margin = fx(value);
        else if (w.startsWith(QLatin1String("gap=")))
            s.gap = fx(value);
        else if (w.startsWith(QLatin1String("start=")))
            s.start = value.toInt();
        else if (w == QLatin1String("cut=marks"))
            s.cut = CutGuides::Marks;
        else if (w == QLatin1String("cut=lines"))
            s.cut = CutGuides::Lines;
    }
    return s;
}

} // namespace

class TestSheetLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void papers_data();
    void papers();
    void layout_data();
    void layout();
    void cutMarks_data();
    void cutMarks();
    void turnedSections();
};

void TestSheetLayout::papers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name"); // empty: refused
    QTest::addColumn<QString>("size");
    QTest::newRow("A4") << "A4" << "A4" << "210x297";
    QTest::newRow("any case") << "a3" << "A3" << "297x420";
    QTest::newRow("B4 is JIS") << "b4" << "B4" << "257x364";
    QTest::newRow("JIS-B5") << "JIS-B5" << "JIS-B5" << "182x257";
    QTest::newRow("B5 is JIS-B5") << "B5" << "JIS-B5" << "182x257";
    QTest::newRow("A5") << "A5" << "A5" << "148x210";
    QTest::newRow("Letter") << "letter" << "Letter" << "215.9x279.4";
    QTest::newRow("WxH") << "100x148" << "100x148" << "100x148";
    QTest::newRow("WxH decimals, upper X") << "100.5X148.25" << "100.5x148.25" << "100.5x148.25";
    QTest::newRow("wider than high kept") << "300x100" << "300x100" << "300x100";
    QTest::newRow("smallest") << "10x10" << "10x10" << "10x10";
    QTest::newRow("largest") << "2000x2000" << "2000x2000" << "2000x2000";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("unknown name") << "A6" << "" << "";
    QTest::newRow("zero side") << "0x100" << "" << "";
    QTest::newRow("too small") << "9.99x100" << "" << "";
    QTest::newRow("too large") << "100x2000.5" << "" << "";
    QTest::newRow("one side") << "100x" << "" << "";
    QTest::newRow("no width") << "x100" << "" << "";
    QTest::newRow("negative") << "-100x100" << "" << "";
    QTest::newRow("blanks") << "100 x 100" << "" << "";
    QTest::newRow("exponent") << "1e2x100" << "" << "";
    QTest::newRow("three sides") << "10x10x10" << "" << "";
}

void TestSheetLayout::papers()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, size);
    const std::optional<SheetPaper> p = sheetPaperNamed(text);
    QCOMPARE(p.has_value(), !name.isEmpty());
    if (!p)
        return;
    QCOMPARE(p->name, name);
    QCOMPARE(p->width.toString() + u'x' + p->height.toString(), size);
    // The page a printer or PDF gets has that size.
    const QSizeF mm = p->pageSize().size(QPageSize::Millimeter);
    QVERIFY2(qAbs(mm.width() - p->width.raw() / 1e4) < 0.5 && qAbs(mm.height() - p->height.raw() / 1e4) < 0.5,
             qPrintable(QStringLiteral("%1 x %2").arg(mm.width()).arg(mm.height())));
}

void TestSheetLayout::layout_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("blocks");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("placed");
    const int Ok = int(SheetLayout::Status::Ok), TooLarge = int(SheetLayout::Status::TooLarge);
    const int PastPlaces = int(SheetLayout::Status::StartPastPlaces), NoEntries = int(SheetLayout::Status::NoEntries);
    const QStringList seven(7, QStringLiteral("91.5x78"));

    // Marks 3 mm round, captions 3 mm more below: 97.5 x 87 places, two
    // across and three down within 5 mm margins.
    QTest::newRow("six to A4 with marks and captions")
        << "A4 margin=5 gap=2 cut=marks captions" << seven << Ok << -1 << 6
        << "0:8,8 0:107.5,8 0:8,97 0:107.5,97 0:8,186 0:107.5,186 1:8,8";
    QTest::newRow("no room, no gap") << "A4 margin=5" << seven.mid(0, 4) << Ok << -1 << 6
                                     << "0:5,5 0:96.5,5 0:5,83 0:96.5,83";
    QTest::newRow("landscape") << "A4 landscape margin=5 gap=2" << seven << Ok << -1 << 6
                               << "0:5,5 0:98.5,5 0:192,5 0:5,85 0:98.5,85 0:192,85 1:5,5";
    QTest::newRow("cut lines need no room") << "A4 margin=5 gap=2 cut=lines" << seven.mid(0, 2) << Ok << -1 << 6
                                            << "0:5,5 0:98.5,5";
    QTest::newRow("captions alone") << "A4 margin=5 gap=2 captions" << seven.mid(0, 3) << Ok << -1 << 6
                                    << "0:5,5 0:98.5,5 0:5,88";
    QTest::newRow("exact fit") << "100x50" << QStringList{"50x50", "50x50", "50x50"} << Ok << -1 << 2
                               << "0:0,0 0:50,0 1:0,0";
    QTest::newRow("exact fit with a gap") << "100x50 gap=2" << QStringList{"49x50", "49x50"} << Ok << -1 << 2
                                          << "0:0,0 0:51,0";
    QTest::newRow("a hair too wide") << "100x50 gap=2" << QStringList{"49x50", "49.0001x50"} << Ok << -1 << 1
                                     << "0:0,0 1:0,0";
    QTest::newRow("mixed strips in rows") << "100x100" << QStringList{"60x30", "30x50", "50x20", "100x30"} << Ok << -1
                                          << 2 << "0:0,0 0:60,0 0:0,50 0:0,70";
    QTest::newRow("row full, next sheet") << "100x100 gap=1" << QStringList{"60x60", "60x60", "30x30"} << Ok << -1 << 1
                                          << "0:0,0 1:0,0 1:61,0";
    QTest::newRow("one too large") << "A5 margin=5" << QStringList{"10x10", "150x20"} << TooLarge << 1 << 0 << "";
    QTest::newRow("too large by its room") << "A4 margin=5 cut=marks" << QStringList{"195x20"} << TooLarge << 0 << 0
                                           << "";
    QTest::newRow("turned when asked") << "A5 margin=5 rotate" << QStringList{"150x20"} << Ok << -1 << 6
                                       << "0:5,5r";
    QTest::newRow("turned only where it then fits")
        << "100x100 rotate" << QStringList{"60x40", "60x40", "60x40"} << Ok << -1 << 2 << "0:0,0 0:60,0r 0:0,60";
    QTest::newRow("not turned unasked") << "100x100" << QStringList{"60x40", "60x40", "60x40"} << Ok << -1 << 2
                                        << "0:0,0 0:0,40 1:0,0";
    QTest::newRow("start on the third row") << "A4 margin=5 gap=2 cut=marks captions start=5" << seven.mid(0, 3) << Ok
                                            << -1 << 6 << "0:8,186 0:107.5,186 1:8,8";
    QTest::newRow("start mid-row") << "A4 margin=5 gap=2 cut=marks captions start=2" << seven.mid(0, 2) << Ok << -1
                                   << 6 << "0:107.5,8 0:8,97";
    QTest::newRow("start at the last place") << "A4 margin=5 gap=2 cut=marks captions start=6" << seven.mid(0, 2) << Ok
                                             << -1 << 6 << "0:107.5,186 1:8,8";
    QTest::newRow("start past the places") << "A4 margin=5 gap=2 cut=marks captions start=7" << seven.mid(0, 1)
                                           << PastPlaces << -1 << 6 << "";
    QTest::newRow("grid of the largest block") << "100x100 start=2" << QStringList{"20x20", "50x40", "20x20"} << Ok
                                               << -1 << 4 << "0:50,0 0:0,40 0:50,40";
    QTest::newRow("margins leave nothing") << "20x20 margin=10" << QStringList{"1x1"} << TooLarge << 0 << 0 << "";
    QTest::newRow("wide paper as given") << "300x100" << QStringList{"100x100", "100x100", "100x100"} << Ok << -1 << 3
                                         << "0:0,0 0:100,0 0:200,0";
    QTest::newRow("wide paper landscape") << "300x100 landscape" << QStringList{"100x100", "100x100"} << Ok << -1 << 3
                                          << "0:0,0 0:0,100";
    QTest::newRow("a strip without sections") << "100x100 cut=marks" << QStringList{"0x0", "10x10"} << Ok << -1 << 36
                                              << "0:3,3 0:9,3";
    QTest::newRow("no entries") << "A4" << QStringList{} << NoEntries << -1 << 0 << "";
}

void TestSheetLayout::layout()
{
    QFETCH(QString, settings);
    QFETCH(QStringList, blocks);
    QFETCH(int, status);
    QFETCH(int, item);
    QFETCH(int, places);
    QFETCH(QString, placed);
    QList<BlockSize> sizes;
    for (const QString &b : blocks)
        sizes.append(sizeOf(b));
    const SheetSettings s = settingsOf(settings);
    const SheetLayout l = layoutSheets(sizes, s);
    QCOMPARE(int(l.status), status);
    QCOMPARE(l.item, item);
    if (status == int(SheetLayout::Status::TooLarge))
        return;
    QCOMPARE(l.places, places);
    QCOMPARE(placements(l), placed);
    if (status != int(SheetLayout::Status::Ok))
        return;
    QCOMPARE(l.sheetCount, l.blocks.constLast().sheet + 1);
    QCOMPARE(l.usedPlaces.size(), s.start - 1);
}

void TestSheetLayout::cutMarks_data()
{
    QTest::addColumn<QStringList>("sections"); // "x,y,w,h"
    QTest::addColumn<int>("marks");
    QTest::newRow("one section") << QStringList{"0,0,50,20"} << 8;
    // Side by side: the inner corners' horizontal marks would lie on the
    // neighbour's edge and are left out.
    QTest::newRow("two side by side") << QStringList{"0,0,50,20", "50,0,30,20"} << 12;
    QTest::newRow("two stacked") << QStringList{"0,0,50,20", "0,20,50,20"} << 12;
    QTest::newRow("apart") << QStringList{"0,0,10,10", "40,0,10,10"} << 16;
    QTest::newRow("L shape") << QStringList{"0,0,50,20", "0,20,20,40"} << 12;
}

void TestSheetLayout::cutMarks()
{
    QFETCH(QStringList, sections);
    QFETCH(int, marks);
    QList<strip::MmRect> rects;
    for (const QString &s : sections) {
        const QStringList v = s.split(u',');
        rects.append({fx(v.at(0)), fx(v.at(1)), fx(v.at(2)), fx(v.at(3))});
    }
    const QList<MarkLine> found = print::cutMarks(rects);
    QCOMPARE(found.size(), marks);
    for (const MarkLine &m : found) {
        // 2 mm long, in line with an edge, its near end 1 mm from a corner,
        // touching no section, edges included.
        QVERIFY(m.x1 == m.x2 || m.y1 == m.y2);
        QCOMPARE(qAbs((m.x2 - m.x1).raw() + (m.y2 - m.y1).raw()), qint64(20000));
        bool fromCorner = false;
        for (const strip::MmRect &r : rects) {
            QVERIFY(!(qMax(m.x1, m.x2) >= r.x && qMin(m.x1, m.x2) <= r.x + r.width && qMax(m.y1, m.y2) >= r.y
                      && qMin(m.y1, m.y2) <= r.y + r.height));
            for (Fixed4 cx : {r.x, r.x + r.width})
                for (Fixed4 cy : {r.y, r.y + r.height})
                    fromCorner = fromCorner
                                 || qAbs((m.x1 - cx).raw()) + qAbs((m.y1 - cy).raw()) == 10000;
        }
        QVERIFY(fromCorner);
    }
}

// A turned block's sections: the strip's x runs down the page, its y to the
// left, and the whole stays within the placed block.
void TestSheetLayout::turnedSections()
{
    SheetEntry e;
    e.sections = {{fx("10"), fx("5"), fx("40"), fx("20")}, {fx("50"), fx("5"), fx("10"), fx("30")}};
    e.bounds = boundsOf(e.sections);
    QCOMPARE(e.bounds.width, fx("50"));
    QCOMPARE(e.bounds.height, fx("30"));
    PlacedBlock b;
    b.x = fx("100");
    b.y = fx("7");
    b.width = fx("30");
    b.height = fx("50");
    b.rotated = true;
    const QList<strip::MmRect> placed = placedSections(e, b);
    // First section: strip (0..40, 0..20) -> page x 130-20..130, y 7..47.
    QCOMPARE(placed.at(0), (strip::MmRect{fx("110"), fx("7"), fx("20"), fx("40")}));
    QCOMPARE(placed.at(1), (strip::MmRect{fx("100"), fx("47"), fx("30"), fx("10")}));
    b.rotated = false;
    b.width = fx("50");
    b.height = fx("30");
    QCOMPARE(placedSections(e, b).at(1), (strip::MmRect{fx("140"), fx("7"), fx("10"), fx("30")}));
}

QTEST_GUILESS_MAIN(TestSheetLayout)
#include "test_sheetlayout.moc"
