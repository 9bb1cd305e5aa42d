// The register list page: row table, page count, and the character-cell
// writing with its rules, headings, rows, page number and footer, recorded
// on surfaces of screen and printer resolution.

#include "pdfprobe.h"
#include "platform/fonts.h"
#include "print/listpage.h"
#include "print/pdfoutput.h"
#include "recordingdevice.h"
#include "register/registerdocument.h"

#include <QTest>

using namespace print;

namespace {

EntryHeader header(int i)
{
    return {QString::number(100 + i), QStringLiteral("部署%1").arg(i), QStringLiteral("使用者%1").arg(i),
            QStringLiteral("2024/04/01 09:00"), QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("電話機")};
}

QList<EntryHeader> headers(int n)
{
    QList<EntryHeader> h;
    for (int i = 0; i < n; ++i)
        h.append(header(i));
    return h;
}

struct Page
{
    ListMetrics m;
    RecordingEngine records;
};

// Draws page `page` on a recording surface and returns the records.
std::unique_ptr<RecordingDevice> drawPage(const QList<ListRow> &table, int page, int dpi, ListMetrics &m,
                                          const QDateTime &at = QDateTime(QDate(2024, 3, 5), QTime(9, 7)))
{
    auto dev = std::make_unique<RecordingDevice>(QSize(1400 * dpi / 96, 900 * dpi / 96), dpi);
    QPainter p(dev.get());
    m = listMetrics(p);
    drawListPage(p, table, page, at);
    return dev;
}

// The characters written with their top at row y, in order of x, joined.
QString textAtRow(const QList<RecordedText> &texts, int y, int dpi, int fromX = 0, int toX = INT_MAX)
{
    RecordingDevice probe(QSize(10, 10), dpi);
    QList<std::pair<qreal, QString>> found;
    for (const RecordedText &t : texts) {
        const int top = qRound(t.baseline.y()) - QFontMetrics(t.font, &probe).ascent();
        if (top == y && t.baseline.x() >= fromX && t.baseline.x() < toX)
            found.append({t.baseline.x(), t.text});
    }
    std::sort(found.begin(), found.end(), [](auto &a, auto &b) { return a.first < b.first; });
    QString s;
    for (const auto &f : found)
        s += f.second;
    return s;
}

QList<qreal> xsOf(const QList<RecordedText> &texts, const QString &chars)
{
    QList<qreal> xs;
    for (const RecordedText &t : texts)
        if (chars.contains(t.text))
            xs.append(t.baseline.x());
    return xs;
}

} // namespace

class TestListPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void pageCount_data();
    void pageCount();
    void cutting_data();
    void cutting();
    void metrics();
    void rulesOnEveryPage_data();
    void rulesOnEveryPage();
    void rowsOfPage_data();
    void rowsOfPage();
    void characterCells();
    void titlePageNumberHeadingsFooter();
    void pdfEndsBeforeTheRightEdge();
};

void TestListPage::pageCount_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("30") << 30 << 1;
    QTest::newRow("31") << 31 << 2;
    QTest::newRow("45") << 45 << 2;
    QTest::newRow("61") << 61 << 3;
}

void TestListPage::pageCount()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    QCOMPARE(listPageCount(rows), pages);
}

void TestListPage::cutting_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cut");
    QTest::newRow("series over 25") << 0 << QString(30, u'ア') << QString(25, u'ア');
    QTest::newRow("type of 51 kept") << 1 << QString(51, u'x') << QString(51, u'x');
    QTest::newRow("extension over 14") << 2 << "123456789012345678" << "12345678901234";
    QTest::newRow("department of 32 full-width") << 3 << QString(40, u'部') << QString(32, u'部');
    QTest::newRow("user over 20") << 4 << QString(21, u'u') << QString(20, u'u');
    QTest::newRow("date over 16") << 5 << "2024/04/01 09:00:00" << "2024/04/01 09:00";
    // A character outside the basic plane counts as one.
    QTest::newRow("astral characters") << 2 << QString::fromUtf8("𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷")
                                       << QString::fromUtf8("𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷");
}

void TestListPage::cutting()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, cut);
    EntryHeader h;
    QString *fields[6] = {&h.seriesCaption, &h.stripType, &h.extension, &h.department, &h.userName, &h.date};
    *fields[column] = text;
    const QList<ListRow> t = listRowTable({h});
    QCOMPARE(t.size(), 1);
    QCOMPARE(t.at(0).size(), 6);
    QCOMPARE(t.at(0).at(column), cut);
}

void TestListPage::metrics()
{
    // IPAPGothic at 9 points and 96 dpi is 13 pixels high: rows of 19, a
    // top margin of 57, the first rule at 57 + 76 - 1.9 = 131.1.
    RecordingDevice dev(QSize(1400, 900), 96);
    QPainter p(&dev);
    const ListMetrics m = listMetrics(p);
    QCOMPARE(m.h, 13);
    QCOMPARE(m.p, 19);
    QCOMPARE(m.t, 57);
    QCOMPARE(m.ruleY(0), 131);
    QCOMPARE(m.ruleY(30), 701);
}

void TestListPage::rulesOnEveryPage_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("page");
    QTest::newRow("preview, full page") << 96 << 30 << 1;
    QTest::newRow("preview, last page of 45") << 96 << 45 << 2;
    QTest::newRow("600 dpi printer") << 600 << 31 << 2;
}

void TestListPage::rulesOnEveryPage()
{
    QFETCH(int, dpi);
    QFETCH(int, rows);
    QFETCH(int, page);
    ListMetrics m;
    auto dev = drawPage(listRowTable(headers(rows)), page, dpi, m);
    const QList<RecordedLine> &lines = dev->records().lines;
    QCOMPARE(lines.size(), 31);
    for (int i = 0; i <= 30; ++i) {
        const RecordedLine &l = lines.at(i);
        QCOMPARE(l.width, qreal(i == 0 || i == 30 ? 4 : i % 10 == 0 ? 2 : 1));
        QCOMPARE(l.line, QLineF(m.x0, m.ruleY(i), m.x0 + 163 * m.b, m.ruleY(i)));
    }
}

void TestListPage::rowsOfPage_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("first"); // index of the page's first row
    QTest::addColumn<int>("count");
    QTest::newRow("30 rows, page 1") << 30 << 1 << 0 << 30;
    QTest::newRow("31 rows, page 2") << 31 << 2 << 30 << 1;
    QTest::newRow("45 rows, page 2") << 45 << 2 << 30 << 15;
}

void TestListPage::rowsOfPage()
{
    QFETCH(int, rows);
    QFETCH(int, page);
    QFETCH(int, first);
    QFETCH(int, count);
    ListMetrics m;
    auto dev = drawPage(listRowTable(headers(rows)), page, 96, m);
    const QList<RecordedText> &texts = dev->records().texts;
    const int extX = m.x0 + m.b * ListColumnStart[2], deptX = m.x0 + m.b * ListColumnStart[3];
    for (int k = 0; k < 30; ++k) {
        const QString ext = textAtRow(texts, m.t + 4 * m.p + k * m.p, 96, extX, deptX);
        QCOMPARE(ext, k < count ? QString::number(100 + first + k) : QString());
    }
}

void TestListPage::characterCells()
{
    // A department of 20 full-width characters takes 40 cells and reaches 8
    // cells into the user name column; half-width katakana and full-width
    // characters advance 2 cells, ASCII 1.
    EntryHeader h = header(0);
    h.department = QString(20, u'営');
    h.userName = QStringLiteral("ｱｲA");
    ListMetrics m;
    auto dev = drawPage(listRowTable({h}), 1, 96, m);
    const QList<RecordedText> &texts = dev->records().texts;
    const QList<qreal> dept = xsOf(texts, QStringLiteral("営"));
    QCOMPARE(dept.size(), 20);
    QCOMPARE(dept.first(), qreal(m.x0 + 90 * m.b));
    QCOMPARE(dept.last(), qreal(m.x0 + (90 + 38) * m.b));
    QCOMPARE(dept.last() + 2 * m.b, qreal(m.x0 + (122 + 8) * m.b));
    QCOMPARE(xsOf(texts, QStringLiteral("ｱ")).value(0), qreal(m.x0 + 122 * m.b));
    QCOMPARE(xsOf(texts, QStringLiteral("ｲ")).value(0), qreal(m.x0 + 124 * m.b));
    QVERIFY(xsOf(texts, QStringLiteral("A")).contains(qreal(m.x0 + 126 * m.b)));
}

void TestListPage::titlePageNumberHeadingsFooter()
{
    ListMetrics m;
    const QDateTime at(QDate(2024, 3, 5), QTime(9, 7));
    auto dev = drawPage(listRowTable(headers(45)), 2, 96, m, at);
    const QList<RecordedText> &texts = dev->records().texts;
    QCOMPARE(listFooterText(at), QStringLiteral("2024年3月5日 09:07"));
    QCOMPARE(listFooterText(QDateTime(QDate(2024, 12, 25), QTime(23, 59))), QStringLiteral("2024年12月25日 23:59"));
    QCOMPARE(textAtRow(texts, m.t + 35 * m.p, 96), QStringLiteral("2024年3月5日 09:07"));
    QCOMPARE(textAtRow(texts, m.t, 96, m.x0 + 142 * m.b), QStringLiteral("2 / 2 ページ"));
    QCOMPARE(textAtRow(texts, m.t + 3 * m.p, 96), ListHeadings.join(QString()));
    const QList<RecordedText> title = [&] {
        QList<RecordedText> r;
        for (const RecordedText &t : texts)
            if (t.text == ListTitle)
                r.append(t);
        return r;
    }();
    QCOMPARE(title.size(), 1);
    QVERIFY(title.at(0).font.bold() && title.at(0).font.italic());
    QCOMPARE(title.at(0).font.pointSize(), 18);
    QCOMPARE(textAtRow(texts, m.t, 96, 0, m.x0 + 1), ListTitle);
    for (const RecordedText &t : texts)
        QCOMPARE(t.colour, QColor(Qt::black));
}

// With the IPA fonts the cell is 42 pixels at 600 dpi: the rules would end
// at 300.5 mm on the 297 mm page, and a user name of 20 full-width
// characters at 298.6 mm. The page is scaled to end 5 mm before the edge.
void TestListPage::pdfEndsBeforeTheRightEdge()
{
    EntryHeader h = header(0);
    h.userName = QString(20, u'長');
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    writeListPdf(pdf, listRowTable(headers(29) << h), QDateTime(QDate(2024, 3, 5), QTime(9, 7)), "t");
    QVERIFY(pdfprobe::wordBoxes(pdf).contains(QString(20, u'長')));
    QCOMPARE(pdfprobe::wordsNearRightEdge(pdf, ListEdgeMarginMm), QStringList());
    // Nothing, rules included, in the last 5 mm of the page.
    const QImage page = pdfprobe::render(pdf);
    QVERIFY(page.width() > 2900);
    for (int x = page.width() - ListEdgeMarginMm * pdfprobe::PixelsPerMm; x < page.width(); ++x)
        for (int y = 0; y < page.height(); ++y)
            QVERIFY2(qGray(page.pixel(x, y)) > 128, qPrintable(QStringLiteral("dark at %1, %2").arg(x).arg(y)));
}

QTEST_MAIN(TestListPage)
#include "test_listpage.moc"
