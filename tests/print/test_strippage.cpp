// The strip page: page formats, the fixed-point placement of fills, text
// and pictures on surfaces of any resolution (recorded, and on real PDF
// pixels), the fine adjustment, and the job plan of a print run.

#include "platform/fonts.h"
#include "print/adjustment.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "recordingdevice.h"
#include "register/geometry.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "strip/picture.h"
#include "stripfixture.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace print;

namespace {

Fixed4 fx(const char *text) { return Fixed4::parse(QString::fromLatin1(text)); }

// One section at (gx, gy) holding the given cells.
TestEntry entryOf(const QString &gx, const QString &gy, const QList<TestCell> &cells,
                  const QString &series = series::caption(3))
{
    TestEntry e;
    e.series = series;
    TestSection s;
    s.rect = QStringList{gx, gy, "100", "100"};
    s.cells = cells;
    e.sections = {s};
    return e;
}

TestCell cellAt(const QStringList &area, const QStringList &text = {}, const QString &colours = "0,255")
{
    TestCell c;
    c.textArea = area;
    c.text = text;
    c.colours = colours;
    return c;
}

struct Drawn
{
    bool found;
    QList<RecordedFill> fills;
    QList<RecordedText> texts;
    QList<RecordedImage> images;
};

Drawn draw(const TestEntry &e, const PagePlacement &pl, int dpi, int entry = 1)
{
    RegisterDocument doc;
    doc.setLines(registerLines({e}));
    RecordingDevice dev(QSize(10000, 10000), dpi);
    QPainter p(&dev);
    const bool found = drawStripPage(p, doc, entry, pl);
    p.end();
    return {found, dev.records().fills, dev.records().texts, dev.records().images};
}

PagePlacement previewA(Adjustment a = {})
{
    const PageFormatInfo &f = pageFormatInfo(PageFormat::A);
    return {f.sx, f.sy, Fixed4(), Fixed4(), a};
}

QFont gothicPixels(int px)
{
    QFont f = fontOfFace(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(px);
    return f;
}

// The text's top: its baseline less the font's ascent on that surface.
int textTop(const RecordedText &t, int dpi)
{
    RecordingDevice dev(QSize(10, 10), dpi);
    return qRound(t.baseline.y()) - QFontMetrics(t.font, &dev).ascent();
}

} // namespace

class TestStripPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void formats_data();
    void formats();
    void scales();
    void workedExample();
    void workedExampleOnPdfPixels();
    void verticalPlacement_data();
    void verticalPlacement();
    void horizontalPlacement_data();
    void horizontalPlacement();
    void pictureCoversTextArea();
    void adjustmentMovesEverything();
    void zeroLinesStillFilled();
    void lineHeightFollowsSurface();
    void missingEntryDrawsNothing();
    void farOffCellStaysInRange();
    void jobPlan_data();
    void jobPlan();
    void adjustmentTexts_data();
    void adjustmentTexts();
    void adjustmentFormat_data();
    void adjustmentFormat();
};

void TestStripPage::formats_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QSize>("preview");
    QTest::newRow("K postcard landscape") << 0 << "Ｋ－１２ボタン電話機" << "C" << 43 << true << QSize(559, 378);
    QTest::newRow("Mo standard A5") << 1 << "標準Ｍｏ電話機２４ボタン" << "A" << 11 << false << QSize(559, 793);
    QTest::newRow("Mo other A4 upper part") << 1 << "Ｍｏ－３０ボタン多機能電話機" << "B" << 9 << false << QSize(793, 559);
    QTest::newRow("uR A5") << 2 << "ｕＲ－１２ボタン電話機" << "A" << 11 << false << QSize(559, 793);
    QTest::newRow("uL A5") << 3 << "ｕＬ－６ボタン電話機" << "A" << 11 << false << QSize(559, 793);
    QTest::newRow("series 4 JIS B5") << 4 << "ｕＴ－２４ボタン電話機" << "D" << 13 << false << QSize(688, 971);
    QTest::newRow("SIP JIS B5") << 7 << "ＳＩＰ－３０キー多機能電話機" << "D" << 13 << false << QSize(688, 971);
    QTest::newRow("unknown caption") << -1 << "x" << "D" << 13 << false << QSize(688, 971);
}

void TestStripPage::formats()
{
    QFETCH(int, series);
    QFETCH(QString, type);
    QFETCH(QString, format);
    QFETCH(int, paper);
    QFETCH(bool, landscape);
    QFETCH(QSize, preview);
    const QString caption = series < 0 ? QStringLiteral("どれでもない") : series::caption(series);
    const PageFormatInfo &f = pageFormatInfo(selectPageFormat(caption, type));
    QCOMPARE(QString(pageFormatLetter(f.format)), format);
    QCOMPARE(f.paperIdentifier, paper);
    QCOMPARE(pageSizeOfIdentifier(paper), f.paper);
    QCOMPARE(f.orientation == QPageLayout::Landscape, landscape);
    QCOMPARE(QSize(f.pixelWidth, f.pixelHeight), preview);
}

void TestStripPage::scales()
{
    // The preview scales are the rounded quotients of image size by page area.
    for (PageFormat p : {PageFormat::A, PageFormat::B, PageFormat::C, PageFormat::D}) {
        const PageFormatInfo &f = pageFormatInfo(p);
        auto rounded = [](Fixed4 a, Fixed4 b) {
            return Fixed4::fromRaw((a.raw() * Fixed4::Scale * 2 / b.raw() + 1) / 2);
        };
        QCOMPARE(f.sx, rounded(f.previewWidth, f.pageWidth));
        QCOMPARE(f.sy, rounded(f.previewHeight, f.pageHeight));
        QCOMPARE(f.pixelWidth, f.previewWidth.toPixels());
        QCOMPARE(f.pixelHeight, f.previewHeight.toPixels());
    }
    QCOMPARE(QPageSize(QPageSize::JisB5).size(QPageSize::Millimeter), QSizeF(182, 257));
    QCOMPARE(QPageSize(QPageSize::Postcard).size(QPageSize::Millimeter), QSizeF(100, 148));
    QCOMPARE(scaleOfDpi(600), fx("23.622"));
    QCOMPARE(scaleOfDpi(1200), fx("47.2441"));
    QCOMPARE(scaleOfDpi(96), fx("3.7795"));
}

void TestStripPage::workedExample()
{
    // 600 dpi, offsets 100 and 80 px, adjustment 1.5 mm across and -0.5 mm
    // down: left = 16.5 x 23.622 - 100 = 289.763, top = 31.5 x 23.622 - 80 =
    // 664.093: the fill starts at column 289, row 664.
    const Fixed4 s = scaleOfDpi(600);
    const PagePlacement pl{s, s, Fixed4::fromInt(100), Fixed4::fromInt(80), {fx("-0.5"), fx("1.5")}};
    const Drawn d = draw(entryOf("10", "20", {cellAt({"5", "12", "10", "5"})}), pl, 600);
    QVERIFY(d.found);
    QCOMPARE(d.fills.size(), 1);
    QCOMPARE(d.fills.at(0).rect.topLeft(), QPoint(289, 664));
    // right = 289.763 + 236.22 = 525.983, bottom = 664.093 + 118.11 = 782.203
    QCOMPARE(d.fills.at(0).rect, QRect(QPoint(289, 664), QPoint(524, 781)));
    QCOMPARE(d.fills.at(0).colour, QColor(255, 0, 0));
}

void TestStripPage::workedExampleOnPdfPixels()
{
    // The same page as a real PDF, rendered back at 600 dpi.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter w(pdf);
        w.setResolution(600);
        w.setPageLayout(QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF()));
        RegisterDocument doc;
        doc.setLines(registerLines({entryOf("10", "20", {cellAt({"5", "12", "10", "5"})})}));
        QPainter p(&w);
        const Fixed4 s = scaleOfDpi(600);
        QVERIFY(drawStripPage(p, doc, 1, {s, s, Fixed4::fromInt(100), Fixed4::fromInt(80), {fx("-0.5"), fx("1.5")}}));
    }
    QProcess pp;
    pp.start(QStringLiteral("pdftoppm"), {"-r", "600", "-aa", "no", "-aaVector", "no", "-png", "-singlefile", pdf,
                                          dir.filePath(QStringLiteral("page"))});
    if (!pp.waitForFinished(60000) || pp.exitCode() != 0)
        QSKIP("pdftoppm (poppler-utils) is needed to render the PDF");
    const QImage img(dir.filePath(QStringLiteral("page.png")));
    QVERIFY(qAbs(img.width() - 3496) < 8 && qAbs(img.height() - 4961) < 8); // A5 at 600 dpi
    auto red = [&](int x, int y) { return img.pixelColor(x, y) == QColor(255, 0, 0); };
    QVERIFY(red(289, 664));
    QVERIFY(red(524, 781));
    QVERIFY(!red(288, 664));
    QVERIFY(!red(289, 663));
    QVERIFY(!red(525, 781));
    QVERIFY(!red(524, 782));
}

void TestStripPage::verticalPlacement_data()
{
    QTest::addColumn<int>("lines");
    // Top of each drawn line and its clip band (pixel rows), in order.
    QTest::addColumn<QList<int>>("tops");
    QTest::addColumn<QList<int>>("clipTops");
    QTest::addColumn<QList<int>>("clipBottoms");
    // 10 mm of format A's preview is 37.781 px; 9 points make 12-pixel
    // lines at 96 dpi. The area starts at row 0.
    // Two lines: y0 = (37.781 - 24) / 2 = 6.8905; lines at 6.8905 and 18.8905.
    QTest::newRow("two lines") << 2 << QList<int>{6, 18} << QList<int>{6, 18} << QList<int>{18, 30};
    // Six lines start 17.1095 above the area: the first lies wholly above
    // it, the second shows its lower part, the fifth is cut at the bottom
    // (37.781) and the sixth lies below.
    QTest::newRow("six lines") << 6 << QList<int>{-5, 6, 18, 30} << QList<int>{0, 6, 18, 30}
                               << QList<int>{6, 18, 30, 37};
}

void TestStripPage::verticalPlacement()
{
    QFETCH(int, lines);
    QFETCH(QList<int>, tops);
    QFETCH(QList<int>, clipTops);
    QFETCH(QList<int>, clipBottoms);
    QStringList text;
    for (int i = 0; i < lines; ++i)
        text << QStringLiteral("L%1").arg(i);
    TestCell c = cellAt({"0", "0", "40", "10"}, text);
    c.colours = "0";
    const Drawn d = draw(entryOf("0", "0", {c}), previewA(), 96);
    QCOMPARE(d.texts.size(), tops.size());
    for (int i = 0; i < tops.size(); ++i) {
        const RecordedText &t = d.texts.at(i);
        QCOMPARE(t.text, QStringLiteral("L%1").arg(i + (lines == 6 ? 1 : 0)));
        QCOMPARE(t.font.pixelSize(), 12);
        QCOMPARE(textTop(t, 96), tops.at(i));
        QCOMPARE(int(t.clip.top()), clipTops.at(i));
        QCOMPARE(int(t.clip.bottom()), clipBottoms.at(i));
        QCOMPARE(t.clip.left(), 0.0);
        QCOMPARE(int(t.clip.right()), 151); // 40 mm x 3.7797 = 151.188
    }
}

void TestStripPage::horizontalPlacement_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("width"); // text area width in mm
    QTest::newRow("left") << 1 << "ABC" << "40";
    QTest::newRow("centre") << 2 << "ABC" << "40";
    QTest::newRow("right") << 3 << "ABC" << "40";
    QTest::newRow("centre wider than the area") << 2 << "WWWWWWWWWWWWWWWWWWWW" << "10";
    QTest::newRow("right wider than the area") << 3 << "WWWWWWWWWWWWWWWWWWWW" << "10";
    QTest::newRow("alignment never written: left") << 7 << "ABC" << "40";
}

void TestStripPage::horizontalPlacement()
{
    QFETCH(int, alignment);
    QFETCH(QString, text);
    QFETCH(QString, width);
    TestCell c = cellAt({"5", "5", width, "10"}, {text});
    QStringList l = c.lines();
    RegisterDocument doc;
    TestEntry e = entryOf("10", "0", {c});
    QStringList all = registerLines({e});
    // Line 24 of the first cell record holds the alignment.
    const int record = FirstHeader + 7 + 6;
    all[record + 24] = QString::number(alignment);
    doc.setLines(all);
    RecordingDevice dev(QSize(4000, 4000), 96);
    QPainter p(&dev);
    QVERIFY(drawStripPage(p, doc, 1, previewA()));
    p.end();
    QCOMPARE(dev.records().texts.size(), 1);
    const RecordedText &t = dev.records().texts.at(0);
    const int tw = QFontMetrics(gothicPixels(12), &dev).horizontalAdvance(text);
    const Fixed4 left = Fixed4::fromInt(15) * fx("3.7797");           // 56.6955
    const Fixed4 areaWidth = Fixed4::parse(width) * fx("3.7797");
    Fixed4 x = left;
    if (alignment == 2)
        x = left + (areaWidth - Fixed4::fromInt(tw)) / Fixed4::fromInt(2);
    else if (alignment == 3)
        x = left + areaWidth - Fixed4::fromInt(tw);
    QCOMPARE(qRound(t.baseline.x()), x.toPixels());
    // Clipped to the area: a line wider than it loses what lies outside.
    QCOMPARE(int(t.clip.left()), left.toPixels());
    QCOMPARE(int(t.clip.right()), (left + areaWidth).toPixels());
    if (tw > areaWidth.toPixels()) {
        QVERIFY(t.baseline.x() < t.clip.left());
        if (alignment == 2) // equal parts lost on both sides, but for the truncations
            QVERIFY(qAbs((t.clip.left() - t.baseline.x()) - (t.baseline.x() + tw - t.clip.right())) <= 3);
        else
            QVERIFY(qAbs(t.baseline.x() + tw - t.clip.right()) <= 1);
    }
}

void TestStripPage::pictureCoversTextArea()
{
    QImage logo(8, 4, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    logo.save(&buf, "BMP");
    TestCell withPicture = cellAt({"5", "5", "20", "10"}, {"hidden text"});
    withPicture.pictureType = " .bmp ";
    withPicture.pictureData = strip::encodeBase64(bytes);
    TestCell corrupt = cellAt({"5", "20", "20", "10"}, {"also hidden"});
    corrupt.pictureType = ".bmp";
    corrupt.pictureData = "not a picture";
    // A line of blanks counts as a picture type on paper (nothing decodes).
    TestCell blank = cellAt({"5", "35", "20", "10"}, {"hidden"});
    blank.pictureType = "  ";
    const Drawn d = draw(entryOf("0", "0", {withPicture, corrupt, blank}), previewA(), 96);
    QVERIFY(d.texts.isEmpty());
    QVERIFY(d.fills.isEmpty());
    QCOMPARE(d.images.size(), 1);
    // Stretched over the whole text area: 5 mm .. 25 mm by 5 mm .. 15 mm.
    const Fixed4 l = Fixed4::fromInt(5) * fx("3.7797"), t = Fixed4::fromInt(5) * fx("3.7781");
    const QRect want(l.toPixels(), t.toPixels(), (l + Fixed4::fromInt(20) * fx("3.7797")).toPixels() - l.toPixels(),
                     (t + Fixed4::fromInt(10) * fx("3.7781")).toPixels() - t.toPixels());
    QCOMPARE(d.images.at(0).target.toRect(), want);
    QCOMPARE(d.images.at(0).size, QSize(8, 4));
}

void TestStripPage::adjustmentMovesEverything()
{
    QImage logo(2, 2, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    logo.save(&buf, "BMP");
    TestCell picture = cellAt({"30", "5", "20", "10"});
    picture.pictureType = ".bmp";
    picture.pictureData = strip::encodeBase64(bytes);
    const TestEntry e = entryOf("10", "10", {cellAt({"0", "0", "20", "10"}, {"A"}), picture,
                                            cellAt({"0", "30", "20", "10"}, {"B"})});
    const Drawn plain = draw(e, previewA(), 96);
    // +2 mm down and -2 mm across: 7.5562 px down and 7.5594 px left.
    const Drawn moved = draw(e, previewA({Fixed4::fromInt(2), Fixed4::fromInt(-2)}), 96);
    QCOMPARE(moved.fills.size(), plain.fills.size());
    QCOMPARE(moved.texts.size(), plain.texts.size());
    QCOMPARE(moved.images.size(), 1);
    auto shifted = [](Fixed4 mm, Fixed4 adj, Fixed4 s) { return ((mm + adj) * s).toPixels(); };
    const Fixed4 sx = fx("3.7797"), sy = fx("3.7781");
    QCOMPARE(moved.fills.at(0).rect.left(), shifted(Fixed4::fromInt(10), Fixed4::fromInt(-2), sx));
    QCOMPARE(moved.fills.at(0).rect.top(), shifted(Fixed4::fromInt(10), Fixed4::fromInt(2), sy));
    // Each text line's band is painted as well: the third cell's area is fill 2.
    QCOMPARE(moved.fills.size(), 4);
    QCOMPARE(moved.fills.at(2).rect.top(), shifted(Fixed4::fromInt(40), Fixed4::fromInt(2), sy));
    QCOMPARE(int(moved.images.at(0).target.left()), shifted(Fixed4::fromInt(40), Fixed4::fromInt(-2), sx));
    QCOMPARE(int(moved.images.at(0).target.top()), shifted(Fixed4::fromInt(15), Fixed4::fromInt(2), sy));
    for (int i = 0; i < plain.texts.size(); ++i) {
        QVERIFY(moved.texts.at(i).baseline.y() - plain.texts.at(i).baseline.y() >= 7);
        QVERIFY(moved.texts.at(i).baseline.y() - plain.texts.at(i).baseline.y() <= 8);
        QVERIFY(plain.texts.at(i).baseline.x() - moved.texts.at(i).baseline.x() >= 7);
    }
}

void TestStripPage::zeroLinesStillFilled()
{
    const Drawn d = draw(entryOf("0", "0", {cellAt({"5", "5", "20", "10"}, {}, "0,65280"),
                                            cellAt({"5", "20", "20", "10"}, {}, "0")}),
                         previewA(), 96);
    QVERIFY(d.texts.isEmpty());
    QCOMPARE(d.fills.size(), 2);
    QCOMPARE(d.fills.at(0).colour, QColor(0, 255, 0));
    QCOMPARE(d.fills.at(1).colour, QColor(Qt::white)); // white is filled as well
}

void TestStripPage::lineHeightFollowsSurface()
{
    // 9 points: 12 px at 96 dpi, 75 px at 600 dpi, 150 px at 1200 dpi.
    const TestEntry e = entryOf("0", "0", {cellAt({"5", "5", "40", "10"}, {"A"})});
    for (const auto &[dpi, px] : {std::pair{96, 12}, std::pair{600, 75}, std::pair{1200, 150}}) {
        const Fixed4 s = scaleOfDpi(dpi);
        const Drawn d = draw(e, {s, s, Fixed4(), Fixed4(), {}}, dpi);
        QCOMPARE(d.texts.size(), 1);
        QCOMPARE(d.texts.at(0).font.pixelSize(), px);
    }
}

void TestStripPage::missingEntryDrawsNothing()
{
    const Drawn d = draw(entryOf("0", "0", {cellAt({"5", "5", "40", "10"}, {"A"})}), previewA(), 96, 2);
    QVERIFY(!d.found);
    QVERIFY(d.fills.isEmpty() && d.texts.isEmpty());
}

void TestStripPage::farOffCellStaysInRange()
{
    // A malformed record placing a cell a billion millimetres away, wider
    // than any page: its rectangle stays within int arithmetic.
    const Fixed4 s = scaleOfDpi(1200);
    const Drawn d = draw(entryOf("-999999999", "999999999", {cellAt({"0", "0", "999999999", "10"}, {"A"})}),
                         {s, s, Fixed4(), Fixed4(), {}}, 1200);
    QVERIFY(!d.fills.isEmpty());
    const QRect r = d.fills.at(0).rect;
    QCOMPARE(r.left(), -strip::MaxPixel);
    QCOMPARE(r.top(), strip::MaxPixel);
    QVERIFY(r.width() >= 0 && r.height() >= 0);
}

void TestStripPage::jobPlan_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<int>>("entries"); // entry number of each job
    QTest::addColumn<int>("pages");          // pages per job
    QTest::newRow("one copy") << 1 << false << QList<int>{1, 4, 6} << 1;
    QTest::newRow("two collated") << 2 << true << QList<int>{1, 4, 6, 1, 4, 6} << 1;
    QTest::newRow("two uncollated") << 2 << false << QList<int>{1, 4, 6} << 2;
    QTest::newRow("zero copies count as one") << 0 << true << QList<int>{1, 4, 6} << 1;
}

void TestStripPage::jobPlan()
{
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<int>, entries);
    QFETCH(int, pages);
    const QList<StripJob> jobs = planStripJobs({0, 3, 5}, copies, collate);
    QCOMPARE(jobs.size(), entries.size());
    for (int i = 0; i < jobs.size(); ++i) {
        QCOMPARE(jobs.at(i).position + 1, entries.at(i));
        QCOMPARE(jobs.at(i).pages, pages);
    }
}

void TestStripPage::adjustmentTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    for (const char *ok : {"1.5", "-2", "0", "-0", "1.23456", "5.", "-0.5", "12"})
        QTest::newRow(ok) << QString::fromLatin1(ok) << true;
    for (const char *bad : {"", "-", "-.", ".", ".5", "+1", "1,5", "1.2.3", " 1", "1 ", "1e3", "--1", "1-",
                            "99999999999999"})
        QTest::newRow(bad[0] ? bad : "empty") << QString::fromLatin1(bad) << false;
    QTest::newRow("full-width digit") << QStringLiteral("１") << false;
}

void TestStripPage::adjustmentTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(adjustmentTextAccepted(text), accepted);
    if (accepted) // whatever passes the check reads as a number
        adjustmentValue(text);
}

void TestStripPage::adjustmentFormat_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << "0" << "0.0";
    QTest::newRow("minus zero") << "-0" << "0.0";
    QTest::newRow("rounded to four places") << "1.23456" << "1.2346";
    QTest::newRow("trailing zeros dropped") << "1.20000" << "1.2";
    QTest::newRow("quarter") << "1.25" << "1.25";
    QTest::newRow("negative half") << "-0.5" << "-0.5";
    QTest::newRow("four places kept") << "2.3456" << "2.3456";
    QTest::newRow("whole") << "12" << "12.0";
}

void TestStripPage::adjustmentFormat()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QCOMPARE(formatAdjustment(adjustmentValue(typed)), shown);
}

QTEST_MAIN(TestStripPage)
#include "test_strippage.moc"
