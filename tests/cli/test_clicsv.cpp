// tavrel-cli import and export: refused rows on standard error with their
// CSV line, nothing written unless every row is sound or --partial is
// given, --dry-run writing nothing, both export encodings, and the round
// trip through a new register.

#include "clirun.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::fileBytes;

const QString UL18 = QStringLiteral("ｕＬ－１８ボタン電話機");
const QString UL6 = QStringLiteral("ｕＬ－６ボタン電話機");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray cp932(const QString &text)
{
    QByteArray out;
    textfile::encodeCp932(text, out);
    return out;
}

} // namespace

class TestCliCsv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void importIntoNewRegister();
    void refusedRowsWriteNothing();
    void partialWritesSoundRows();
    void dryRunWritesNothing();
    void emptyFileSaysSo();
    void junkRefused();
    void exportEncodings_data();
    void exportEncodings();
    void exportKeepsExistingFile();
    void roundTrip();
    void usage_data();
    void usage();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_reg, m_csv;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestCliCsv::init()
{
    delete m_dir;
    m_dir = new QTemporaryDir;
    m_reg = path(QStringLiteral("r.TAV"));
    m_csv = path(QStringLiteral("in.csv"));
    QCOMPARE(cli({"new", m_reg, "--series", "3", "--type", UL18, "--ext", "201", "--dept", "総務部", "--user", "山田",
                  "--date", "2024/04/01 09:00"})
                 .code,
             0);
}

void TestCliCsv::importIntoNewRegister()
{
    const QString fresh = path(QStringLiteral("new.TAV"));
    writeFile(m_csv, cp932(QStringLiteral("内線番号,部署,使用者名,主装置のシリーズ,示名条のタイプ\r\n"
                                          "301,営業部,佐藤,3,%1\r\n302,\"営業部, 第二課\",鈴木,ｕＬシリーズ主装置,%2\r\n")
                               .arg(UL18, UL6)));
    const Run r = cli({"import", fresh, m_csv});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\t301\n2\t302\n"));
    QVERIFY(r.err.isEmpty());
    QCOMPARE(cli({"check", fresh}).code, 0);
    const Run list = cli({"list", fresh});
    QVERIFY(list.out.contains(QStringLiteral("\t302\t営業部, 第二課\t鈴木\t")));
    // The name plate carries the imported values.
    const Run found = cli({"find", fresh, "内線 302"});
    QCOMPARE(found.code, 0);
    QVERIFY2(found.out.startsWith(QStringLiteral("2\t")), qPrintable(found.out));
}

void TestCliCsv::refusedRowsWriteNothing()
{
    const QByteArray before = fileBytes(m_reg);
    writeFile(m_csv, QStringLiteral("301,営業部,佐藤,3,%1\n201,重複,x,3,%1\n\"302\",\"改\n行\",x,3,%1\n303,x,y,9,%1\n")
                         .arg(UL18)
                         .toUtf8());
    const Run r = cli({"import", m_reg, m_csv});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    const QStringList err = r.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(err.size(), 4);
    QCOMPARE(err.at(0), m_csv + QStringLiteral(":2: 内線番号 201 はすでに登録されています"));
    QCOMPARE(err.at(1), m_csv + QStringLiteral(":3: 2 列目に改行があります"));
    QCOMPARE(err.at(2), m_csv + QStringLiteral(":5: 主装置のシリーズ「9」はありません"));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCliCsv::partialWritesSoundRows()
{
    writeFile(m_csv, QStringLiteral("301,営業部,佐藤,3,%1\n201,重複,x,3,%1\n302,営業部,鈴木,3,%2,301\n").arg(UL18, UL6).toUtf8());
    Run r = cli({"import", m_reg, m_csv, "--partial"});
    // The copy names a type other than its source's: refused as well.
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("2\t301\n"));
    QCOMPARE(r.err.count(u'\n'), 2);
    QCOMPARE(cli({"check", m_reg}).code, 0);
    QCOMPARE(cli({"list", m_reg}).out.count(u'\n'), 2);
    // A copy of the row imported before, under its own values.
    writeFile(m_csv, QStringLiteral("303,営業部,鈴木,3,,301\n").toUtf8());
    r = cli({"import", m_reg, m_csv});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("3\t303\n"));
    QCOMPARE(cli({"find", m_reg, "内線 303"}).out.left(2), QStringLiteral("3\t"));
    QVERIFY(!(u'\n' + cli({"find", m_reg, "内線 301"}).out).contains(QStringLiteral("\n3\t")));
}

void TestCliCsv::dryRunWritesNothing()
{
    const QByteArray before = fileBytes(m_reg);
    writeFile(m_csv, QStringLiteral("301,営業部,佐藤,3,%1\n").arg(UL18).toUtf8());
    const Run r = cli({"import", m_reg, m_csv, "--dry-run"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\t301\n"));
    QCOMPARE(fileBytes(m_reg), before);
    // Nor is a new register created.
    QCOMPARE(cli({"import", path(QStringLiteral("none.TAV")), m_csv, "--dry-run"}).code, 0);
    QVERIFY(!QFile::exists(path(QStringLiteral("none.TAV"))));
}

void TestCliCsv::junkRefused()
{
    const QByteArray before = fileBytes(m_reg);
    QByteArray junk(2048, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) % 256);
    writeFile(m_csv, junk);
    for (const QStringList &extra : {QStringList{}, QStringList{"--partial"}}) {
        const Run r = cli(QStringList{"import", m_reg, m_csv} + extra);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("CSV ファイルとして読み込めません")), qPrintable(r.err));
        QCOMPARE(fileBytes(m_reg), before);
    }
}

void TestCliCsv::emptyFileSaysSo()
{
    // Empty, blank lines only, a header row alone: nothing to import is no
    // failure, but it is said, and no register is started.
    for (const QByteArray &bytes : {QByteArray(), QByteArray("\r\n\r\n"), cp932(QStringLiteral("内線番号,部署\r\n"))}) {
        writeFile(m_csv, bytes);
        const Run r = cli({"import", path(QStringLiteral("new.TAV")), m_csv});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(QStringLiteral("取り込む行がありません。")), qPrintable(r.err));
        QVERIFY(!QFile::exists(path(QStringLiteral("new.TAV"))));
    }
}

void TestCliCsv::exportEncodings_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("default code page 932") << QStringList{} << cp932(QStringLiteral("番号,主装置のシリーズ"));
    QTest::newRow("cp932") << QStringList{"--encoding", "cp932"} << cp932(QStringLiteral("番号,主装置のシリーズ"));
    QTest::newRow("utf8 with its mark") << QStringList{"--encoding", "utf8"}
                                        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("番号,主装置のシリーズ").toUtf8();
}

void TestCliCsv::exportEncodings()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, start);
    const QString out = path(QStringLiteral("out.csv"));
    const Run r = cli(QStringList{"export", m_reg, "-o", out} + options);
    QCOMPARE(r.code, 0);
    const QByteArray bytes = fileBytes(out);
    QVERIFY(bytes.startsWith(start));
    const QString text = start.startsWith("\xEF") ? QString::fromUtf8(bytes.mid(3)) : textfile::decodeCp932(bytes.constData(), bytes.size());
    QCOMPARE(text, QStringLiteral("番号,主装置のシリーズ,示名条のタイプ,内線番号,部署,使用者名,登録日時\r\n"
                                  "1,ｕＬシリーズ主装置,%1,201,総務部,山田,2024/04/01 09:00\r\n")
                       .arg(UL18));
}

void TestCliCsv::exportKeepsExistingFile()
{
    const QString out = path(QStringLiteral("out.csv"));
    writeFile(out, "keep");
    Run r = cli({"export", m_reg, "-o", out});
    QCOMPARE(r.code, 1);
    QCOMPARE(fileBytes(out), QByteArray("keep"));
    r = cli({"export", m_reg, "-o", out, "--force"});
    QCOMPARE(r.code, 0);
    QVERIFY(fileBytes(out).startsWith(cp932(QStringLiteral("番号"))));
}

void TestCliCsv::roundTrip()
{
    // The sample office register: export, import into a new register,
    // export again.
    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");
    for (const QString &enc : {QStringLiteral("cp932"), QStringLiteral("utf8")}) {
        const QString first = path(enc + QStringLiteral("-1.csv"));
        const QString second = path(enc + QStringLiteral("-2.csv"));
        const QString fresh = path(enc + QStringLiteral(".TAV"));
        QCOMPARE(cli({"export", sample, "-o", first, "--encoding", enc}).code, 0);
        const Run r = cli({"import", fresh, first});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count(u'\n'), 14);
        QCOMPARE(cli({"export", fresh, "-o", second, "--encoding", enc}).code, 0);
        QCOMPARE(fileBytes(second), fileBytes(first));
        QCOMPARE(cli({"check", fresh}).code, 0);
    }
}

void TestCliCsv::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("import without CSV") << QStringList{"import", "r.TAV"};
    QTest::newRow("import unknown option") << QStringList{"import", "r.TAV", "x.csv", "--overwrite"};
    QTest::newRow("export without -o") << QStringList{"export", "r.TAV"};
    QTest::newRow("export bad encoding") << QStringList{"export", "r.TAV", "-o", "x.csv", "--encoding", "sjis"};
    QTest::newRow("export -o without value") << QStringList{"export", "r.TAV", "-o"};
}

void TestCliCsv::usage()
{
    QFETCH(QStringList, args);
    const Run r = cli(args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!r.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliCsv)
#include "test_clicsv.moc"
