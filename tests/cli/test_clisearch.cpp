// tavrel-cli find and replace end to end: output columns, positions with
// two-character line breaks, the comparison, and files left byte for byte
// unchanged when a replacement is refused or fails.

#include "clirun.h"
#include "register/registerdocument.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::fileBytes;

const QString UL = QStringLiteral("ｕＬ－１８ボタン電話機");

} // namespace

class TestCliSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void find_data();
    void find();
    void replaceEverywhere();
    void replaceDryRunAndEntries();
    void refusals_data();
    void refusals();

private:
    // Replaces the tab of entry 1's cell 0 by a space through tavrel-cli.
    void mendTab();
    QTemporaryDir m_dir;
    QString m_master;
    QString m_reg;
};

void TestCliSearch::initTestCase()
{
    m_master = m_dir.filePath(QStringLiteral("master.TAV"));
    QCOMPARE(cli({"new", m_master, "--series", "3", "--type", UL, "--ext", "201", "--date", "2024/04/01 09:00"}).code, 0);
    QCOMPARE(cli({"new", m_master, "--series", "3", "--type", UL, "--ext", "202", "--date", "2024/04/01 09:00"}).code, 0);
    // Every cell gets a text of its own, so that the template's texts play no part.
    RegisterDocument doc;
    doc.load(m_master);
    for (int e = 1; e <= 2; ++e)
        for (int c = 0; c < 18; ++c)
            QCOMPARE(cli({"text", m_master, "--entry", QString::number(e), "--cell", QString::number(c)}).code, 0);
    QCOMPARE(cli({"text", m_master, "--entry", "1", "--cell", "0", QStringLiteral("内線201"), "Abxc"}).code, 0);
    QCOMPARE(cli({"text", m_master, "--entry", "1", "--cell", "5", "201"}).code, 0);
    QCOMPARE(cli({"text", m_master, "--entry", "2", "--cell", "3", "x201x201", QStringLiteral("２０１")}).code, 0);
    // tavrel-cli refuses a tab in a value, but an older register may hold
    // one: write it through the document.
    doc.load(m_master);
    for (int i = 0; i < doc.lineCount(); ++i)
        if (doc.line(i) == QLatin1String("Abxc"))
            doc.setLine(i, QStringLiteral("Ab\tc"));
    doc.save(m_master);
}

void TestCliSearch::init()
{
    m_reg = m_dir.filePath(QStringLiteral("r.TAV"));
    QFile::remove(m_reg);
    QVERIFY(QFile::copy(m_master, m_reg));
}

void TestCliSearch::mendTab()
{
    QCOMPARE(cli({"text", m_reg, "--entry", "1", "--cell", "0", QStringLiteral("内線201"), "Ab c"}).code, 0);
}

void TestCliSearch::find_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    QTest::newRow("every occurrence, positions from 1")
        << QStringList{"201"}
        << QStringLiteral("1\t0\t3\t201\t内線201\\nAb\\tc\n"
                          "1\t5\t1\t201\t201\n"
                          "2\t3\t2\t202\tx201x201\\n２０１\n"
                          "2\t3\t6\t202\tx201x201\\n２０１\n");
    QTest::newRow("line break counts two") << QStringList{"aB"}
                                           << QStringLiteral("1\t0\t8\t201\t内線201\\nAb\\tc\n");
    QTest::newRow("--case") << QStringList{"aB", "--case"} << QString();
    QTest::newRow("full-width exact") << QStringList{QStringLiteral("２０１")}
                                      << QStringLiteral("2\t3\t11\t202\tx201x201\\n２０１\n");
    QTest::newRow("tab in the text") << QStringList{"b\tc"} << QStringLiteral("1\t0\t9\t201\t内線201\\nAb\\tc\n");
    QTest::newRow("nothing found") << QStringList{"zzz"} << QString();
    QTest::newRow("text after --") << QStringList{"--", "-x"} << QString();
    QTest::newRow("--entries") << QStringList{"201", "--entries", "2"}
                               << QStringLiteral("2\t3\t2\t202\tx201x201\\n２０１\n"
                                                 "2\t3\t6\t202\tx201x201\\n２０１\n");
    QTest::newRow("--entry") << QStringList{"201", "--entry", "1"}
                             << QStringLiteral("1\t0\t3\t201\t内線201\\nAb\\tc\n1\t5\t1\t201\t201\n");
}

void TestCliSearch::find()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    const Run r = cli(QStringList{"find", m_reg} + args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, out);
    QCOMPARE(fileBytes(m_reg), fileBytes(m_master));
}

void TestCliSearch::replaceEverywhere()
{
    // A tab stored in a cell line is kept: the replace writes around it.
    Run r = cli({"replace", m_reg, "201", "211"});
    QCOMPARE(r.code, 0);
    QVERIFY(cli({"find", m_reg, "211"}).out.contains(QStringLiteral("内線211\\nAb\\tc")));
    QVERIFY(QFile::remove(m_reg) && QFile::copy(m_master, m_reg));
    mendTab();
    r = cli({"replace", m_reg, "201", "211"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("4\n"));
    QCOMPARE(cli({"check", m_reg}).code, 0);
    QCOMPARE(cli({"find", m_reg, "201"}).out, QString());
    QCOMPARE(cli({"find", m_reg, "211"}).out,
             QStringLiteral("1\t0\t3\t201\t内線211\\nAb c\n"
                            "1\t5\t1\t201\t211\n"
                            "2\t3\t2\t202\tx211x211\\n２０１\n"
                            "2\t3\t6\t202\tx211x211\\n２０１\n"));
    // The entry headers are not cell text: the extensions stay.
    QVERIFY(cli({"list", m_reg}).out.contains(QStringLiteral("\t201\t")));
    // Nothing left to replace: the file keeps its bytes.
    const QByteArray after = fileBytes(m_reg);
    QCOMPARE(cli({"replace", m_reg, "201", "211"}).out, QStringLiteral("0\n"));
    QCOMPARE(fileBytes(m_reg), after);
}

void TestCliSearch::replaceDryRunAndEntries()
{
    mendTab();
    const QByteArray mended = fileBytes(m_reg);
    Run r = cli({"replace", m_reg, "201", "2", "--dry-run"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("4\n"));
    QCOMPARE(fileBytes(m_reg), mended);
    r = cli({"replace", m_reg, "201", "", "--entries", "2"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\n"));
    QCOMPARE(cli({"find", m_reg, "x"}).out, QStringLiteral("2\t3\t1\t202\txx\\n２０１\n2\t3\t2\t202\txx\\n２０１\n"));
    QCOMPARE(cli({"find", m_reg, "201"}).out.count(u'\n'), 2);
    r = cli({"replace", m_reg, "AB", "ab", "--case"});
    QCOMPARE(r.out, QStringLiteral("0\n"));
}

void TestCliSearch::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("line would pass 20") << QStringList{"x", "0123456789"} << 1
                                        << QStringLiteral("エントリ 2 のセル 3 の 1 行目が 26 文字になります");
    QTest::newRow("line break in the replacement") << QStringList{"201", "2\n1"} << 2
                                                   << QStringLiteral("置換後の文字列に改行");
    QTest::newRow("form feed in the replacement") << QStringList{"201", "2\f"} << 2 << QString();
    QTest::newRow("empty search text") << QStringList{"", "1"} << 2 << QString();
    QTest::newRow("unknown option") << QStringList{"201", "1", "--cells", "1"} << 2 << QString();
    QTest::newRow("missing replacement") << QStringList{"201"} << 2 << QString();
    QTest::newRow("entry that does not exist") << QStringList{"201", "1", "--entries", "3"} << 1
                                               << QStringLiteral("エントリ 3 がありません。");
    QTest::newRow("malformed entry list") << QStringList{"201", "1", "--entries", "2-1"} << 2 << QString();
    QTest::newRow("character the register cannot hold")
        << QStringList{"201", QStringLiteral("\U0001F600")} << 1 << QString();
}

void TestCliSearch::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run r = cli(QStringList{"replace", m_reg} + args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.out, QString());
    if (!message.isEmpty())
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), fileBytes(m_master));
}

QTEST_GUILESS_MAIN(TestCliSearch)
#include "test_clisearch.moc"
