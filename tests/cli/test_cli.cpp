// tavrel-cli end to end: output, exit codes, and files left untouched when a
// command is refused.

#include "platform/textfile.h"
#include "register/registerdocument.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int code;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), args);
    if (!p.waitForFinished(60000))
        return {-1, {}, {}};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString UL = QStringLiteral("ｕＬ－１８ボタン電話機");

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void newAndList();
    void refusals_data();
    void refusals();
    void copyFrom();
    void convertIsByteIdentical();
    void checkReportsLines();
    void checkOlderLayout();
    void templatesInDialogOrder();
    void usage_data();
    void usage();

private:
    QTemporaryDir m_dir;
    QString m_reg;
};

void TestCli::initTestCase()
{
    m_reg = m_dir.filePath(QStringLiteral("r.TAV"));
    Run r = cli({"new", m_reg, "--series", "3", "--type", UL, "--ext", " 201 ", "--dept", "総務部", "--user", "山田 太郎",
                 "--date", "2024/04/01 09:00"});
    QCOMPARE(r.code, 0);
    r = cli({"new", m_reg, "--series", "0", "--type", "Ｋ－１２ボタン電話機", "--ext", "202", "--date", "2024/04/02 10:00"});
    QCOMPARE(r.code, 0);
}

void TestCli::newAndList()
{
    const Run r = cli({"list", m_reg});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\tｕＬシリーズ主装置\t%1\t201\t総務部\t山田 太郎\t2024/04/01 09:00\n"
                                   "2\tＫシリーズ主装置\tＫ－１２ボタン電話機\t202\t\t\t2024/04/02 10:00\n")
                        .arg(UL));
    QCOMPARE(cli({"check", m_reg}).code, 0);
}

void TestCli::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate extension") << QStringList{"--series", "3", "--type", UL, "--ext", "201"} << 1
                                         << "すでにこの内線番号は存在します。";
    QTest::newRow("missing template") << QStringList{"--series", "3", "--type", "ない型", "--ext", "999"} << 1
                                      << "テンプレートが存在しません。";
    QTest::newRow("bad series") << QStringList{"--series", "8", "--type", UL, "--ext", "999"} << 2 << "";
    QTest::newRow("no extension") << QStringList{"--series", "3", "--type", UL, "--ext", "  "} << 2 << "";
    QTest::newRow("bad copy source") << QStringList{"--ext", "999", "--copy-from", "7"} << 2 << "";
}

void TestCli::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(QStringList{"new", m_reg} + args);
    QCOMPARE(r.code, code);
    if (!message.isEmpty())
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCli::copyFrom()
{
    const QString path = m_dir.filePath(QStringLiteral("copy.TAV"));
    QFile::copy(m_reg, path);
    QCOMPARE(cli({"new", path, "--ext", "203", "--copy-from", "1", "--date", "2024/05/05 05:05"}).code, 0);
    RegisterDocument doc;
    doc.load(path);
    QCOMPARE(doc.entryCount(), 3);
    QCOMPARE(doc.headerOfEntry(3).stripType, UL);
    QCOMPARE(doc.headerOfEntry(3).seriesCaption, QStringLiteral("ｕＬシリーズ主装置"));
    const QStringList body1 = doc.lines().toStringList().mid(doc.findEntry(1) + 7, doc.findEntry(2) - doc.findEntry(1) - 7);
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(3) + 7), body1);
}

void TestCli::convertIsByteIdentical()
{
    const QString out = m_dir.filePath(QStringLiteral("out.TAV"));
    QCOMPARE(cli({"convert", m_reg, out}).code, 0);
    QCOMPARE(fileBytes(out), fileBytes(m_reg));
    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");
    QCOMPARE(cli({"convert", sample, out}).code, 0);
    QCOMPARE(fileBytes(out), fileBytes(sample));
    QCOMPARE(cli({"check", sample}).code, 0);
    // Junk does not convert, and no output file appears.
    const QString junk = m_dir.filePath(QStringLiteral("junk.TAV"));
    QFile j(junk);
    QVERIFY(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(4096, '\x81'));
    j.close();
    const Run r = cli({"convert", junk, m_dir.filePath(QStringLiteral("none.TAV"))});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(RegisterDocument::FormatErrorMessage));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("none.TAV"))));
}

void TestCli::checkReportsLines()
{
    RegisterDocument doc;
    doc.load(m_reg);
    QStringList l = doc.lines().toStringList();
    const int h2 = doc.findEntry(2) + 1;
    l[h2 + 6 + 6] = QStringLiteral("x"); // cell count of entry 2's first section
    l[2 + 1 + 6 + 1 + 6 + 32] = QStringLiteral("9999"); // line 32 of entry 1's first cell
    const QString path = m_dir.filePath(QStringLiteral("bad.TAV"));
    textfile::write(path, l);
    const Run r = cli({"check", path});
    QCOMPARE(r.code, 1);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith(path + QStringLiteral(":%1: ").arg(2 + 1 + 6 + 1 + 6 + 32 + 1)), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).startsWith(path + QStringLiteral(":%1: ").arg(h2 + 13)), qPrintable(lines.at(1)));

    QStringList markers = doc.lines().toStringList();
    markers[doc.findEntry(2)] = RegisterDocument::markerLine(3);
    textfile::write(path, markers);
    const Run m = cli({"check", path});
    QCOMPARE(m.code, 1);
    QVERIFY2(m.out.startsWith(path + QStringLiteral(":%1: ").arg(doc.findEntry(2) + 1)), qPrintable(m.out));
}

void TestCli::checkOlderLayout()
{
    // One entry, one section, one cell of the older layout with a bad line
    // 24 (alignment): its line number is that of the converted register.
    QStringList old{"1", RegisterDocument::markerLine(1), "201", "", "", "2024/01/01 00:00", "ｕＬシリーズ主装置", UL,
                    "1", "1", "0", "0", "100", "50", "1"};
    QStringList cell{"0", "0", "20", "6", "0", "0", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1", "001",
                     "1", "1", "18", "4", "ＭＳ 明朝", "9", "0", "0", "0", "centre", "1", "保留"};
    const QString path = m_dir.filePath(QStringLiteral("old.TAV"));
    textfile::write(path, old + cell);
    const Run r = cli({"check", path});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.startsWith(path + QStringLiteral(":%1: ").arg(1 + 15 + 24 + 1)), qPrintable(r.out));
    cell[24] = QStringLiteral("2");
    textfile::write(path, old + cell);
    QCOMPARE(cli({"check", path}).code, 0);
    QCOMPARE(cli({"list", path}).out.count(u'\n'), 1);
}

void TestCli::templatesInDialogOrder()
{
    const Run r = cli({"templates", "--series", "3"});
    QCOMPARE(r.code, 0);
    const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(rows.size() >= 2);
    QStringList types;
    for (const QString &row : rows) {
        const QStringList cols = row.split(u'\t');
        QCOMPARE(cols.size(), 3);
        QCOMPARE(cols.at(0), QStringLiteral("3"));
        QCOMPARE(cols.at(1), QStringLiteral("ｕＬシリーズ主装置"));
        types << cols.at(2);
    }
    QVERIFY(types.contains(UL));
    const Run all = cli({"templates"});
    QVERIFY(all.out.count(u'\n') >= 16);
    for (int s = 0; s < 8; ++s)
        QVERIFY(all.out.contains(QStringLiteral("\n%1\t").arg(s)) || all.out.startsWith(QStringLiteral("%1\t").arg(s)));
}

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("nothing") << QStringList{} << 2;
    QTest::newRow("unknown") << QStringList{"frobnicate"} << 2;
    QTest::newRow("list without file") << QStringList{"list"} << 2;
    QTest::newRow("option without value") << QStringList{"templates", "--series"} << 2;
    QTest::newRow("missing file") << QStringList{"list", "/nonexistent/x.TAV"} << 1;
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!r.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
