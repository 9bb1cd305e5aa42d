// The print commands through the real windows: the strip preview with its
// paging, the list preview, the fine adjustment dialog, the no-printer
// messages, and print runs to PDF files and through a real CUPS queue.

#include "pdfprobe.h"
#include "print/listpage.h"
#include "print/pageformat.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "uitestsupport.h"
#include "windowhelpers.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/print/printcommands.h"
#include "windows/print/printers.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijocard.h"
#include "windows/print/tfprintjimeijolist.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

using Answer = ScriptedUserDialogs::PrintAnswer;

using printtest::ctrlClickRow;
using printtest::whenShown;

// Page sizes in points as pdfinfo reports them, and each page's rotation.
struct PdfPage
{
    QSizeF size;
    int rotation = 0;
};
QList<PdfPage> pdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                        QStringLiteral("9999"), path});
    p.waitForFinished(30000);
    QList<PdfPage> pages;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression size(QStringLiteral("^Page +(\\d+) size: +([\\d.]+) x ([\\d.]+)"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression rot(QStringLiteral("^Page +(\\d+) rot: +(\\d+)"),
                                        QRegularExpression::MultilineOption);
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        pages.append({QSizeF(m.captured(2).toDouble(), m.captured(3).toDouble()), 0});
    }
    for (auto it = rot.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        const int i = m.captured(1).toInt() - 1;
        if (i >= 0 && i < pages.size())
            pages[i].rotation = m.captured(2).toInt();
    }
    return pages;
}

// The paper as it comes out, in mm, landscape when wider than high
// (a page rotated by 90 or 270 degrees turns).
QSize paperMm(const PdfPage &p)
{
    QSizeF s = p.size * 25.4 / 72.0;
    if (p.rotation % 180 == 90)
        s.transpose();
    return QSize(qRound(s.width()), qRound(s.height()));
}

int paperIdentifierOfPrinter(const QPrinter &p)
{
    return print::paperIdentifierOf(p.pageLayout().pageSize().id());
}

const QSize Postcard(148, 100), JisB5(182, 257), A5(148, 210), A4Landscape(297, 210);

QString pdfTitle(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished(30000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression title(QStringLiteral("^Title: +(.*)$"), QRegularExpression::MultilineOption);
    return title.match(out).captured(1).trimmed();
}

} // namespace

class TestPrintWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void noPrinterMessages();
    void printFileNeverReplacesTheRegister();
    void emptyRegisterDoesNothing();
    void previewOfOneRow();
    void previewPagesInListOrder();
    void previewOfFocusedRow();
    void noSelectionNoFocusDoesNothing();
    void formatDPreviewScrolls();
    void adjustmentMovesPreview();
    void stripRunToFiles_data();
    void stripRunToFiles();
    void stripRunReportsFailures();
    void stripRunCancelled();
    void stripRunMeetsMalformedCell();
    void listPreviewPaging_data();
    void listPreviewPaging();
    void listPreviewDrawing();
    void listRunToFile();
    void listRunReportsFailure();
    void adjustDialog_data();
    void adjustDialog();
    void adjustDialogFirstLineOnly();
    void adjustDialogCancelKeepsValue();
    void throughCups();
    void printerPaper();
    void windowPlaces_data();
    void windowPlaces();

private:
    // Entries of series 0 (postcard), 4 (JIS B5) and 2 (A5), then filler
    // entries of series 2 up to `count`.
    void startWith(int count = 3);
    QString outFile(const QString &name) const { return m_env->dataFolder() + name; }
    std::unique_ptr<uitest::Environment> m_env;
};

void TestPrintWindows::init()
{
    m_env = std::make_unique<uitest::Environment>();
    printtest::writeTemplateC(*m_env);
    printers::setInstalledForTesting(true);
}

void TestPrintWindows::cleanup()
{
    m_env.reset();
    printers::setInstalledForTesting(std::nullopt);
}

void TestPrintWindows::startWith(int count)
{
    const QList<uitest::Environment::Entry> entries = printtest::entries(count);
    m_env->start(m_env->writeRegister(QStringLiteral("r.TAV"), entries));
    QCOMPARE(FMain->rowCount(), count);
}

void TestPrintWindows::noPrinterMessages()
{
    startWith();
    printers::setInstalledForTesting(false);
    uitest::part<QAction>("ActionFilePrint")->trigger();
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    uitest::part<QAction>("ActionFileSetup")->trigger();
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")),
             QStringList({QStringLiteral("プリンターがインストールされていません。"),
                          QStringLiteral("プリンターがインストールされていません。"),
                          QStringLiteral("プリンタがインストールされていません。")}));
    QVERIFY(!cardWindow()->isVisible() && !listWindow()->isVisible() && !adjustWindow()->isVisible());

    // The printer goes away while a preview is open: 印刷 says so with the
    // shorter wording and prints nothing.
    printers::setInstalledForTesting(true);
    m_env->dialogs.shown.clear();
    whenShown(cardWindow(), [] {
        printers::setInstalledForTesting(false);
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    printers::setInstalledForTesting(true);
    whenShown(listWindow(), [] {
        printers::setInstalledForTesting(false);
        QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")),
             QStringList({QStringLiteral("プリンタがインストールされていません。"),
                          QStringLiteral("プリンタがインストールされていません。")}));
    QVERIFY(m_env->dialogs.texts(QStringLiteral("print")).isEmpty());
}

void TestPrintWindows::emptyRegisterDoesNothing()
{
    m_env->start();
    printers::setInstalledForTesting(false);
    uitest::part<QAction>("ActionFilePrint")->trigger();
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QVERIFY(m_env->dialogs.shown.isEmpty());
}

void TestPrintWindows::previewOfOneRow()
{
    startWith();
    uitest::clickRow(1);
    bool checked = false;
    whenShown(cardWindow(), [&] {
        QCOMPARE(cardWindow()->windowTitle(), QStringLiteral("示名条印刷プレビュー"));
        QCOMPARE(cardWindow()->printList(), QList<int>{1});
        QVERIFY(!uitest::child<QPushButton>(cardWindow(), "previousButton")->isEnabled());
        QVERIFY(!uitest::child<QPushButton>(cardWindow(), "nextButton")->isEnabled());
        QCOMPARE(uitest::child<QLabel>(cardWindow(), "pageLabel")->size(), QSize(688, 971)); // series 4: format D
        QTest::keyClick(cardWindow(), Qt::Key_Escape);
        checked = true;
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(checked);
    QVERIFY(!cardWindow()->isVisible());
}

void TestPrintWindows::previewPagesInListOrder()
{
    startWith(6);
    // Rows 5 and 2 selected, in that order: the pages follow the list.
    uitest::clickRow(4);
    ctrlClickRow(1);
    bool checked = false;
    whenShown(cardWindow(), [&] {
        TFPrintJimeijoCard *c = cardWindow();
        QCOMPARE(c->printList(), QList<int>({1, 4}));
        QCOMPARE(c->currentPage(), 0);
        QCOMPARE(uitest::child<QLabel>(c, "pageLabel")->size(), QSize(688, 971)); // entry 2, series 4
        QVERIFY(!uitest::child<QPushButton>(c, "previousButton")->isEnabled());
        QVERIFY(uitest::child<QPushButton>(c, "nextButton")->isEnabled());
        QTest::mouseClick(uitest::child<QPushButton>(c, "nextButton"), Qt::LeftButton);
        QCOMPARE(c->currentPage(), 1);
        QCOMPARE(uitest::child<QLabel>(c, "pageLabel")->size(), QSize(559, 793)); // entry 5, series 2
        QVERIFY(uitest::child<QPushButton>(c, "previousButton")->isEnabled());
        QVERIFY(!uitest::child<QPushButton>(c, "nextButton")->isEnabled());
        QTest::mouseClick(uitest::child<QPushButton>(c, "previousButton"), Qt::LeftButton);
        QCOMPARE(c->currentPage(), 0);
        QCOMPARE(uitest::child<QLabel>(c, "pageLabel")->size(), QSize(688, 971));
        QVERIFY(m_env->dialogs.texts(QStringLiteral("warning")).isEmpty());
        checked = true;
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(checked);
}

void TestPrintWindows::previewOfFocusedRow()
{
    startWith();
    uitest::clickRow(2);
    ctrlClickRow(2); // unselected, still focused
    QVERIFY(uitest::part<QTreeView>("registerList")->selectionModel()->selectedRows().isEmpty());
    QList<int> printed;
    whenShown(cardWindow(), [&] { printed = cardWindow()->printList(); });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QCOMPARE(printed, QList<int>{2});
}

void TestPrintWindows::noSelectionNoFocusDoesNothing()
{
    startWith();
    uitest::part<QTreeView>("registerList")->selectionModel()->clear(); // no selected and no focused row
    const qsizetype boxes = m_env->dialogs.shown.size();
    bool shown = false;
    whenShown(cardWindow(), [&] { shown = true; });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QTest::qWait(50);
    QVERIFY(!shown);
    QCOMPARE(m_env->dialogs.shown.size(), boxes);
}

void TestPrintWindows::formatDPreviewScrolls()
{
    startWith();
    uitest::clickRow(1);
    int scrolled = -1, maximum = -1;
    whenShown(cardWindow(), [&] {
        QScrollArea *s = uitest::child<QScrollArea>(cardWindow(), "pageScroll");
        QCOMPARE(cardWindow()->pageImage().size(), QSize(688, 971));
        maximum = s->verticalScrollBar()->maximum();
        s->setFocus();
        QTest::keyClick(s, Qt::Key_PageDown);
        scrolled = s->verticalScrollBar()->value();
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(maximum > 0);
    QVERIFY(scrolled > 0);
}

namespace {
// First row of the page image that holds anything but white.
int firstInkRow(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return y;
    return -1;
}
} // namespace

void TestPrintWindows::adjustmentMovesPreview()
{
    startWith();
    uitest::clickRow(2); // series 2: format A, sy = 3.7781
    // A red background on the entry's first cell.
    RegisterDocument &doc = FMain->document();
    const int cell = strip::locateCell(doc.lines(), doc.findEntry(3) + 1, 0);
    doc.setLine(cell + 21, QStringLiteral("0,255"));
    QImage before, after;
    whenShown(cardWindow(), [&] { before = cardWindow()->pageImage(); });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    whenShown(adjustWindow(), [] {
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), QStringLiteral("2"));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "okButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
    whenShown(cardWindow(), [&] { after = cardWindow()->pageImage(); });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    const int a = firstInkRow(before), b = firstInkRow(after);
    QVERIFY(a >= 0);
    // 2 mm down: 7.5562 px, so 7 or 8 whole pixels.
    QVERIFY2(b - a == 7 || b - a == 8, qPrintable(QStringLiteral("%1 -> %2").arg(a).arg(b)));
}

void TestPrintWindows::stripRunToFiles_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<QSize>>("papers"); // paper of each job, in order
    QTest::addColumn<int>("pages");           // pages per job
    QTest::newRow("two collated") << 2 << true << QList<QSize>{Postcard, JisB5, A5, Postcard, JisB5, A5} << 1;
    QTest::newRow("two uncollated") << 2 << false << QList<QSize>{Postcard, JisB5, A5} << 2;
    QTest::newRow("one copy") << 1 << false << QList<QSize>{Postcard, JisB5, A5} << 1;
}

void TestPrintWindows::stripRunToFiles()
{
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<QSize>, papers);
    QFETCH(int, pages);
    startWith();
    uitest::clickRow(0);
    ctrlClickRow(1);
    ctrlClickRow(2);
    Answer a;
    a.copies = copies;
    a.collate = collate;
    a.outputFile = outFile(QStringLiteral("strips.pdf"));
    m_env->dialogs.printAnswers << a;
    whenShown(cardWindow(), [] {
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "nextButton"), Qt::LeftButton); // printing starts from the first entry anyway
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QVERIFY(cardWindow()->isVisible()); // the preview stays open on its page
        QCOMPARE(cardWindow()->currentPage(), 1);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QCOMPARE(m_env->dialogs.printLastPages, QList<int>{0}); // no page range for strips
    // One file per job, numbered in job order.
    QStringList files = QDir(m_env->dataFolder()).entryList({QStringLiteral("strips*.pdf")}, QDir::Files, QDir::Name);
    QCOMPARE(files.size(), papers.size());
    for (int j = 0; j < papers.size(); ++j) {
        const QString f = outFile(QStringLiteral("strips-%1.pdf").arg(j + 1));
        const QList<PdfPage> p = pdfPages(f);
        QCOMPARE(p.size(), pages);
        for (const PdfPage &page : p)
            QCOMPARE(paperMm(page), papers.at(j));
        QCOMPARE(pdfTitle(f), QStringLiteral("示名条印刷"));
    }
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void TestPrintWindows::printFileNeverReplacesTheRegister()
{
    startWith();
    const QString reg = FMain->document().fileName();
    QFile f(reg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    uitest::clickRow(0);
    Answer a;
    a.outputFile = reg;
    m_env->dialogs.printAnswers << a;
    whenShown(cardWindow(), [&] {
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")),
                 QStringList{RegisterDocument::OutputIsRegisterMessage.arg(reg)});
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestPrintWindows::stripRunReportsFailures()
{
    startWith();
    uitest::clickRow(0);
    ctrlClickRow(2);
    // A print file that cannot be written: the job cannot begin.
    Answer bad;
    bad.outputFile = outFile(QStringLiteral("no such folder/strips.pdf"));
    Answer good;
    good.outputFile = outFile(QStringLiteral("after.pdf"));
    m_env->dialogs.printAnswers << bad << good << good;
    whenShown(cardWindow(), [&] {
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(m_env->dialogs.shown.constLast().caption, PrintCommands::PrinterErrorCaption);
        QCOMPARE(m_env->dialogs.shown.constLast().text, PrintCommands::PrinterErrorMessage);
        // No job was left open: the next run prints.
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(pdfPages(outFile(QStringLiteral("after-1.pdf"))).size(), 1);
        QCOMPARE(pdfPages(outFile(QStringLiteral("after-2.pdf"))).size(), 1);
        // The entry on the third page disappears from the register while the
        // preview is open: the run says so instead of ending silently.
        RegisterDocument &doc = FMain->document();
        doc.setLine(doc.findEntry(3), QStringLiteral("gone"));
        QFile::remove(outFile(QStringLiteral("after-1.pdf")));
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(m_env->dialogs.shown.constLast().kind, QStringLiteral("error"));
        QCOMPARE(m_env->dialogs.shown.constLast().text,
                 QStringLiteral("示名条 3 が見つかりません。印刷を中止しました。"));
        QVERIFY(QFile::exists(outFile(QStringLiteral("after-1.pdf"))));
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(!m_env->dialogs.anyUnanswered());
}

void TestPrintWindows::stripRunCancelled()
{
    startWith(6);
    uitest::clickRow(0);
    for (int r = 1; r < 6; ++r)
        ctrlClickRow(r);
    Answer a;
    a.outputFile = outFile(QStringLiteral("run.pdf"));
    m_env->dialogs.printAnswers << a;
    bool sawProgress = false;
    // Cancel as soon as the progress shows.
    auto *timer = new QTimer(this);
    timer->setInterval(1);
    connect(timer, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible()) {
                sawProgress = true;
                if (auto *b = p->findChild<QPushButton *>())
                    QTest::mouseClick(b, Qt::LeftButton);
                timer->stop();
            }
    });
    timer->start();
    whenShown(cardWindow(), [] { QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton); });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    timer->stop();
    QVERIFY(sawProgress);
    const QStringList files = QDir(m_env->dataFolder()).entryList({QStringLiteral("run*.pdf")}, QDir::Files);
    QVERIFY2(!files.isEmpty() && files.size() < 6, qPrintable(files.join(u' ')));
    for (const QString &f : files) // every job that began was ended cleanly
        QCOMPARE(pdfPages(outFile(f)).size(), 1);
}

void TestPrintWindows::stripRunMeetsMalformedCell()
{
    startWith();
    uitest::clickRow(0);
    ctrlClickRow(1);
    Answer a;
    a.outputFile = outFile(QStringLiteral("bad.pdf"));
    Answer b = a;
    b.outputFile = outFile(QStringLiteral("good.pdf"));
    m_env->dialogs.printAnswers << a << b;
    whenShown(cardWindow(), [&] {
        // Entry 2's first cell gets a point size that is no number.
        RegisterDocument &doc = FMain->document();
        const int cell = strip::locateCell(doc.lines(), doc.findEntry(2) + 1, 0);
        const QString size = doc.line(cell + 20);
        doc.setLine(cell + 20, QStringLiteral("x"));
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(m_env->dialogs.texts(QStringLiteral("exception")).size(), 1);
        QCOMPARE(pdfPages(outFile(QStringLiteral("bad-1.pdf"))).size(), 1); // entry 1 printed
        QVERIFY(pdfPages(outFile(QStringLiteral("bad-2.pdf"))).isEmpty());  // entry 2's job aborted
        // The aborted job left nothing open: the next run prints both.
        doc.setLine(cell + 20, size);
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
        QCOMPARE(pdfPages(outFile(QStringLiteral("good-1.pdf"))).size(), 1);
        QCOMPARE(pdfPages(outFile(QStringLiteral("good-2.pdf"))).size(), 1);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
}

void TestPrintWindows::listPreviewPaging_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("30 rows") << 30 << 1;
    QTest::newRow("31 rows") << 31 << 2;
    QTest::newRow("45 rows") << 45 << 2;
}

void TestPrintWindows::listPreviewPaging()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    startWith(rows);
    bool checked = false;
    whenShown(listWindow(), [&] {
        TFPrintJimeijoList *l = listWindow();
        QCOMPARE(l->windowTitle(), QStringLiteral("示名条一覧印刷プレビュー"));
        QCOMPARE(l->pageCount(), pages);
        QCOMPARE(l->currentPage(), 1);
        QCOMPARE(uitest::child<QLabel>(l, "pageLabel")->size(), QSize(1400, 900));
        QVERIFY(!uitest::child<QPushButton>(l, "previousButton")->isEnabled());
        QCOMPARE(uitest::child<QPushButton>(l, "nextButton")->isEnabled(), pages > 1);
        if (pages > 1) {
            QTest::mouseClick(uitest::child<QPushButton>(l, "nextButton"), Qt::LeftButton);
            QCOMPARE(l->currentPage(), 2);
            QVERIFY(uitest::child<QPushButton>(l, "previousButton")->isEnabled());
            QVERIFY(!uitest::child<QPushButton>(l, "nextButton")->isEnabled());
            QTest::mouseClick(uitest::child<QPushButton>(l, "previousButton"), Qt::LeftButton);
            QCOMPARE(l->currentPage(), 1);
            QVERIFY(!uitest::child<QPushButton>(l, "previousButton")->isEnabled());
            QVERIFY(uitest::child<QPushButton>(l, "nextButton")->isEnabled());
        }
        QCOMPARE(l->rowTable().size(), rows);
        checked = true;
    });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QVERIFY(checked);
}

void TestPrintWindows::listPreviewDrawing()
{
    startWith(31);
    bool checked = false;
    whenShown(listWindow(), [&] {
        TFPrintJimeijoList *l = listWindow();
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QTest::mouseClick(uitest::child<QPushButton>(l, "nextButton"), Qt::LeftButton);
        const QDateTime after = QDateTime::currentDateTime();
        // The footer shows the moment of paging.
        QVERIFY(l->drawnAt() >= before && l->drawnAt() <= after);
        const QImage img = l->pageImage();
        QCOMPARE(img.size(), QSize(1400, 900));
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter p(&probe);
        const print::ListMetrics m = print::listMetrics(p);
        // All 31 rules on the last page too, below its only row.
        for (int i = 0; i <= 30; ++i)
            QCOMPARE(img.pixelColor(m.x0 + 5 * m.b, m.ruleY(i)), QColor(Qt::black));
        QCOMPARE(img.pixelColor(m.x0 + 5 * m.b, m.ruleY(30) + 3 * m.p), QColor(Qt::white));
        checked = true;
    });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QVERIFY(checked);
}

void TestPrintWindows::listRunToFile()
{
    startWith(45);
    Answer all;
    all.outputFile = outFile(QStringLiteral("list.pdf"));
    Answer range = all;
    range.outputFile = outFile(QStringLiteral("range.pdf"));
    range.fromPage = range.toPage = 2;
    range.copies = 2;
    Answer collated = all;
    collated.outputFile = outFile(QStringLiteral("collated.pdf"));
    collated.copies = 2;
    collated.collate = true;
    m_env->dialogs.printAnswers << all << range << collated;
    whenShown(listWindow(), [] {
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QCOMPARE(m_env->dialogs.printLastPages, QList<int>({2, 2, 2}));
    for (const auto &[name, count] : {std::pair{"list.pdf", 2}, std::pair{"range.pdf", 2}, std::pair{"collated.pdf", 4}}) {
        const QList<PdfPage> pages = pdfPages(outFile(QString::fromLatin1(name)));
        QCOMPARE(pages.size(), count);
        for (const PdfPage &p : pages)
            QCOMPARE(paperMm(p), A4Landscape);
    }
    QCOMPARE(pdfTitle(outFile(QStringLiteral("list.pdf"))), QStringLiteral("示名条一覧印刷"));
    // Placed on the paper, not on the printable area: the dates and page
    // numbers end 5 mm before the right edge.
    QCOMPARE(pdfprobe::wordsNearRightEdge(outFile(QStringLiteral("list.pdf")), print::ListEdgeMarginMm), QStringList());
    QVERIFY(pdfprobe::text(outFile(QStringLiteral("list.pdf"))).contains(QStringLiteral("2022/10/26")));
    // Pages 1 and 2 both hold rows; the range print holds page 2 twice.
    QProcess t;
    t.start(QStringLiteral("pdftotext"), {outFile(QStringLiteral("range.pdf")), QStringLiteral("-")});
    t.waitForFinished(30000);
    const QString text = QString::fromUtf8(t.readAllStandardOutput());
    QCOMPARE(text.count(QStringLiteral("2 / 2")), 2);
    QVERIFY(!text.contains(QStringLiteral("1 / 2")));
    t.start(QStringLiteral("pdftotext"), {outFile(QStringLiteral("collated.pdf")), QStringLiteral("-")});
    t.waitForFinished(30000);
    const QString collatedText = QString::fromUtf8(t.readAllStandardOutput());
    const QRegularExpression pageNo(QStringLiteral("(\\d) / 2"));
    QStringList order;
    for (auto it = pageNo.globalMatch(collatedText); it.hasNext();)
        order << it.next().captured(1);
    QCOMPARE(order, QStringList({"1", "2", "1", "2"}));
}

void TestPrintWindows::listRunReportsFailure()
{
    startWith(3);
    Answer bad;
    bad.outputFile = outFile(QStringLiteral("no such folder/list.pdf"));
    m_env->dialogs.printAnswers << bad;
    whenShown(listWindow(), [] {
        QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton);
        QVERIFY(listWindow()->isVisible());
    });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    QCOMPARE(m_env->dialogs.shown.constLast().caption, QStringLiteral("プリンタエラー"));
    QCOMPARE(m_env->dialogs.shown.constLast().text,
             QStringLiteral("プリンタの設定に問題があります。\nプリンタの設定を見直すか、またはプリンタドライバをインストールし直してください。"));
}

void TestPrintWindows::adjustDialog_data()
{
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<int>("refused"); // 0 none, 1 the vertical entry, 2 the horizontal entry
    QTest::addColumn<QString>("shownVertical");
    QTest::addColumn<QString>("shownHorizontal");
    QTest::newRow("rounded to four places") << "1.23456" << "-2" << 0 << "1.2346" << "-2.0";
    QTest::newRow("minus zero") << "-0" << "0.5" << 0 << "0.0" << "0.5";
    QTest::newRow("minus point") << "-." << "1" << 1 << "0.0" << "0.0";
    QTest::newRow("lone minus") << "-" << "1" << 1 << "0.0" << "0.0";
    QTest::newRow("plus sign") << "+1" << "1" << 1 << "0.0" << "0.0";
    QTest::newRow("comma") << "1" << "1,5" << 2 << "0.0" << "0.0";
    QTest::newRow("two points") << "1" << "1.2.3" << 2 << "0.0" << "0.0";
    QTest::newRow("empty") << "" << "1" << 1 << "0.0" << "0.0";
    QTest::newRow("trailing blank") << "1" << "1 " << 2 << "0.0" << "0.0";
}

void TestPrintWindows::adjustDialog()
{
    QFETCH(QString, vertical);
    QFETCH(QString, horizontal);
    QFETCH(int, refused);
    QFETCH(QString, shownVertical);
    QFETCH(QString, shownHorizontal);
    startWith(1);
    bool checked = false;
    whenShown(adjustWindow(), [&] {
        TFAdjust *a = adjustWindow();
        QCOMPARE(a->windowTitle(), QStringLiteral("プリンタの微調整"));
        const QString printer = FMain->findChild<PrintCommands *>()->printerName();
        QCOMPARE(uitest::child<QLabel>(a, "LabelPrinter")->text(), printer.isEmpty() ? TFAdjust::NoPrinterText : printer);
        // A fresh start shows 0.0 in both; the focus selects the whole text.
        QCOMPARE(uitest::child<OffsetEdit>(a, "verticalEdit")->toPlainText(), QStringLiteral("0.0"));
        QCOMPARE(uitest::child<OffsetEdit>(a, "horizontalEdit")->toPlainText(), QStringLiteral("0.0"));
        QCOMPARE(QApplication::focusWidget(), uitest::child<OffsetEdit>(a, "verticalEdit"));
        if (vertical.isEmpty())
            QTest::keyClick(uitest::child<OffsetEdit>(a, "verticalEdit"), Qt::Key_Delete);
        else
            QTest::keyClicks(uitest::child<OffsetEdit>(a, "verticalEdit"), vertical);
        QTest::keyClick(uitest::child<OffsetEdit>(a, "verticalEdit"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), uitest::child<OffsetEdit>(a, "horizontalEdit"));
        QTest::keyClicks(uitest::child<OffsetEdit>(a, "horizontalEdit"), horizontal);
        QTest::keyClick(uitest::child<OffsetEdit>(a, "horizontalEdit"), Qt::Key_Return); // Enter is OK
        if (refused) {
            QVERIFY(a->isVisible());
            QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")), QStringList{TFAdjust::NotNumberMessage});
            OffsetEdit *memo = refused == 1 ? uitest::child<OffsetEdit>(a, "verticalEdit") : uitest::child<OffsetEdit>(a, "horizontalEdit");
            QCOMPARE(QApplication::focusWidget(), memo);
            QCOMPARE(memo->textCursor().selectedText(), refused == 1 ? vertical : horizontal);
            QTest::mouseClick(uitest::child<QPushButton>(a, "cancelButton"), Qt::LeftButton);
        } else {
            QVERIFY(!a->isVisible());
        }
        checked = true;
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
    QVERIFY(checked);
    QVERIFY(m_env->dialogs.texts(QStringLiteral("exception")).isEmpty());
    // The next showing displays the values in force.
    whenShown(adjustWindow(), [&] {
        QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit")->toPlainText(), shownVertical);
        QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit")->toPlainText(), shownHorizontal);
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
}

void TestPrintWindows::adjustDialogFirstLineOnly()
{
    startWith(1);
    whenShown(adjustWindow(), [] {
        QApplication::clipboard()->setText(QStringLiteral("1.5\nabc"));
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit")->toPlainText(), QStringLiteral("1.5\nabc"));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "okButton"), Qt::LeftButton);
        QVERIFY(!adjustWindow()->isVisible());
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
    QCOMPARE(adjustWindow()->adjustment().vertical, Fixed4::parse(QStringLiteral("1.5")));
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void TestPrintWindows::adjustDialogCancelKeepsValue()
{
    startWith(1);
    whenShown(adjustWindow(), [] {
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), QStringLiteral("3"));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "okButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
    whenShown(adjustWindow(), [] {
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), QStringLiteral("5"));
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), Qt::Key_Escape);
        QVERIFY(!adjustWindow()->isVisible());
    });
    uitest::part<QAction>("ActionFileSetup")->trigger();
    QCOMPARE(adjustWindow()->adjustment().vertical, Fixed4::fromInt(3));
    whenShown(adjustWindow(), [] { QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit")->toPlainText(), QStringLiteral("3.0")); });
    uitest::part<QAction>("ActionFileSetup")->trigger();
}

namespace {
using printtest::queueJobIds;
using printtest::waitForJobs;
// The bounding box of the red pixels of a PDF page rendered at 20 dpi.
QRect redBox(const QString &pdf)
{
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("p"))});
    p.waitForFinished(30000);
    const QImage img(dir.filePath(QStringLiteral("p.png")));
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

QSize unturned(QSize s)
{
    return s.width() > s.height() ? s.transposed() : s;
}

// The queue's papers are whole points: JIS B5 is 518 x 727 pt (182.7 x 256.5 mm).
bool samePaper(QSize a, QSize b)
{
    return qAbs(a.width() - b.width()) <= 1 && qAbs(a.height() - b.height()) <= 1;
}

} // namespace

void TestPrintWindows::throughCups()
{
    // A queue no other test prints to, so that its job numbers are ours.
    const QString queue = qEnvironmentVariable("TAVREL_TEST_JOB_PRINTER");
    const QString folder = qEnvironmentVariable("TAVREL_TEST_PRINTER_OUT");
    if (queue.isEmpty() || folder.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("no print queue: scripts/test.sh starts one (scripts/cups-queue.sh)");
        QSKIP("no print queue: run through scripts/test.sh, which starts CUPS with a PDF queue");
    }
    printers::setInstalledForTesting(std::nullopt);
    QVERIFY(printers::installed());
    startWith(45);
    // A red background on the first cell of entry 1 (23 x 8 mm): on the
    // postcard it must come out turned, as landscape content does.
    RegisterDocument &doc = FMain->document();
    doc.setLine(strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 0) + 21, QStringLiteral("0,255"));
    uitest::clickRow(0);
    ctrlClickRow(1);
    ctrlClickRow(2);
    Answer collated;
    collated.printerName = queue;
    collated.copies = 2;
    collated.collate = true;
    Answer uncollated = collated;
    uncollated.collate = false;
    Answer list;
    list.printerName = queue;
    struct Expect
    {
        QList<QSize> papers;
        int pages;
    };
    const QList<Expect> expected{{{Postcard, JisB5, A5, Postcard, JisB5, A5}, 1}, {{Postcard, JisB5, A5}, 2}};
    const Answer answers[] = {collated, uncollated};
    for (int run = 0; run < 2; ++run) {
        const QSet<int> before = queueJobIds(queue);
        m_env->dialogs.printAnswers << answers[run];
        whenShown(cardWindow(), [] { QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton); });
        uitest::part<QAction>("ActionFilePrint")->trigger();
        const Expect &e = expected.at(run);
        const QMap<int, QString> jobs = waitForJobs(queue, folder, before);
        QCOMPARE(jobs.size(), e.papers.size());
        int j = 0;
        for (const QString &f : jobs) { // in job order
            // The queue prints on the paper's own shape; landscape turns the content.
            const QList<PdfPage> pages = pdfPages(f);
            QCOMPARE(pages.size(), e.pages);
            for (const PdfPage &p : pages)
                QVERIFY(samePaper(unturned(paperMm(p)), unturned(e.papers.at(j))));
            if (e.papers.at(j) == Postcard) {
                const QRect red = redBox(f);
                QVERIFY(red.isValid());
                QVERIFY2(red.height() > red.width(), qPrintable(QStringLiteral("%1 x %2").arg(red.width()).arg(red.height())));
            }
            ++j;
        }
    }
    // The list of 45 rows: one job of two A4 landscape pages.
    const QSet<int> before = queueJobIds(queue);
    m_env->dialogs.printAnswers << list;
    whenShown(listWindow(), [] { QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton); });
    uitest::part<QAction>("ActionFilePrintList")->trigger();
    const QMap<int, QString> jobs = waitForJobs(queue, folder, before);
    QCOMPARE(jobs.size(), 1);
    const QList<PdfPage> pages = pdfPages(jobs.first());
    QCOMPARE(pages.size(), 2);
    for (const PdfPage &p : pages)
        QVERIFY(samePaper(unturned(paperMm(p)), unturned(A4Landscape)));
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void TestPrintWindows::printerPaper()
{
    // Output to a PDF file takes every paper.
    QPrinter pdf;
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(outFile(QStringLiteral("p.pdf")));
    for (int id : {9, 11, 13, 43}) {
        QCOMPARE(printers::setPrinterPaper(pdf, id), 0);
        QCOMPARE(paperIdentifierOfPrinter(pdf), id);
    }
    // The test queue offers all four papers.
    const QString queue = qEnvironmentVariable("TAVREL_TEST_PRINTER");
    if (queue.isEmpty())
        return;
    QPrinter q;
    q.setPrinterName(queue);
    QVERIFY(q.isValid());
    for (int id : {9, 11, 13, 43}) {
        QCOMPARE(printers::setPrinterPaper(q, id), 0);
        QCOMPARE(paperIdentifierOfPrinter(q), id);
    }
}

void TestPrintWindows::windowPlaces_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QSize>("designSize");
    QTest::newRow("strip preview") << "Card" << QSize(800, 600);
    QTest::newRow("list preview") << "List" << QSize(1000, 600);
}

void TestPrintWindows::windowPlaces()
{
    QFETCH(QString, prefix);
    QFETCH(QSize, designSize);
    auto window = [&]() -> QWidget * {
        return prefix == QLatin1String("Card") ? static_cast<QWidget *>(cardWindow())
                                               : static_cast<QWidget *>(listWindow());
    };
    // Defaults: the design size at 0, 0.
    m_env->createWindows();
    QCOMPARE(window()->size(), designSize);
    QCOMPARE(window()->pos(), QPoint(0, 0));
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Position"), prefix + QStringLiteral("Width")),
             QString::number(designSize.width()));
    QCOMPARE(m_env->setting(QStringLiteral("Position"), prefix + QStringLiteral("WState")), QStringLiteral("0"));
    // Stored values come back; a maximised window keeps the stored size.
    m_env->writeSettings({QStringLiteral("[Position]"), prefix + QStringLiteral("Top=30"),
                          prefix + QStringLiteral("Left=40"), prefix + QStringLiteral("Width=700"),
                          prefix + QStringLiteral("Height=500"), prefix + QStringLiteral("WState=2")});
    m_env->createWindows();
    QVERIFY(window()->windowState() & Qt::WindowMaximized);
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Position"), prefix + QStringLiteral("Width")), QStringLiteral("700"));
    QCOMPARE(m_env->setting(QStringLiteral("Position"), prefix + QStringLiteral("WState")), QStringLiteral("2"));
    m_env->writeSettings({QStringLiteral("[Position]"), prefix + QStringLiteral("Top=30"),
                          prefix + QStringLiteral("Left=40"), prefix + QStringLiteral("Width=700"),
                          prefix + QStringLiteral("Height=500")});
    m_env->createWindows();
    QCOMPARE(window()->geometry(), QRect(40, 30, 700, 500));
}

TAVREL_UI_TEST_MAIN(TestPrintWindows)
#include "test_printwindows.moc"
