// Printing several strips on each sheet of plain paper from the window: the
// choice made in the preview's 用紙 dialog by a person's clicks and typing,
// the preview showing whole sheets with the used places greyed, the print
// run and File ▸ PDF giving the same pages as tavrel-cli print --sheet, the
// choice kept in the settings file, and the dialog refusing bad lengths.

#include "pdfprobe.h"
#include "uitestsupport.h"
#include "windowhelpers.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/print/printcommands.h"
#include "windows/print/printers.h"
#include "windows/print/tfprintjimeijocard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

using printtest::whenShown;
using Answer = ScriptedUserDialogs::PrintAnswer;

namespace {

const QString Sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");

using printtest::runCli;

// Runs fn on the sheet dialog once it is the active modal window; closes it
// if fn left it open.
void whenSheetDialog(const std::function<void(QDialog *)> &fn)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!d || d->objectName() != QLatin1String("sheetPrintDialog"))
            return;
        timer->stop();
        timer->deleteLater();
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == d, 5000);
        fn(d);
        if (d->isVisible())
            d->reject();
    });
    timer->start();
}

template <typename T>
T *part(QDialog *d, const char *name)
{
    T *w = d->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no %s", name);
    return w;
}

// Replaces a field's text as a person does: click, select all, delete,
// type (characters beyond ASCII as an input method sends them).
void retype(QWidget *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(field, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The sheet choice of these tests: A4, margin 6, marks, captions, start 2
// (of two places: the largest strip of the print list takes half a sheet).
void chooseSheets(QDialog *d, const QString &margin = QStringLiteral("6"), const QString &start = QStringLiteral("2"))
{
    QTest::mouseClick(part<QRadioButton>(d, "sheetsButton"), Qt::LeftButton);
    QVERIFY(part<QLineEdit>(d, "marginEdit")->isEnabled());
    retype(part<QLineEdit>(d, "marginEdit"), margin);
    auto *captions = part<QCheckBox>(d, "captionsBox");
    if (!captions->isChecked())
        QTest::mouseClick(captions, Qt::LeftButton);
    retype(part<QSpinBox>(d, "startBox"), start);
    QTest::mouseClick(part<QPushButton>(d, "okButton"), Qt::LeftButton);
}

// Grey images of two pages at the same size, and the share of pixels
// that differ by more than a third of the grey scale.
double differingShare(QImage a, QImage b)
{
    const QSize size(qMin(a.width(), b.width()), qMin(a.height(), b.height()));
    a = a.convertToFormat(QImage::Format_Grayscale8).copy(QRect(QPoint(), size));
    b = b.convertToFormat(QImage::Format_Grayscale8).copy(QRect(QPoint(), size));
    qint64 differ = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            differ += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 85;
    return double(differ) / (qint64(size.width()) * size.height());
}

QImage renderAt(const QString &pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString n = QString::number(page);
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", QString::number(dpi), "-gray", "-png", "-singlefile", "-f", n, "-l", n,
                                         pdf, dir.filePath(QStringLiteral("p"))});
    p.waitForFinished(60000);
    return QImage(dir.filePath(QStringLiteral("p.png")));
}

} // namespace

class TestSheetWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void sheetPrintEqualsCli();
    void throughCups();
    void choiceKept();
    void refusedLengths_data();
    void refusedLengths();

private:
    // The sample register opened, the rows of entries 3, 6, 7, 10 and 14
    // (five strip types) selected.
    void startWithSample();
    std::unique_ptr<uitest::Environment> m_env;
    QString m_register;
};

void TestSheetWindows::init()
{
    m_env = std::make_unique<uitest::Environment>();
    printers::setInstalledForTesting(true);
}

void TestSheetWindows::cleanup()
{
    m_env.reset();
    printers::setInstalledForTesting(std::nullopt);
}

void TestSheetWindows::startWithSample()
{
    m_register = m_env->dataFolder() + QStringLiteral("sample-office.TAV");
    QVERIFY(QFile::copy(Sample, m_register));
    m_env->start(m_register);
    uitest::clickRow(2);
    for (int row : {5, 6, 9, 13})
        printtest::ctrlClickRow(row);
}

void TestSheetWindows::sheetPrintEqualsCli()
{
    startWithSample();
    const QString printed = m_env->dataFolder() + QStringLiteral("printed.pdf");
    const QString cli = m_env->dataFolder() + QStringLiteral("cli.pdf");
    QCOMPARE(runCli({"print", m_register, "--entries", "3,6,7,10,14", "-o", cli, "--sheet", "A4", "--margin", "6",
                     "--cut-marks", "--captions", "--start", "2"}),
             QString());
    const int sheets = pdfprobe::pageShapes(cli).size();
    QVERIFY(sheets > 1);
    Answer a;
    a.outputFile = printed;
    m_env->dialogs.printAnswers << a;
    QImage firstSheet;
    int pageCount = 0;
    whenShown(cardWindow(), [&] {
        TFPrintJimeijoCard *card = cardWindow();
        // One strip per form until the choice changes.
        QCOMPARE(card->pageCount(), 5);
        whenSheetDialog([](QDialog *d) { chooseSheets(d); });
        QTest::mouseClick(card->findChild<QPushButton *>(QStringLiteral("paperButton")), Qt::LeftButton);
        pageCount = card->pageCount();
        firstSheet = card->pageImage();
        QVERIFY(uitest::child<QPushButton>(card, "nextButton")->isEnabled());
        QTest::mouseClick(uitest::child<QPushButton>(card, "nextButton"), Qt::LeftButton);
        QCOMPARE(card->currentPage(), 1);
        QTest::mouseClick(uitest::child<QPushButton>(card, "printButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY2(m_env->dialogs.texts(QStringLiteral("error")).isEmpty(),
             qPrintable(m_env->dialogs.texts(QStringLiteral("error")).join(u'\n')));
    QCOMPARE(pageCount, sheets);
    // The preview: a whole A4 sheet at 96 dpi, the first place greyed.
    QCOMPARE(firstSheet.size(), QSize(793, 1122));
    QCOMPARE(qGray(firstSheet.pixel(40, 40)), qGray(qRgb(0xd8, 0xd8, 0xd8)));
    const QImage cliFirst = renderAt(cli, 1, 96);
    QVERIFY2(differingShare(firstSheet, cliFirst) < 0.01, qPrintable(QString::number(differingShare(firstSheet, cliFirst))));

    // The print run: one job, every sheet, the same pages as tavrel-cli.
    QCOMPARE(pdfprobe::pageShapes(printed), pdfprobe::pageShapes(cli));
    for (int page = 1; page <= sheets; ++page) {
        const double share = differingShare(renderAt(printed, page, 50), renderAt(cli, page, 50));
        QVERIFY2(share < 0.005, qPrintable(QStringLiteral("sheet %1: %2").arg(page).arg(share)));
    }

    // File ▸ PDF: the sheets too, word for word as tavrel-cli writes them.
    const QString pdf = m_env->dataFolder() + QStringLiteral("menu.pdf");
    m_env->dialogs.fileNames << pdf;
    printtest::fileMenuItem(Qt::Key_D);
    QCOMPARE(pdfprobe::wordBoxes(pdf), pdfprobe::wordBoxes(cli));
    QCOMPARE(pdfprobe::pageShapes(pdf), pdfprobe::pageShapes(cli));
}

// The same sheets through a real print queue: one job of every sheet, each
// page as tavrel-cli draws it (the queue renders it again, so compared
// coarsely).
void TestSheetWindows::throughCups()
{
    const QString queue = qEnvironmentVariable("TAVREL_TEST_PRINTER");
    const QString folder = qEnvironmentVariable("TAVREL_TEST_PRINTER_OUT");
    if (queue.isEmpty() || folder.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("no print queue: scripts/test.sh starts one (scripts/cups-queue.sh)");
        QSKIP("no print queue: run through scripts/test.sh, which starts CUPS with a PDF queue");
    }
    printers::setInstalledForTesting(std::nullopt);
    QVERIFY(printers::installed());
    startWithSample();
    const QString cli = m_env->dataFolder() + QStringLiteral("cli.pdf");
    QCOMPARE(runCli({"print", m_register, "--entries", "3,6,7,10,14", "-o", cli, "--sheet", "A4", "--margin", "6",
                     "--cut-marks", "--captions", "--start", "2"}),
             QString());
    const int sheets = pdfprobe::pageShapes(cli).size();
    const QSet<int> before = printtest::queueJobIds(queue);
    Answer a;
    a.printerName = queue;
    m_env->dialogs.printAnswers << a;
    whenShown(cardWindow(), [&] {
        whenSheetDialog([](QDialog *d) { chooseSheets(d); });
        QTest::mouseClick(cardWindow()->findChild<QPushButton *>(QStringLiteral("paperButton")),
                          Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(cardWindow(), "printButton"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
    // Other tests print to this queue too: ours is the job of A4 sheets.
    QString ours;
    for (const QString &f : printtest::waitForJobs(queue, folder, before)) {
        const QStringList shapes = pdfprobe::pageShapes(f);
        if (shapes.size() == sheets && shapes.filter(QRegularExpression(QStringLiteral("^59[56](\\.\\d+)? x 84[12]"))).size() == sheets)
            ours = f;
    }
    QVERIFY2(!ours.isEmpty(), "no job of the sheets came out of the queue");
    for (int page = 1; page <= sheets; ++page) {
        const double share = differingShare(renderAt(ours, page, 50), renderAt(cli, page, 50));
        QVERIFY2(share < 0.02, qPrintable(QStringLiteral("sheet %1: %2").arg(page).arg(share)));
    }
}

void TestSheetWindows::choiceKept()
{
    startWithSample();
    whenShown(cardWindow(), [&] {
        whenSheetDialog([](QDialog *d) {
            QComboBox *paper = part<QComboBox>(d, "paperBox");
            QTest::mouseClick(part<QRadioButton>(d, "sheetsButton"), Qt::LeftButton);
            uitest::pickFromList(paper, paper->findData(QStringLiteral("A3")));
            uitest::pickFromList(part<QComboBox>(d, "orientationBox"), 1);
            uitest::pickFromList(part<QComboBox>(d, "cutBox"), 1);
            retype(part<QLineEdit>(d, "gapEdit"), QStringLiteral("3.5"));
            QTest::mouseClick(part<QCheckBox>(d, "rotateBox"), Qt::LeftButton);
            chooseSheets(d, QStringLiteral("8"), QStringLiteral("2"));
        });
        QTest::mouseClick(cardWindow()->findChild<QPushButton *>(QStringLiteral("paperButton")),
                          Qt::LeftButton);
        // A3 landscape at 96 dpi.
        QCOMPARE(cardWindow()->pageImage().size(), QSize(1587, 1122));
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    m_env->destroyWindows();
    const QStringList keys{"OnSheets", "Paper", "Landscape", "Margin", "Gap", "Cut", "Captions", "Start", "Rotate"};
    QStringList values;
    for (const QString &k : keys)
        values << m_env->setting(QStringLiteral("SheetPrint"), k);
    QCOMPARE(values, (QStringList{"1", "A3", "1", "8", "3.5", "1", "1", "2", "1"}));
    // The next start offers the kept choice.
    m_env->start(m_register);
    uitest::clickRow(0);
    whenShown(cardWindow(), [&] {
        whenSheetDialog([](QDialog *d) {
            QVERIFY(part<QRadioButton>(d, "sheetsButton")->isChecked());
            QCOMPARE(part<QComboBox>(d, "paperBox")->currentData().toString(), QStringLiteral("A3"));
            QCOMPARE(part<QComboBox>(d, "orientationBox")->currentIndex(), 1);
            QCOMPARE(part<QLineEdit>(d, "marginEdit")->text(), QStringLiteral("8"));
            QCOMPARE(part<QLineEdit>(d, "gapEdit")->text(), QStringLiteral("3.5"));
            QCOMPARE(part<QComboBox>(d, "cutBox")->currentIndex(), 1);
            QCOMPARE(part<QSpinBox>(d, "startBox")->value(), 2);
            QVERIFY(part<QCheckBox>(d, "rotateBox")->isChecked());
            // Back to one strip per form: the preview shows the entry's form.
            QTest::mouseClick(part<QRadioButton>(d, "formsButton"), Qt::LeftButton);
            QVERIFY(!part<QLineEdit>(d, "marginEdit")->isEnabled());
            QTest::mouseClick(part<QPushButton>(d, "okButton"), Qt::LeftButton);
        });
        QTest::mouseClick(cardWindow()->findChild<QPushButton *>(QStringLiteral("paperButton")),
                          Qt::LeftButton);
        QCOMPARE(cardWindow()->pageImage().size(), QSize(559, 793)); // format A
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("SheetPrint"), QStringLiteral("OnSheets")), QStringLiteral("0"));
    QCOMPARE(m_env->setting(QStringLiteral("SheetPrint"), QStringLiteral("Margin")), QStringLiteral("8"));
}

void TestSheetWindows::refusedLengths_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("negative margin") << "marginEdit" << "-1" << false;
    QTest::newRow("letters") << "marginEdit" << "abc" << false;
    QTest::newRow("empty gap") << "gapEdit" << "" << false;
    QTest::newRow("two points") << "gapEdit" << "1.2.3" << false;
    QTest::newRow("a lone point") << "gapEdit" << "." << false;
    QTest::newRow("full-width digit") << "marginEdit" << "５" << false;
    QTest::newRow("blank inside") << "marginEdit" << "1 0" << false;
    QTest::newRow("over a metre") << "marginEdit" << "1000.5" << false;
    QTest::newRow("zero gap") << "gapEdit" << "0" << true;
    QTest::newRow("decimal margin") << "marginEdit" << "4.25" << true;
    QTest::newRow("a paper typed by its size") << "paperEdit" << "100×148" << true;
    QTest::newRow("a paper typed by its name") << "paperEdit" << "letter" << true;
    QTest::newRow("a paper too small") << "paperEdit" << "5x5" << false;
    QTest::newRow("a paper of no name") << "paperEdit" << "A9" << false;
}

void TestSheetWindows::refusedLengths()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    startWithSample();
    whenShown(cardWindow(), [&] {
        whenSheetDialog([&](QDialog *d) {
            QTest::mouseClick(part<QRadioButton>(d, "sheetsButton"), Qt::LeftButton);
            QLineEdit *edit = d->findChild<QLineEdit *>(field);
            retype(edit, text);
            QTest::mouseClick(part<QPushButton>(d, "okButton"), Qt::LeftButton);
            QCOMPARE(d->isVisible(), !accepted);
            if (!accepted) {
                const bool paper = field == QLatin1String("paperEdit");
                QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")),
                         QStringList{paper ? QStringLiteral("用紙は一覧から選ぶか、幅x高さ（mm、たとえば 100x148）を入力してください。")
                                           : QStringLiteral("数字のみ入力してください。")});
                QVERIFY(QApplication::focusWidget() == edit || QApplication::focusWidget() == edit->parentWidget());
                QCOMPARE(edit->selectedText(), text);
            }
        });
        QTest::mouseClick(cardWindow()->findChild<QPushButton *>(QStringLiteral("paperButton")),
                          Qt::LeftButton);
    });
    uitest::part<QAction>("ActionFilePrint")->trigger();
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("SheetPrint"), QStringLiteral("OnSheets")),
             accepted ? QStringLiteral("1") : QStringLiteral("0"));
    if (accepted && field == QLatin1String("paperEdit"))
        QCOMPARE(m_env->setting(QStringLiteral("SheetPrint"), QStringLiteral("Paper")),
                 text == QLatin1String("letter") ? QStringLiteral("Letter") : QStringLiteral("100x148"));
}

TAVREL_UI_TEST_MAIN(TestSheetWindows)
#include "test_sheetwindows.moc"
