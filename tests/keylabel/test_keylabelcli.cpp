// tavrel-cli keylabels end to end: the set printed from the user's file or
// the defaults, the desktop program's settings folder, malformed files,
// creating the file from the defaults, and bad usage.

#include "keylabel/applykeylabel.h"
#include "keylabel/keylabelset.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/series.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace keylabel;

namespace {

struct Run
{
    int code;
    QStringList out; // lines
    QString err;
};

Run cli(const QStringList &args, const QString &appData = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!appData.isEmpty())
        env.insert(QStringLiteral("APPDATA"), appData);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), QStringList{"keylabels"} + args);
    if (!p.waitForFinished(60000))
        return {-1, {}, {}};
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            out.isEmpty() ? QStringList() : out.split(u'\n'), QString::fromUtf8(p.readAllStandardError())};
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList defaultsOf(int series)
{
    KeyLabelSet s;
    s.SetDefaultKeyLabels(series);
    return s.lines();
}

} // namespace

class TestKeyLabelCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsDefaultsOrFile();
    void desktopSettingsFolder();
    void malformedFilePrintsDefaults();
    void writeDefaults();
    void appliedToRegister();
    void usage_data();
    void usage();
};

void TestKeyLabelCli::printsDefaultsOrFile()
{
    QTemporaryDir dir;
    // No file: the defaults, with the UTF-8 texts and LF line ends.
    Run r = cli({"--series", "7", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.size(), 238);
    QCOMPARE(r.out.mid(0, 11), (QStringList{"ＭＳ 明朝", "7", "0", "1", "業務コード", "ＭＳ 明朝", "6", "0", "2",
                                            "業務コード", "指定発信"}));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    KeyLabelSet set(dir.path());
    set.SetDefaultKeyLabels(4);
    set.WriteKeyLabel(0, {"ＭＳ ゴシック", 11, 255, 0, {"ｶﾅ", "二行"}});
    set.SaveKeyLabels(4);
    r = cli({"--series", "4", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, set.lines());
    r = cli({"--defaults", "--series", "4", "--settings-dir", dir.path()});
    QCOMPARE(r.out, defaultsOf(4));
    QCOMPARE(r.out.size(), 300);
}

void TestKeyLabelCli::desktopSettingsFolder()
{
    QTemporaryDir appData;
    QVERIFY(QDir().mkpath(appData.filePath("tavrel")));
    KeyLabelSet set(appData.filePath("tavrel"));
    set.SetDefaultKeyLabels(5);
    set.WriteKeyLabel(44, {"ＭＳ 明朝", 8, 0, 16777215, {"机上"}});
    set.SaveKeyLabels(5);
    const Run r = cli({"--series", "5"}, appData.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.last(), QStringLiteral("机上"));
}

void TestKeyLabelCli::malformedFilePrintsDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("TAVKey3.ini");
    textfile::write(path, {"ＭＳ 明朝", "8", "0", "3", "足りない"});
    const QByteArray before = bytesOf(path);
    const Run r = cli({"--series", "6", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, defaultsOf(6));
    QVERIFY(r.err.contains(path));
    QCOMPARE(bytesOf(path), before);
}

void TestKeyLabelCli::writeDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("TAVKey6.ini");
    Run r = cli({"--series", "2", "--write-defaults", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(bytesOf(path), textfile::encode(defaultsOf(2)));
    // An existing file needs --force.
    textfile::write(path, {"mine"});
    r = cli({"--series", "2", "--write-defaults", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(path));
    QCOMPARE(bytesOf(path), QByteArray("mine\r\n"));
    r = cli({"--series", "2", "--write-defaults", "--force", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(bytesOf(path), textfile::encode(defaultsOf(2)));
    // A folder that does not exist: bad data, nothing created.
    r = cli({"--series", "2", "--write-defaults", "--settings-dir", dir.filePath("missing")});
    QCOMPARE(r.code, 1);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("missing")));
    // Into the desktop program's folder, made when missing.
    QTemporaryDir appData;
    r = cli({"--series", "0", "--write-defaults"}, appData.path());
    QCOMPARE(r.code, 0);
    QVERIFY(QFile::exists(appData.filePath("tavrel/TAVKey8.ini")));
    // A key label file that is a link into a register: the register is
    // never written through it, with --force neither.
    QTemporaryDir site;
    QDir(site.path()).mkdir("settings");
    const QString reg = site.filePath("r.TAV");
    QVERIFY(QFile::copy(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"), reg));
    const QByteArray registerBytes = bytesOf(reg);
    QVERIFY(QFile::link("../r.TAV", site.filePath("settings/TAVKey8.ini")));
    r = cli({"--series", "0", "--write-defaults", "--force", "--settings-dir", site.filePath("settings")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("シンボリックリンク"), qPrintable(r.err));
    QCOMPARE(bytesOf(reg), registerBytes);
    QVERIFY(QFileInfo(site.filePath("settings/TAVKey8.ini")).isSymLink());
}

void TestKeyLabelCli::appliedToRegister()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("site.TAV");
    QVERIFY(QFile::copy(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    RegisterDocument expected;
    expected.load(path);
    const int h = expected.findEntry(2) + 1;
    const int series = series::indexOfCaption(expected.headerOfEntry(2).seriesCaption);
    QVERIFY(series >= 0);
    KeyLabelSet set(dir.path());
    set.SetDefaultKeyLabels(series);
    const KeyLabel label{"ＭＳ ゴシック", 11, 255, 0, {"ｶﾅ", "二行"}};
    set.WriteKeyLabel(1, label);
    set.SaveKeyLabels(series);

    // Bad data leaves the file alone: a key past the set, a cell past the strip.
    const QByteArray before = bytesOf(path);
    for (const QStringList &bad : {QStringList{"--key", "999", "--cell", "3"}, QStringList{"--key", "2", "--cell", "999"}}) {
        const Run r = cli(QStringList{path, "--entry", "2", "--settings-dir", dir.path()} + bad);
        QCOMPARE(r.code, 1);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(bytesOf(path), before);
    }
    // The same change the panel's button makes, one line per cell.
    const Run r = cli({path, "--key", "2", "--entry", "2", "--cells", "3,5", "--settings-dir", dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, (QStringList{"2\t3\tｶﾅ 二行", "2\t5\tｶﾅ 二行"}));
    keylabel::applyKeyLabel(expected, h, {3, 5}, label);
    RegisterDocument written;
    written.load(path);
    QCOMPARE(written.lines().toStringList(), expected.lines().toStringList());
}

void TestKeyLabelCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no series") << QStringList{"--defaults"};
    QTest::newRow("series 8") << QStringList{"--series", "8"};
    QTest::newRow("series -1") << QStringList{"--series", "-1"};
    QTest::newRow("series not a number") << QStringList{"--series", "x"};
    QTest::newRow("series without value") << QStringList{"--series"};
    QTest::newRow("unknown option") << QStringList{"--series", "1", "--color", "3"};
    QTest::newRow("a stray argument") << QStringList{"--series", "1", "file"};
    QTest::newRow("force alone") << QStringList{"--series", "1", "--force"};
    QTest::newRow("empty folder") << QStringList{"--series", "1", "--settings-dir", ""};
    QTest::newRow("key without a register") << QStringList{"--series", "1", "--key", "2"};
    QTest::newRow("register without a key") << QStringList{"r.TAV", "--cell", "2"};
}

void TestKeyLabelCli::usage()
{
    QFETCH(QStringList, args);
    QTemporaryDir appData;
    const Run r = cli(args, appData.path());
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.contains(QStringLiteral("keylabels --series N")));
    QVERIFY(QDir(appData.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

QTEST_GUILESS_MAIN(TestKeyLabelCli)
#include "test_keylabelcli.moc"
