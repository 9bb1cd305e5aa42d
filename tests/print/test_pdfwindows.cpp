// PDF files and the calibration page from the windows, and the fine
// adjustment a printer keeps: File ▸ PDF and the list preview's PDF button
// give the same pages as tavrel-cli; the fine adjustment's test print puts
// the crosshairs where the typed offsets say; kept pairs are written at the
// end of a run, come back at the next start and when the print dialog picks
// their printer, and are dropped by unticking.

#include "pdfprobe.h"
#include "platform/textfile.h"
#include "print/adjustment.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "uitestsupport.h"
#include "windowhelpers.h"
#include "windows/common/userdialogs.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/print/printcommands.h"
#include "windows/print/printers.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijolist.h"
#include "windows/register/tfcsvimport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QKeySequence>
#include <QPushButton>
#include <QTest>

using printtest::ctrlClickRow;
using printtest::fileMenuItem;
using printtest::whenShown;

namespace {

using printtest::runCli;

// The list's footer shows the minute of drawing; two drawings may differ in it.
QString withoutFooterTime(QString text)
{
    static const QRegularExpression footer(QStringLiteral("\\d{4}年\\d{1,2}月\\d{1,2}日\\s*\\d\\d:\\d\\d"));
    return text.replace(footer, QStringLiteral("(time)"));
}

// The lines of a settings file's section, its header first.
QStringList sectionLines(const QString &path, const QString &header)
{
    const QStringList lines = textfile::read(path).lines;
    qsizetype i = lines.indexOf(header);
    QStringList section;
    for (; i >= 0 && i < lines.size() && (section.isEmpty() || !lines.at(i).startsWith(u'[')); ++i)
        section.append(lines.at(i));
    return section;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Picks a File menu item with the mouse and answers the real dialogs that
// follow as a person does: `name` pasted into the file dialog and Enter (a
// file dialog shown again is cancelled), OK in the CSV encoding choice, はい
// or OK in every message box. Returns the texts of the message boxes.
QStringList pickWithRealDialogs(QAction *item, const QString &name)
{
    QStringList boxes;
    int fileDialogs = 0;
    bool pending = false;
    QTimer timer;
    timer.setInterval(20);
    // Each answer runs from the event loop, not from the timer's own slot,
    // so that the timer keeps firing while the dialog it opens is shown.
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || pending)
            return;
        pending = true;
        QTimer::singleShot(0, &timer, [&, target = QPointer<QWidget>(w)] {
            pending = false;
            QWidget *w = target.data();
            if (!w || w != QApplication::activeModalWidget())
                return;
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                boxes << box->text();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                QTest::mouseClick(yes ? yes : box->button(QMessageBox::Ok), Qt::LeftButton);
            } else if (auto *files = qobject_cast<QFileDialog *>(w)) {
                if (fileDialogs++ > 0)
                    return files->reject();
                // Pasted whole: typed, each "/" would move the dialog's folder.
                auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QGuiApplication::clipboard()->setText(name);
                edit->selectAll();
                QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
                QTest::keyClick(edit, Qt::Key_Return);
            } else if (auto *encoding = qobject_cast<TFCsvExport *>(w)) {
                QTest::mouseClick(uitest::child<QPushButton>(encoding, "ButtonOk"), Qt::LeftButton);
            }
        });
    });
    timer.start();
    QMenu *file = FMain->menuBar()->actions().constFirst()->menu();
    if (QApplication::activeWindow() != FMain)
        FMain->activateWindow();
    QTest::mouseClick(FMain->menuBar(), Qt::LeftButton, {}, FMain->menuBar()->actionGeometry(file->menuAction()).center());
    if (QTest::qWaitFor([&] { return QApplication::activePopupWidget() == file; }))
        QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(item).center());
    return boxes;
}

} // namespace

class TestPdfWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void stripPdfEqualsCli_data();
    void stripPdfEqualsCli();
    void stripPdfFolderAndFailures();
    void listPdfEqualsCli();
    void pdfNeverReplacesTheRegister();
    void registerRefusedBeforeReplacing_data();
    void registerRefusedBeforeReplacing();
    void testPrint();
    void testPrintRefusesWhatOkRefuses();
    void keptPairAtStart_data();
    void keptPairAtStart();
    void keepAndDrop();
    void pairOfChosenPrinter();
    void noPrinterUntilTestPrintPicksOne();

private:
    // Entries of series 0 (postcard), 4 (JIS B5) and 2 (A5), then more of
    // series 2 up to `count`.
    // The register's path is m_register.
    void startWith(int count = 3);
    QString outFile(const QString &name) const { return m_env->dataFolder() + name; }
    void setOffsets(const QString &vertical, const QString &horizontal, bool keep);
    std::unique_ptr<uitest::Environment> m_env;
    QString m_register;
};

void TestPdfWindows::init()
{
    m_env = std::make_unique<uitest::Environment>();
    printtest::writeTemplateC(*m_env);
    printers::setInstalledForTesting(true);
    printers::setDefaultNameForTesting(QStringLiteral("Office=2F"));
}

void TestPdfWindows::cleanup()
{
    m_env.reset();
    printers::setInstalledForTesting(std::nullopt);
    printers::setDefaultNameForTesting(std::nullopt);
}

void TestPdfWindows::startWith(int count)
{
    const QList<uitest::Environment::Entry> entries = printtest::entries(count);
    const QString path = m_register = m_env->writeRegister(QStringLiteral("営業所.TAV"), entries);
    // Text in a cell of the first and the last entry.
    QCOMPARE(runCli({"text", path, "--entry", "1", "--cell", "0", "代表番号"}), QString());
    QCOMPARE(runCli({"text", path, "--entry", QString::number(count), "--cell", "1", "内線 " + entries.at(count - 1).extension}),
             QString());
    m_env->start(path);
}

// Types the offsets into the fine adjustment, ticks or unticks the box, and
// confirms with Enter.
void TestPdfWindows::setOffsets(const QString &vertical, const QString &horizontal, bool keep)
{
    whenShown(adjustWindow(), [&] {
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), vertical);
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), Qt::Key_Tab);
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"), horizontal);
        if (uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isChecked() != keep) {
            QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep"));
            QTest::keyClick(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep"), Qt::Key_Space);
        }
        QCOMPARE(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isChecked(), keep);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!adjustWindow()->isVisible());
    });
    fileMenuItem(Qt::Key_E);
}

void TestPdfWindows::stripPdfEqualsCli_data()
{
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<QString>("horizontal");
    QTest::newRow("no adjustment") << "" << "";
    QTest::newRow("adjusted") << "1.5" << "-2.25";
}

void TestPdfWindows::stripPdfEqualsCli()
{
    QFETCH(QString, vertical);
    QFETCH(QString, horizontal);
    startWith(4);
    const QString reg = m_register;
    if (!vertical.isEmpty())
        setOffsets(vertical, horizontal, false);
    // Rows 4, 1 and 2 selected: the pages follow the list, as printing does.
    uitest::clickRow(3);
    ctrlClickRow(0);
    ctrlClickRow(1);
    const QString desk = outFile(QStringLiteral("desk.pdf"));
    m_env->dialogs.fileNames << desk;
    fileMenuItem(Qt::Key_D);
    const auto &asked = m_env->dialogs.shown.constLast();
    QCOMPARE(asked.kind, QStringLiteral("save"));
    QCOMPARE(asked.text, QStringLiteral("PDFに出力"));
    QCOMPARE(asked.request.filter, QStringLiteral("PDFファイル(*.pdf)"));
    QCOMPARE(asked.request.defaultSuffix, QStringLiteral("pdf"));
    QCOMPARE(asked.request.fileName, QStringLiteral("営業所.pdf"));
    QCOMPARE(QDir(asked.request.folder), QDir(m_env->dataFolder())); // at first the register's folder

    const QString cli = outFile(QStringLiteral("cli.pdf"));
    QStringList args{"print", reg, "--entries", "1,2,4", "-o", cli};
    if (!vertical.isEmpty())
        args << "--adjust-v" << vertical << "--adjust-h" << horizontal;
    QCOMPARE(runCli(args), QString());
    const QStringList shapes = pdfprobe::pageShapes(desk);
    QCOMPARE(shapes.size(), 3);
    QCOMPARE(shapes, pdfprobe::pageShapes(cli));
    QCOMPARE(pdfprobe::wordBoxes(desk), pdfprobe::wordBoxes(cli));
    const QString text = pdfprobe::text(desk);
    QVERIFY2(text.contains(QStringLiteral("代表番号")) && text.contains(QStringLiteral("内線 303")), qPrintable(text));
    QCOMPARE(pdfprobe::title(desk), QStringLiteral("営業所"));
    QCOMPARE(pdfprobe::title(cli), QStringLiteral("営業所"));
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void TestPdfWindows::stripPdfFolderAndFailures()
{
    startWith();
    uitest::clickRow(0);
    // Cancelling writes nothing.
    m_env->dialogs.fileNames << QString();
    fileMenuItem(Qt::Key_D);
    QVERIFY(QDir(m_env->dataFolder()).entryList({QStringLiteral("*.pdf")}).isEmpty());
    // A folder that does not exist: said so, nothing written.
    const QString missing = outFile(QStringLiteral("no such folder/x.pdf"));
    m_env->dialogs.fileNames << missing;
    fileMenuItem(Qt::Key_D);
    const QStringList errors = m_env->dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.constFirst().startsWith(QStringLiteral("ファイル %1 に書き込めません: ").arg(missing)),
             qPrintable(errors.constFirst()));
    // A record that cannot be drawn: the standard error box, and the file of
    // that name stays as it was.
    QDir(m_env->dataFolder()).mkpath(QStringLiteral("out"));
    const QString kept = outFile(QStringLiteral("out/kept.pdf"));
    {
        QFile f(kept);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    RegisterDocument &doc = FMain->document();
    const int cell = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 0);
    const QString size = doc.line(cell + 20);
    doc.setLine(cell + 20, QStringLiteral("x"));
    m_env->dialogs.fileNames << kept;
    m_env->dialogs.answers << UserDialogs::Answer::Yes; // replace it
    fileMenuItem(Qt::Key_D);
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("exception")).size(), 1);
    QCOMPARE(bytesOf(kept), QByteArray("old"));
    doc.setLine(cell + 20, size);
    // The folder of the last file is offered next, and after a restart.
    m_env->dialogs.fileNames << kept;
    m_env->dialogs.answers << UserDialogs::Answer::Yes;
    fileMenuItem(Qt::Key_D);
    QCOMPARE(pdfprobe::pageShapes(kept).size(), 1);
    m_env->dialogs.fileNames << QString();
    fileMenuItem(Qt::Key_D);
    QCOMPARE(QDir(m_env->dialogs.shown.constLast().request.folder), QDir(outFile(QStringLiteral("out"))));
    m_env->destroyWindows();
    QCOMPARE(QDir(m_env->setting(QStringLiteral("Dir"), QStringLiteral("SavePdf"))),
             QDir(outFile(QStringLiteral("out"))));
    m_env->dialogs.shown.clear();
    startWith();
    uitest::clickRow(0);
    m_env->dialogs.fileNames << QString();
    fileMenuItem(Qt::Key_D);
    QCOMPARE(QDir(m_env->dialogs.shown.constLast().request.folder), QDir(outFile(QStringLiteral("out"))));
}

void TestPdfWindows::pdfNeverReplacesTheRegister()
{
    // The save dialog asks before replacing a file; confirming it for the
    // open register would put a PDF where the register was.
    startWith();
    const QByteArray before = bytesOf(m_register);
    uitest::clickRow(0);
    m_env->dialogs.fileNames << m_register;
    fileMenuItem(Qt::Key_D);
    const QString said = QStringLiteral("%1 は示名条データのファイルです。別のファイル名を指定してください。").arg(m_register);
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")), QStringList{said});
    QCOMPARE(bytesOf(m_register), before);
    // The list preview's PDF button likewise.
    m_env->dialogs.fileNames << m_register;
    whenShown(listWindow(), [] {
        QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "pdfButton"), Qt::LeftButton);
        listWindow()->close();
    });
    fileMenuItem(Qt::Key_L);
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")), (QStringList{said, said}));
    QCOMPARE(bytesOf(m_register), before);
    // Nor another register, one that is not open.
    const QString other = outFile(QStringLiteral("other.TAV"));
    QVERIFY(QFile::copy(m_register, other));
    m_env->dialogs.fileNames << other;
    fileMenuItem(Qt::Key_D);
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")).size(), 3);
    QCOMPARE(bytesOf(other), before);
    QVERIFY(!FMain->document().isModified());
}

void TestPdfWindows::registerRefusedBeforeReplacing_data()
{
    QTest::addColumn<bool>("csv");
    QTest::newRow("PDFに出力") << false;
    QTest::newRow("CSV出力") << true;
}

void TestPdfWindows::registerRefusedBeforeReplacing()
{
    // With Qt's own dialogs: the open register typed as the name is refused
    // before anything asks to replace it; another file that exists is asked
    // about once and replaced on はい.
    QFETCH(bool, csv);
    startWith();
    uitest::clickRow(0);
    struct Restore
    {
        UserDialogs *scripted;
        ~Restore() { UserDialogs::install(scripted); }
    } restore{UserDialogs::install(nullptr)};
    QAction *item = csv ? uitest::part<QAction>("ActionFileCsvExport") : uitest::part<QAction>("ActionFilePdf");
    const QByteArray before = bytesOf(m_register);
    QCOMPARE(pickWithRealDialogs(item, m_register),
             QStringList{QStringLiteral("%1 は示名条データのファイルです。別のファイル名を指定してください。").arg(m_register)});
    QCOMPARE(bytesOf(m_register), before);
    const QString old = outFile(QStringLiteral("old.out"));
    {
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QCOMPARE(pickWithRealDialogs(item, old), QStringList{QStringLiteral("old.out は既に存在します。\n置き換えますか?")});
    QVERIFY(bytesOf(old).size() > 100);
}

void TestPdfWindows::listPdfEqualsCli()
{
    startWith(31);
    const QString reg = m_register;
    const QString desk = outFile(QStringLiteral("list.pdf"));
    m_env->dialogs.fileNames << desk;
    whenShown(listWindow(), [] {
        QCOMPARE(uitest::child<QPushButton>(listWindow(), "pdfButton")->text(), QStringLiteral("PDF"));
        QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "pdfButton"), Qt::LeftButton);
        QVERIFY(listWindow()->isVisible());
    });
    fileMenuItem(Qt::Key_L);
    const QString cli = outFile(QStringLiteral("cli-list.pdf"));
    QCOMPARE(runCli({"print-list", reg, "-o", cli}), QString());
    const QStringList shapes = pdfprobe::pageShapes(desk);
    QCOMPARE(shapes.size(), 2);
    QCOMPARE(shapes, pdfprobe::pageShapes(cli));
    const QString text = withoutFooterTime(pdfprobe::text(desk));
    QVERIFY(text.contains(QStringLiteral("2 / 2")));
    QVERIFY(text.contains(QStringLiteral("使用者30")));
    QCOMPARE(text, withoutFooterTime(pdfprobe::text(cli)));
    QCOMPARE(pdfprobe::title(desk), QStringLiteral("営業所"));
}

void TestPdfWindows::testPrint()
{
    startWith();
    uitest::clickRow(0); // series 0: the postcard, landscape
    ScriptedUserDialogs::PrintAnswer answer;
    answer.outputFile = outFile(QStringLiteral("test.pdf"));
    m_env->dialogs.printAnswers << answer;
    whenShown(adjustWindow(), [&] {
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), QStringLiteral("2"));
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), Qt::Key_Tab);
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"), QStringLiteral("-1.5"));
        QCOMPARE(uitest::child<QPushButton>(adjustWindow(), "testPrintButton")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_T));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "testPrintButton"), Qt::LeftButton);
        // The dialog stays open for the correction to be confirmed or not.
        QVERIFY(adjustWindow()->isVisible());
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"), Qt::Key_Escape);
    });
    fileMenuItem(Qt::Key_E);
    QCOMPARE(m_env->dialogs.texts(QStringLiteral("print")).size(), 1);
    // Cancelled: the offsets in force did not change.
    QCOMPARE(adjustWindow()->adjustment().vertical, Fixed4());
    QCOMPARE(adjustWindow()->adjustment().horizontal, Fixed4());

    const QString pdf = answer.outputFile;
    const QStringList shapes = pdfprobe::pageShapes(pdf);
    QCOMPARE(shapes.size(), 1);
    const QImage page = pdfprobe::render(pdf);
    QVERIFY2(page.width() > page.height(), qPrintable(shapes.join(u' ')));
    QVERIFY(qAbs(page.width() - 1480) <= 3 && qAbs(page.height() - 1000) <= 3);
    for (const QPointF &n : {QPointF(20, 20), QPointF(128, 20), QPointF(20, 80), QPointF(128, 80)}) {
        const QPointF want = n + QPointF(-1.5, 2);
        const QPointF got = pdfprobe::crossNear(page, want);
        QVERIFY2(qAbs(got.x() - want.x()) <= 0.2 && qAbs(got.y() - want.y()) <= 0.2,
                 qPrintable(QStringLiteral("(%1, %2) found at (%3, %4)")
                                .arg(want.x()).arg(want.y()).arg(got.x()).arg(got.y())));
    }
    QVERIFY(pdfprobe::text(pdf).contains(QStringLiteral("(128, 80) mm")));
    QCOMPARE(pdfprobe::title(pdf), QStringLiteral("テスト印刷"));
}

void TestPdfWindows::testPrintRefusesWhatOkRefuses()
{
    startWith();
    whenShown(adjustWindow(), [&] {
        QTest::keyClick(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), Qt::Key_Tab);
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"), QStringLiteral("1,5"));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "testPrintButton"), Qt::LeftButton);
        QCOMPARE(m_env->dialogs.texts(QStringLiteral("error")), QStringList{TFAdjust::NotNumberMessage});
        QCOMPARE(QApplication::focusWidget(), uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit"));
        QVERIFY(adjustWindow()->isVisible());
    });
    fileMenuItem(Qt::Key_E);
    QVERIFY(m_env->dialogs.texts(QStringLiteral("print")).isEmpty());
}

void TestPdfWindows::keptPairAtStart_data()
{
    QTest::addColumn<QString>("printer"); // the system's default printer
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<bool>("kept");
    QTest::newRow("escaped name") << "Office=2F" << "1.5" << "-2.0" << true;
    QTest::newRow("other case") << "office=2f" << "1.5" << "-2.0" << true;
    QTest::newRow("blanks and brackets") << " [lp] " << "0.25" << "3.0" << true;
    QTest::newRow("malformed value") << "Broken" << "0.0" << "0.0" << false;
    QTest::newRow("half a pair") << "Half" << "0.0" << "0.0" << false;
    QTest::newRow("no pair") << "Elsewhere" << "0.0" << "0.0" << false;
}

void TestPdfWindows::keptPairAtStart()
{
    QFETCH(QString, printer);
    QFETCH(QString, vertical);
    QFETCH(QString, horizontal);
    QFETCH(bool, kept);
    printers::setDefaultNameForTesting(printer);
    m_env->writeSettings({"[Adjust]", "Office%3D2F=1.5,-2.0", "Broken=up,down", "Half=1.0",
                          "%20%5Blp%5D%20=0.25,3", "Half=2.0,2.0"});
    startWith(1);
    QCOMPARE(print::formatAdjustment(adjustWindow()->adjustment().vertical), vertical);
    QCOMPARE(print::formatAdjustment(adjustWindow()->adjustment().horizontal), horizontal);
    whenShown(adjustWindow(), [&] {
        QCOMPARE(uitest::child<QLabel>(adjustWindow(), "LabelPrinter")->text(), printer);
        QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit")->toPlainText(), vertical);
        QCOMPARE(uitest::child<OffsetEdit>(adjustWindow(), "horizontalEdit")->toPlainText(), horizontal);
        QCOMPARE(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isChecked(), kept);
    });
    fileMenuItem(Qt::Key_E);
    // Never an error box.
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
    QVERIFY(m_env->dialogs.texts(QStringLiteral("exception")).isEmpty());
}

void TestPdfWindows::keepAndDrop()
{
    const QStringList others{"[Adjust]", "Broken=up,down", "Other=3.0,4.0"};
    m_env->writeSettings(others);
    startWith(1);
    // Off by default; without it OK keeps the offsets for this run only.
    setOffsets(QStringLiteral("0.5"), QStringLiteral("0.5"), false);
    setOffsets(QStringLiteral("1.25"), QStringLiteral("-0.5"), true);
    // Nothing is written while the program runs.
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), QStringLiteral("Office%3D2F")), QString());
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), QStringLiteral("Office%3D2F")), QStringLiteral("1.25,-0.5"));

    startWith(1);
    QCOMPARE(adjustWindow()->adjustment().vertical, Fixed4::parse(QStringLiteral("1.25")));
    // A run that leaves the pairs alone writes the lines it found.
    const QStringList adjustLines = sectionLines(m_env->settingsFile(), QStringLiteral("[Adjust]"));
    QCOMPARE(adjustLines, QStringList({"[Adjust]", "Broken=up,down", "Other=3.0,4.0", "Office%3D2F=1.25,-0.5"}));
    m_env->destroyWindows();
    QCOMPARE(sectionLines(m_env->settingsFile(), QStringLiteral("[Adjust]")), adjustLines);

    // Unticking drops the pair; the other printers' lines stay.
    startWith(1);
    whenShown(adjustWindow(), [] {
        QVERIFY(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isChecked());
        QTest::mouseClick(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep"), Qt::LeftButton, {}, QPoint(8, uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->height() / 2));
        QVERIFY(!uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isChecked());
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "okButton"), Qt::LeftButton);
    });
    fileMenuItem(Qt::Key_E);
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), QStringLiteral("Office%3D2F")), QString());
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), QStringLiteral("Broken")), QStringLiteral("up,down"));
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), QStringLiteral("Other")), QStringLiteral("3.0,4.0"));
    startWith(1);
    QCOMPARE(adjustWindow()->adjustment().vertical, Fixed4());
}

void TestPdfWindows::pairOfChosenPrinter()
{
    const QString queue = qEnvironmentVariable("TAVREL_TEST_PRINTER");
    if (queue.isEmpty())
        QSKIP("no print queue: run through scripts/test.sh, which starts CUPS with a PDF queue");
    m_env->writeSettings(QStringList{"[Adjust]", print::adjustKeyOfPrinter(queue) + QStringLiteral("=-1.0,2.5")});
    startWith(1);
    setOffsets(QStringLiteral("0.5"), QStringLiteral("0.5"), false);
    // Printing the list through the queue: its pair comes into force.
    ScriptedUserDialogs::PrintAnswer answer;
    answer.printerName = queue;
    m_env->dialogs.printAnswers << answer;
    whenShown(listWindow(), [] { QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton); });
    fileMenuItem(Qt::Key_L);
    QCOMPARE(print::formatAdjustPair(adjustWindow()->adjustment()), QStringLiteral("-1.0,2.5"));
    // The same printer chosen again leaves the offsets typed since alone.
    setOffsets(QStringLiteral("0.75"), QStringLiteral("0"), false);
    m_env->dialogs.printAnswers << answer;
    whenShown(listWindow(), [] { QTest::mouseClick(uitest::child<QPushButton>(listWindow(), "printButton"), Qt::LeftButton); });
    fileMenuItem(Qt::Key_L);
    QCOMPARE(print::formatAdjustPair(adjustWindow()->adjustment()), QStringLiteral("0.75,0.0"));
    QVERIFY(m_env->dialogs.texts(QStringLiteral("error")).isEmpty());
}

// Without a default printer the dialog says "なし" and keeps no pair; once
// テスト印刷 has picked a printer (the test queue), it names it and its pair
// can be kept.
void TestPdfWindows::noPrinterUntilTestPrintPicksOne()
{
    const QString queue = qEnvironmentVariable("TAVREL_TEST_PRINTER");
    printers::setDefaultNameForTesting(QString());
    startWith(1);
    ScriptedUserDialogs::PrintAnswer answer;
    answer.printerName = queue;
    m_env->dialogs.printAnswers << answer;
    whenShown(adjustWindow(), [&] {
        QCOMPARE(uitest::child<QLabel>(adjustWindow(), "LabelPrinter")->text(), QStringLiteral("なし"));
        QVERIFY(!uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isEnabled());
        if (queue.isEmpty())
            return;
        QTest::keyClicks(uitest::child<OffsetEdit>(adjustWindow(), "verticalEdit"), QStringLiteral("1.5"));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "testPrintButton"), Qt::LeftButton);
        QCOMPARE(uitest::child<QLabel>(adjustWindow(), "LabelPrinter")->text(), queue);
        QVERIFY(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->isEnabled());
        QTest::mouseClick(uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep"), Qt::LeftButton, {}, QPoint(8, uitest::child<QCheckBox>(adjustWindow(), "CheckBoxKeep")->height() / 2));
        QTest::mouseClick(uitest::child<QPushButton>(adjustWindow(), "okButton"), Qt::LeftButton);
    });
    fileMenuItem(Qt::Key_E);
    if (queue.isEmpty())
        QSKIP("no print queue for テスト印刷 to pick: run through scripts/test.sh");
    m_env->destroyWindows();
    QCOMPARE(m_env->setting(QStringLiteral("Adjust"), print::adjustKeyOfPrinter(queue)), QStringLiteral("1.5,0.0"));
}

TAVREL_UI_TEST_MAIN(TestPdfWindows)
#include "test_pdfwindows.moc"
