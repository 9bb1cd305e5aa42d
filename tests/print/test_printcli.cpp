// tavrel-cli print, print-list and calibrate: the PDF that comes out (page
// count, paper and orientation per page, order of copies, real text, the
// fine adjustment, where the calibration page's crosshairs land), usage and
// data errors, and no file left behind by a failure. Every output command
// writes to standard output, a FIFO and devices, and reports a write past a
// file-size limit.

#include "../cli/clirun.h"
#include "pdfprobe.h"
#include "print/sheetpage.h"
#include "register/registerdocument.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

const QString Sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");

int cli(const QStringList &args, QString *err = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), args);
    if (!p.waitForFinished(120000))
        return -1;
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Each page's paper in whole mm, as width x height.
QList<QSize> papers(const QString &pdf)
{
    const QString out = run(QStringLiteral("pdfinfo"), {"-f", "1", "-l", "9999", pdf});
    static const QRegularExpression size(QStringLiteral("^Page +\\d+ size: +([\\d.]+) x ([\\d.]+)"),
                                         QRegularExpression::MultilineOption);
    QList<QSize> r;
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        r.append(QSize(qRound(m.captured(1).toDouble() * 25.4 / 72), qRound(m.captured(2).toDouble() * 25.4 / 72)));
    }
    return r;
}

const QSize A5(148, 210), A4(210, 297), A4Landscape(297, 210), Postcard(148, 100), JisB5(182, 257);

// Top of the first occurrence of a word on page 1, in points.
double wordTop(const QString &pdf, const QString &word)
{
    const QString html = run(QStringLiteral("pdftotext"), {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    const QRegularExpression w(QStringLiteral("<word xMin=\"[\\d.]+\" yMin=\"([\\d.]+)\"[^>]*>%1</word>")
                                   .arg(QRegularExpression::escape(word)));
    const auto m = w.match(html);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

// The words of each page with their top-left corners in mm.
struct Word
{
    QString text;
    QPointF at;
};
QList<QList<Word>> pageWords(const QString &pdf)
{
    const QString html = run(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    static const QRegularExpression item(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    QList<QList<Word>> pages;
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page")))
            pages.append(QList<Word>());
        else if (!pages.isEmpty())
            pages.last().append({m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * 25.4 / 72});
    }
    return pages;
}

QRectF mmRect(Fixed4 x, Fixed4 y, Fixed4 w, Fixed4 h)
{
    return QRectF(x.raw() / 1e4, y.raw() / 1e4, w.raw() / 1e4, h.raw() / 1e4);
}

QRectF blockRect(const print::PlacedBlock &b)
{
    return mmRect(b.x, b.y, b.width, b.height);
}

// The run tavrel-cli lays out for these options, read by the same core.
print::SheetRun sampleRun(const QList<int> &entries, int copies, print::SheetSettings settings)
{
    RegisterDocument doc;
    doc.load(Sample);
    QList<int> positions;
    for (int e : entries)
        positions.append(e - 1);
    return print::planSheetRun(doc, print::planStripJobs(positions, copies, false), settings);
}

using clitest::cliInShell;
using clitest::fileBytes;

bool isCharDevice(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

} // namespace

class TestPrintCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeRegister();
    void sheetTrueToForm();
    void sheetStart_data();
    void sheetStart();
    void sheetOptions_data();
    void sheetOptions();
    void entriesCopiesCollate_data();
    void entriesCopiesCollate();
    void adjustment_data();
    void adjustment();
    void sheetTurned();
    void refusals_data();
    void refusals();
    void printList();
    void calibrate_data();
    void calibrate();
    void outputTargets_data();
    void outputTargets();

private:
    QTemporaryDir m_dir;
};

void TestPrintCli::wholeRegister()
{
    const QString out = m_dir.filePath(QStringLiteral("all.pdf"));
    QCOMPARE(cli({"print", Sample, "-o", out}), 0);
    // Every entry in register order, each on its format's paper.
    const QList<QSize> want{A5, A5, A5, A5, A5, A5, A5, A4, A4, Postcard, JisB5, JisB5, JisB5, JisB5};
    QCOMPARE(papers(out), want);
    const QString text = run(QStringLiteral("pdftotext"), {"-f", "1", "-l", "1", out, "-"});
    QVERIFY(text.contains(QStringLiteral("山田 太郎")));
    QVERIFY(text.contains(QStringLiteral("総務部")));
    QCOMPARE(pdfprobe::title(out), QStringLiteral("sample-office"));
}

// The sample's 14 strips on A4 with cut marks and captions: every word of a
// strip lies where it lies on its form, moved with its block, within 0.1 mm;
// no two blocks overlap, no mark or caption reaches into another block;
// every page is A4 and there are as many as the layout has sheets.
void TestPrintCli::sheetTrueToForm()
{
    const QString sheets = m_dir.filePath(QStringLiteral("sheets.pdf"));
    const QString forms = m_dir.filePath(QStringLiteral("forms.pdf"));
    QString err;
    QCOMPARE(cli({"print", Sample, "-o", sheets, "--sheet", "A4", "--cut-marks", "--captions"}, &err), 0);
    QCOMPARE(cli({"print", Sample, "-o", forms}), 0);
    QList<int> all;
    for (int e = 1; e <= 14; ++e)
        all.append(e);
    print::SheetSettings settings;
    settings.cut = print::CutGuides::Marks;
    settings.captions = true;
    const print::SheetRun plan = sampleRun(all, 1, settings);
    QVERIFY(plan.ok());
    QVERIFY(plan.layout.sheetCount > 1 && plan.layout.sheetCount < 14);
    QCOMPARE(papers(sheets), QList<QSize>(plan.layout.sheetCount, A4));

    const QList<QList<Word>> sheetWords = pageWords(sheets), formWords = pageWords(forms);
    QCOMPARE(formWords.size(), 14);
    QList<QList<Word>> unmatched = sheetWords;
    for (const print::PlacedBlock &b : plan.layout.blocks) {
        const print::SheetEntry &e = plan.entries.at(b.item);
        QVERIFY(!b.rotated);
        const QPointF shift((b.x - e.bounds.x).raw() / 1e4, (b.y - e.bounds.y).raw() / 1e4);
        QVERIFY(!formWords.at(e.position).isEmpty());
        for (const Word &w : formWords.at(e.position)) {
            const QPointF want = w.at + shift;
            QList<Word> &page = unmatched[b.sheet];
            qsizetype found = -1;
            for (qsizetype i = 0; i < page.size() && found < 0; ++i)
                if (page.at(i).text == w.text && qAbs(page.at(i).at.x() - want.x()) <= 0.1
                    && qAbs(page.at(i).at.y() - want.y()) <= 0.1)
                    found = i;
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("entry %1: %2 at (%3, %4)")
                                                .arg(e.position + 1).arg(w.text).arg(want.x()).arg(want.y())));
            page.removeAt(found);
        }
    }
    // What is left are the captions: each below its own block, in its band.
    for (const print::PlacedBlock &b : plan.layout.blocks) {
        const print::SheetEntry &e = plan.entries.at(b.item);
        const strip::MmRect band = print::captionBand(b, settings);
        const QRectF bandRect = mmRect(band.x, band.y, band.width, band.height).adjusted(-0.1, -0.1, 0.1, 0.1);
        const QString first = e.caption.section(QStringLiteral("  "), 0, 0);
        bool seen = false;
        for (const Word &w : unmatched.at(b.sheet))
            seen = seen || (w.text == first && bandRect.contains(w.at));
        QVERIFY2(seen, qPrintable(e.caption));
    }
    for (int sheet = 0; sheet < unmatched.size(); ++sheet)
        for (const Word &w : unmatched.at(sheet)) {
            bool inBand = false;
            for (const print::PlacedBlock &b : plan.layout.blocks) {
                const strip::MmRect band = print::captionBand(b, settings);
                inBand = inBand || (b.sheet == sheet && mmRect(band.x, band.y, band.width, band.height)
                                                            .adjusted(-0.1, -0.1, 0.1, 0.1).contains(w.at));
            }
            QVERIFY2(inBand, qPrintable(w.text));
        }
    // Blocks, marks and caption bands against every other block.
    for (const print::PlacedBlock &a : plan.layout.blocks) {
        const print::SheetEntry &e = plan.entries.at(a.item);
        const strip::MmRect band = print::captionBand(a, settings);
        QList<QRectF> owned{mmRect(band.x, band.y, band.width, band.height)};
        for (const print::MarkLine &m : print::cutMarks(print::placedSections(e, a)))
            owned.append(QRectF(QPointF(qMin(m.x1, m.x2).raw() / 1e4, qMin(m.y1, m.y2).raw() / 1e4),
                                QPointF(qMax(m.x1, m.x2).raw() / 1e4, qMax(m.y1, m.y2).raw() / 1e4)));
        for (const print::PlacedBlock &b : plan.layout.blocks) {
            if (a.item == b.item || a.sheet != b.sheet)
                continue;
            QVERIFY(!blockRect(a).intersects(blockRect(b)));
            for (const QRectF &r : owned)
                QVERIFY(!r.adjusted(0, 0, 0.001, 0.001).intersects(blockRect(b)));
        }
    }
}

// One strip type, three copies of the 91.5 x 78 mm strip: six places on A4,
// the run starting at place N leaves the first N - 1 white.
void TestPrintCli::sheetStart_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("sheets");
    QTest::newRow("first place") << 1 << 1;
    QTest::newRow("second place") << 2 << 1;
    QTest::newRow("fourth place") << 4 << 1;
    QTest::newRow("fifth place, over to a second sheet") << 5 << 2;
    QTest::newRow("last place") << 6 << 2;
}

void TestPrintCli::sheetStart()
{
    QFETCH(int, start);
    QFETCH(int, sheets);
    const QString out = m_dir.filePath(QStringLiteral("start.pdf"));
    QCOMPARE(cli({"print", Sample, "-o", out, "--entries", "10", "--copies", "3", "--sheet", "A4", "--cut-marks",
                  "--captions", "--start", QString::number(start)}),
             0);
    print::SheetSettings settings;
    settings.captions = true;
    settings.start = start;
    const print::SheetRun plan = sampleRun({10}, 3, settings);
    QCOMPARE(plan.layout.places, 6);
    QCOMPARE(plan.layout.sheetCount, sheets);
    QCOMPARE(papers(out), QList<QSize>(sheets, A4));
    const QImage page = pdfprobe::render(out, 1);
    const int n = pdfprobe::PixelsPerMm;
    auto darkIn = [&](const QRectF &mm) {
        const QRect r(qRound(mm.x() * n), qRound(mm.y() * n), qRound(mm.width() * n), qRound(mm.height() * n));
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    const Fixed4 step = plan.layout.placeWidth + settings.gap, rowStep = plan.layout.placeHeight + settings.gap;
    for (int place = 1; place <= 6; ++place) {
        const int i = place - 1;
        const QRectF r = mmRect(settings.margin + Fixed4::fromRaw(step.raw() * (i % 2)),
                                settings.margin + Fixed4::fromRaw(rowStep.raw() * (i / 2)), plan.layout.placeWidth,
                                plan.layout.placeHeight);
        QCOMPARE(darkIn(r), place >= start && place < start + 3);
    }
}

// The paper, orientation and count of sheets by the options.
void TestPrintCli::sheetOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QSize>>("pages");
    QTest::newRow("three K strips on A4") << QStringList{"--entries", "10", "--copies", "3", "--sheet", "A4"}
                                          << QList<QSize>{A4};
    QTest::newRow("seven make two sheets") << QStringList{"--entries", "10", "--copies", "7", "--sheet", "A4", "--cut-lines"}
                                           << QList<QSize>{A4, A4};
    QTest::newRow("landscape") << QStringList{"--entries", "10", "--sheet", "A4", "--landscape", "--no-cut"}
                               << QList<QSize>{A4Landscape};
    QTest::newRow("two rows on A5") << QStringList{"--entries", "10,3", "--sheet", "A5", "--margin", "10"}
                                    << QList<QSize>{A5};
    QTest::newRow("a sheet each on A5") << QStringList{"--entries", "10,3", "--sheet", "A5", "--margin", "11"}
                                        << QList<QSize>{A5, A5};
    QTest::newRow("postcard as WxH") << QStringList{"--entries", "10", "--sheet", "100x148", "--rotate", "--margin", "0"}
                                              << QList<QSize>{Postcard.transposed()};
    QTest::newRow("JIS B5 by its other name") << QStringList{"--entries", "14", "--sheet", "B5"} << QList<QSize>{JisB5};
    QTest::newRow("B4") << QStringList{"--entries", "1-3", "--sheet", "B4"} << QList<QSize>{QSize(257, 364)};
    QTest::newRow("A3 landscape, big gap") << QStringList{"--sheet", "A3", "--landscape", "--gap", "20"}
                                           << QList<QSize>(6, QSize(420, 297));
    QTest::newRow("Letter") << QStringList{"--entries", "10", "--sheet", "Letter"} << QList<QSize>{QSize(216, 279)};
}

void TestPrintCli::sheetOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QSize>, pages);
    const QString out = m_dir.filePath(QStringLiteral("options.pdf"));
    QString err;
    QCOMPARE(cli(QStringList{"print", Sample, "-o", out} + options, &err), 0);
    QCOMPARE(papers(out), pages);
}

void TestPrintCli::entriesCopiesCollate_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QSize>>("pages");
    QTest::newRow("named order") << QStringList{"--entries", "10,1"} << QList<QSize>{Postcard, A5};
    QTest::newRow("ranges and duplicates") << QStringList{"--entries", "8-10,9,10"} << QList<QSize>{A4, A4, Postcard};
    QTest::newRow("all") << QStringList{"--entries", "all"} << QList<QSize>{A5, A5, A5, A5, A5, A5, A5, A4, A4,
                                                                           Postcard, JisB5, JisB5, JisB5, JisB5};
    QTest::newRow("two uncollated") << QStringList{"--entries", "1,10", "--copies", "2"}
                                    << QList<QSize>{A5, A5, Postcard, Postcard};
    QTest::newRow("two collated") << QStringList{"--entries", "1,10", "--copies", "2", "--collate"}
                                  << QList<QSize>{A5, Postcard, A5, Postcard};
}

void TestPrintCli::entriesCopiesCollate()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QSize>, pages);
    const QString out = m_dir.filePath(QStringLiteral("some.pdf"));
    QString err;
    QCOMPARE(cli(QStringList{"print", Sample, "-o", out} + options, &err), 0);
    QCOMPARE(papers(out), pages);
}

void TestPrintCli::adjustment_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("on its form") << QStringList();
    QTest::newRow("on a sheet") << QStringList{"--sheet", "A4", "--captions"};
}

void TestPrintCli::adjustment()
{
    QFETCH(QStringList, options);
    const QString plain = m_dir.filePath(QStringLiteral("plain.pdf"));
    const QString moved = m_dir.filePath(QStringLiteral("moved.pdf"));
    QCOMPARE(cli(QStringList{"print", Sample, "--entries", "1", "-o", plain} + options), 0);
    QCOMPARE(cli(QStringList{"print", Sample, "--entries", "1", "--adjust-v", "2", "--adjust-h", "-1.5", "-o", moved}
                 + options),
             0);
    const double a = wordTop(plain, QStringLiteral("総務部")), b = wordTop(moved, QStringLiteral("総務部"));
    QVERIFY(a > 0 && b > 0);
    // 2 mm down is 5.67 points.
    QVERIFY2(qAbs((b - a) - 2 * 72 / 25.4) < 0.5, qPrintable(QStringLiteral("%1 -> %2").arg(a).arg(b)));
}

// A strip that fits a landscape A4 only turned: it is drawn turned, all of
// it within its turned block.
void TestPrintCli::sheetTurned()
{
    const QString out = m_dir.filePath(QStringLiteral("turned.pdf"));
    QCOMPARE(cli({"print", Sample, "--entries", "12", "-o", out, "--sheet", "A4", "--landscape", "--rotate", "--no-cut"}),
             0);
    print::SheetSettings settings;
    settings.landscape = true;
    settings.rotate = true;
    settings.cut = print::CutGuides::None;
    settings.captions = false;
    const print::SheetRun plan = sampleRun({12}, 1, settings);
    QVERIFY(plan.ok());
    const print::PlacedBlock &b = plan.layout.blocks.constFirst();
    QVERIFY(b.rotated);
    const QImage page = pdfprobe::render(out);
    QRect dark;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                dark |= QRect(x, y, 1, 1);
    const QRectF inMm(dark.x() / 10.0, dark.y() / 10.0, dark.width() / 10.0, dark.height() / 10.0);
    QVERIFY2(blockRect(b).adjusted(-0.2, -0.2, 0.2, 0.2).contains(inMm),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(inMm.x()).arg(inMm.y()).arg(inMm.width()).arg(inMm.height())));
    // The texts run along the strip's long side, now across the page.
    QVERIFY(inMm.width() > inMm.height());
}

void TestPrintCli::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("no output") << QStringList{"print", Sample} << 2;
    QTest::newRow("no register") << QStringList{"print", "-o", "X"} << 2;
    QTest::newRow("reversed range") << QStringList{"print", Sample, "-o", "X", "--entries", "3-1"} << 2;
    QTest::newRow("empty item") << QStringList{"print", Sample, "-o", "X", "--entries", "1,,2"} << 2;
    QTest::newRow("not a number") << QStringList{"print", Sample, "-o", "X", "--entries", "one"} << 2;
    QTest::newRow("blank in list") << QStringList{"print", Sample, "-o", "X", "--entries", "1, 2"} << 2;
    QTest::newRow("zero copies") << QStringList{"print", Sample, "-o", "X", "--copies", "0"} << 2;
    QTest::newRow("bad adjustment") << QStringList{"print", Sample, "-o", "X", "--adjust-v", "-."} << 2;
    QTest::newRow("missing value") << QStringList{"print", Sample, "-o", "X", "--copies"} << 2;
    QTest::newRow("no such entry") << QStringList{"print", Sample, "-o", "X", "--entries", "1,99"} << 1;
    QTest::newRow("entry zero") << QStringList{"print", Sample, "-o", "X", "--entries", "0"} << 1;
    QTest::newRow("missing register") << QStringList{"print", "/nonexistent.TAV", "-o", "X"} << 1;
    QTest::newRow("list without output") << QStringList{"print-list", Sample} << 2;
    QTest::newRow("calibrate without format") << QStringList{"calibrate", "-o", "X"} << 2;
    QTest::newRow("calibrate without output") << QStringList{"calibrate", "--format", "A"} << 2;
    QTest::newRow("calibrate format E") << QStringList{"calibrate", "--format", "E", "-o", "X"} << 2;
    QTest::newRow("calibrate format a") << QStringList{"calibrate", "--format", "a", "-o", "X"} << 2;
    QTest::newRow("calibrate two formats") << QStringList{"calibrate", "--format", "AB", "-o", "X"} << 2;
    QTest::newRow("calibrate bad adjustment") << QStringList{"calibrate", "--format", "A", "-o", "X", "--adjust-h", "1,5"} << 2;
    QTest::newRow("calibrate unknown option") << QStringList{"calibrate", "--format", "A", "-o", "X", "--entries", "1"} << 2;
    QTest::newRow("calibrate with a register") << QStringList{"calibrate", Sample, "--format", "A", "-o", "X"} << 2;
    QTest::newRow("calibrate over a register") << QStringList{"calibrate", "--format", "A", "-o", "REG"} << 2;
    QTest::newRow("print to a folder") << QStringList{"print", Sample, "-o", "DIR"} << 2;
    QTest::newRow("sheet of no known paper") << QStringList{"print", Sample, "-o", "X", "--sheet", "A6"} << 2;
    QTest::newRow("sheet WxH one side") << QStringList{"print", Sample, "-o", "X", "--sheet", "210x"} << 2;
    QTest::newRow("sheet WxH too small") << QStringList{"print", Sample, "-o", "X", "--sheet", "5x5"} << 2;
    QTest::newRow("sheet without paper") << QStringList{"print", Sample, "-o", "X", "--sheet"} << 2;
    QTest::newRow("negative margin") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--margin", "-1"} << 2;
    QTest::newRow("margin no number") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--margin", "5mm"} << 2;
    QTest::newRow("negative gap") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--gap", "-0.5"} << 2;
    QTest::newRow("start zero") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--start", "0"} << 2;
    QTest::newRow("start negative") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--start", "-2"} << 2;
    QTest::newRow("start no number") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--start", "x"} << 2;
    QTest::newRow("marks and lines") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--cut-marks", "--cut-lines"} << 2;
    QTest::newRow("lines and none") << QStringList{"print", Sample, "-o", "X", "--sheet", "A4", "--cut-lines", "--no-cut"} << 2;
    QTest::newRow("sheet option without sheet") << QStringList{"print", Sample, "-o", "X", "--margin", "5"} << 2;
    QTest::newRow("start without sheet") << QStringList{"print", Sample, "-o", "X", "--start", "2"} << 2;
    QTest::newRow("start past the first sheet")
        << QStringList{"print", Sample, "-o", "X", "--entries", "10", "--sheet", "A4", "--cut-marks", "--captions", "--start", "7"} << 1;
    QTest::newRow("strip larger than the sheet") << QStringList{"print", Sample, "-o", "X", "--sheet", "A5"} << 1;
    QTest::newRow("strip larger turned too") << QStringList{"print", Sample, "-o", "X", "--entries", "12", "--sheet", "A5", "--rotate"} << 1;
    QTest::newRow("margins eat the sheet") << QStringList{"print", Sample, "-o", "X", "--sheet", "30x30", "--margin", "15"} << 1;
    QTest::newRow("calibrate format and sheet") << QStringList{"calibrate", "--format", "A", "--sheet", "A4", "-o", "X"} << 2;
    QTest::newRow("calibrate bad sheet") << QStringList{"calibrate", "--sheet", "A7", "-o", "X"} << 2;
    QTest::newRow("calibrate sheet captions") << QStringList{"calibrate", "--sheet", "A4", "--captions", "-o", "X"} << 2;
    QTest::newRow("calibrate margins eat the sheet") << QStringList{"calibrate", "--sheet", "A5", "--margin", "74", "-o", "X"} << 1;
    QTest::newRow("calibrate to a folder") << QStringList{"calibrate", "--format", "A", "-o", "DIR"} << 2;
}

void TestPrintCli::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    // An existing file of that name stays as it was.
    const QString out = m_dir.filePath(QStringLiteral("kept.pdf"));
    {
        QFile f(out);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    args.replaceInStrings(QRegularExpression(QStringLiteral("^X$")), out);
    // A register, and a folder, given as the output.
    const QString reg = m_dir.filePath(QStringLiteral("r.TAV"));
    QFile::remove(reg);
    QVERIFY(QFile::copy(Sample, reg));
    args.replaceInStrings(QRegularExpression(QStringLiteral("^REG$")), reg);
    args.replaceInStrings(QRegularExpression(QStringLiteral("^DIR$")), m_dir.path());
    QString err;
    QCOMPARE(cli(args, &err), code);
    QVERIFY(!err.isEmpty());
    QCOMPARE(fileBytes(reg), fileBytes(Sample));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old"));
}

void TestPrintCli::printList()
{
    const QString out = m_dir.filePath(QStringLiteral("list.pdf"));
    QCOMPARE(cli({"print-list", Sample, "-o", out}), 0);
    QCOMPARE(papers(out), QList<QSize>{A4Landscape});
    const QString text = run(QStringLiteral("pdftotext"), {out, "-"});
    QVERIFY(text.contains(QStringLiteral("示名条一覧")));
    QVERIFY(text.contains(QStringLiteral("1 / 1")));
    QVERIFY(text.contains(QStringLiteral("2024/04/09 16:20")));
}

void TestPrintCli::calibrate_data()
{
    QTest::addColumn<QStringList>("paperOptions");
    QTest::addColumn<QSize>("paper");
    QTest::addColumn<double>("inset");
    QTest::addColumn<double>("vertical");
    QTest::addColumn<double>("horizontal");
    const QStringList a{"--format", "A"}, c{"--format", "C"}, d{"--format", "D"};
    QTest::newRow("A") << a << A5 << 20.0 << 0.0 << 0.0;
    QTest::newRow("B") << QStringList{"--format", "B"} << A4 << 20.0 << 0.0 << 0.0;
    QTest::newRow("C") << c << Postcard << 20.0 << 0.0 << 0.0;
    QTest::newRow("D") << d << JisB5 << 20.0 << 0.0 << 0.0;
    QTest::newRow("A down and left") << a << A5 << 20.0 << 2.0 << -1.5;
    QTest::newRow("C up and right") << c << Postcard << 20.0 << -3.25 << 4.0;
    QTest::newRow("D quarter") << d << JisB5 << 20.0 << 0.25 << 0.75;
    // Sheets: the corners of the printable area.
    QTest::newRow("sheet A4") << QStringList{"--sheet", "A4"} << A4 << 5.0 << 0.0 << 0.0;
    QTest::newRow("sheet A5 landscape, margin 7.5, adjusted")
        << QStringList{"--sheet", "a5", "--landscape", "--margin", "7.5"} << QSize(210, 148) << 7.5 << 1.0 << -0.5;
    QTest::newRow("sheet WxH") << QStringList{"--sheet", "120x160", "--margin", "10"} << QSize(120, 160) << 10.0 << 0.0
                               << 0.0;
}

void TestPrintCli::calibrate()
{
    QFETCH(QStringList, paperOptions);
    QFETCH(QSize, paper);
    QFETCH(double, inset);
    QFETCH(double, vertical);
    QFETCH(double, horizontal);
    const QString out = m_dir.filePath(QStringLiteral("calibrate.pdf"));
    QString err;
    QCOMPARE(cli(QStringList{"calibrate"} + paperOptions
                     + QStringList{"-o", out, "--adjust-v", QString::number(vertical), "--adjust-h",
                                   QString::number(horizontal)},
                 &err),
             0);
    QCOMPARE(papers(out), QList<QSize>{paper});
    const QImage page = pdfprobe::render(out);
    QVERIFY(qAbs(page.width() - paper.width() * pdfprobe::PixelsPerMm) <= 3); // the pages are whole points
    QVERIFY(qAbs(page.height() - paper.height() * pdfprobe::PixelsPerMm) <= 3); // the pages are whole points
    // Crosshairs in from every corner, moved by the offsets.
    const QList<QPointF> nominal{{inset, inset},
                                 {paper.width() - inset, inset},
                                 {inset, paper.height() - inset},
                                 {paper.width() - inset, paper.height() - inset}};
    for (const QPointF &n : nominal) {
        const QPointF want = n + QPointF(horizontal, vertical);
        const QPointF got = pdfprobe::crossNear(page, want);
        QVERIFY2(qAbs(got.x() - want.x()) <= 0.2 && qAbs(got.y() - want.y()) <= 0.2,
                 qPrintable(QStringLiteral("(%1, %2) found at (%3, %4)")
                                .arg(want.x()).arg(want.y()).arg(got.x()).arg(got.y())));
    }
    // Each crosshair names its nominal place; the page says how to read it.
    const QString text = pdfprobe::text(out).simplified();
    for (const QPointF &n : nominal)
        QVERIFY2(text.contains(QStringLiteral("(%1, %2) mm").arg(n.x()).arg(n.y())), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("紙の端から十字の中心までを測り")));
    QCOMPARE(pdfprobe::title(out), QStringLiteral("テスト印刷"));
}

void TestPrintCli::outputTargets_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    const QByteArray pdf("%PDF-"), eof("%%EOF\n");
    QTest::newRow("print") << QStringList{"print", Sample, "--entries", "1-2"} << pdf << eof;
    QTest::newRow("print-list") << QStringList{"print-list", Sample} << pdf << eof;
    QTest::newRow("calibrate") << QStringList{"calibrate", "--format", "B"} << pdf << eof;
    QTest::newRow("render") << QStringList{"render", Sample, "--entry", "1"} << QByteArray("\x89PNG")
                            << QByteArray("IEND\xAE\x42\x60\x82");
    QTest::newRow("export") << QStringList{"export", Sample, "--force"} << QByteArray("\x94\xd4\x8d\x86,") // 番号
                            << QByteArray("\r\n");
}

void TestPrintCli::outputTargets()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    auto whole = [&](const QByteArray &b) { return b.size() > 200 && b.startsWith(head) && b.endsWith(tail); };
    // Standard output, by "-" and by name.
    for (const QString &out : {QStringLiteral("-"), QStringLiteral("/dev/stdout")}) {
        const clitest::Run r = cliInShell(QString(), args + QStringList{"-o", out});
        QCOMPARE(r.code, 0);
        QVERIFY2(whole(r.bytes), qPrintable(out));
    }
    QVERIFY(!QFile::exists(QStringLiteral("-")));

    // A FIFO: a reader gets the whole file. Should the program never open it,
    // opening it here ends the reader's wait.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray read;
    std::thread reader([&] {
        QFile f(fifo);
        if (f.open(QIODevice::ReadOnly))
            read = f.readAll();
    });
    const int code = cliInShell(QString(), args + QStringList{"-o", fifo}).code;
    const int unblock = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (unblock >= 0)
        ::close(unblock);
    reader.join();
    QCOMPARE(code, 0);
    QVERIFY(whole(read));

    // Devices are written into, never replaced: /dev/null, and a node made
    // with mknod where that is allowed.
    QCOMPARE(cliInShell(QString(), args + QStringList{"-o", "/dev/null"}).code, 0);
    QVERIFY(isCharDevice(QStringLiteral("/dev/null")));
    const QString node = dir.filePath(QStringLiteral("null"));
    if (mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        QCOMPARE(cliInShell(QString(), args + QStringList{"-o", node}).code, 0);
        QVERIFY(isCharDevice(node));
    }

    // Past a file-size limit of 1 KB: exit 1, the old file as it was and
    // no temporary file left.
    const QString kept = dir.filePath(QStringLiteral("kept"));
    {
        QFile f(kept);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QCOMPARE(cliInShell(QStringLiteral("ulimit -f 1;"), args + QStringList{"-o", kept}).code, 1);
    QCOMPARE(fileBytes(kept), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("kept")),
             QStringList{QStringLiteral("kept")});
}

QTEST_GUILESS_MAIN(TestPrintCli)
#include "test_printcli.moc"
