// tavrel-cli print, print-list and calibrate: the PDF that comes out (page
// count, paper and orientation per page, order of copies, real text, the
// fine adjustment, where the calibration page's crosshairs land), usage and
// data errors, and no file left behind by a failure. Every output command
// writes to standard output, a FIFO and devices, and reports a write past a
// file-size limit.

#include "../cli/clirun.h"
#include "pdfprobe.h"

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
    void entriesCopiesCollate_data();
    void entriesCopiesCollate();
    void adjustment();
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

void TestPrintCli::adjustment()
{
    const QString plain = m_dir.filePath(QStringLiteral("plain.pdf"));
    const QString moved = m_dir.filePath(QStringLiteral("moved.pdf"));
    QCOMPARE(cli({"print", Sample, "--entries", "1", "-o", plain}), 0);
    QCOMPARE(cli({"print", Sample, "--entries", "1", "--adjust-v", "2", "--adjust-h", "-1.5", "-o", moved}), 0);
    const double a = wordTop(plain, QStringLiteral("総務部")), b = wordTop(moved, QStringLiteral("総務部"));
    QVERIFY(a > 0 && b > 0);
    // 2 mm down is 5.67 points.
    QVERIFY2(qAbs((b - a) - 2 * 72 / 25.4) < 0.5, qPrintable(QStringLiteral("%1 -> %2").arg(a).arg(b)));
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
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("paper");
    QTest::addColumn<double>("vertical");
    QTest::addColumn<double>("horizontal");
    QTest::newRow("A") << "A" << A5 << 0.0 << 0.0;
    QTest::newRow("B") << "B" << A4 << 0.0 << 0.0;
    QTest::newRow("C") << "C" << Postcard << 0.0 << 0.0;
    QTest::newRow("D") << "D" << JisB5 << 0.0 << 0.0;
    QTest::newRow("A down and left") << "A" << A5 << 2.0 << -1.5;
    QTest::newRow("C up and right") << "C" << Postcard << -3.25 << 4.0;
    QTest::newRow("D quarter") << "D" << JisB5 << 0.25 << 0.75;
}

void TestPrintCli::calibrate()
{
    QFETCH(QString, format);
    QFETCH(QSize, paper);
    QFETCH(double, vertical);
    QFETCH(double, horizontal);
    const QString out = m_dir.filePath(QStringLiteral("calibrate.pdf"));
    QString err;
    QCOMPARE(cli({"calibrate", "--format", format, "-o", out, "--adjust-v", QString::number(vertical), "--adjust-h",
                  QString::number(horizontal)},
                 &err),
             0);
    QCOMPARE(papers(out), QList<QSize>{paper});
    const QImage page = pdfprobe::render(out);
    QVERIFY(qAbs(page.width() - paper.width() * pdfprobe::PixelsPerMm) <= 3); // the pages are whole points
    QVERIFY(qAbs(page.height() - paper.height() * pdfprobe::PixelsPerMm) <= 3); // the pages are whole points
    // Crosshairs 20 mm in from every corner, moved by the offsets.
    const QList<QPointF> nominal{{20, 20},
                                 {paper.width() - 20.0, 20},
                                 {20, paper.height() - 20.0},
                                 {paper.width() - 20.0, paper.height() - 20.0}};
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
