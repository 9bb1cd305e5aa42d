// Settings store and application folders: defaults, immediate writes that
// keep the rest of the file byte for byte, in its encoding, letter case,
// CP932 text, and writes that cannot reach the file.

#include "platform/mainsub.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsForMissingOrMalformed_data();
    void defaultsForMissingOrMalformed();
    void writesReachFileAtOnceAndKeepOrder();
    void namesIgnoreLetterCase();
    void textValuesInCp932();
    void otherLinesKeepTheirBytes_data();
    void otherLinesKeepTheirBytes();
    void failedWriteIsReportedOnce_data();
    void failedWriteIsReportedOnce();
    void folders_data();
    void folders();
    void settingsFolderFallbacks();
};

void TestSettings::defaultsForMissingOrMalformed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");
    QTest::newRow("no file") << QByteArray() << 738;
    QTest::newRow("value") << QByteArray("[Position]\r\nMainHeight=500\r\n") << 500;
    QTest::newRow("blanks around") << QByteArray("[Position]\r\n MainHeight = 501 \r\n") << 501;
    QTest::newRow("negative") << QByteArray("[Position]\r\nMainHeight=-3\r\n") << -3;
    QTest::newRow("not a number") << QByteArray("[Position]\r\nMainHeight=abc\r\n") << 738;
    QTest::newRow("empty value") << QByteArray("[Position]\r\nMainHeight=\r\n") << 738;
    QTest::newRow("decimal") << QByteArray("[Position]\r\nMainHeight=1.5\r\n") << 738;
    QTest::newRow("other section") << QByteArray("[Checked]\r\nMainHeight=500\r\n") << 738;
    QTest::newRow("first of two sections") << QByteArray("[Position]\r\nA=1\r\n[Data]\r\nMainHeight=9\r\n[Position]\r\nMainHeight=7\r\n") << 738;
    QTest::newRow("junk") << QByteArray("\x00\xff=\x81[[]]\n=\n", 12) << 738;
}

void TestSettings::defaultsForMissingOrMalformed()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.ini"));
    if (!file.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    SettingsStore s(path);
    QCOMPARE(s.readInteger(QStringLiteral("Position"), QStringLiteral("MainHeight"), 738), expected);
}

void TestSettings::writesReachFileAtOnceAndKeepOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.ini"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("; comment\r\n[Position]\r\nMainTop=1\r\nMainLeft=2\r\n\r\n[Data]\r\nSelSeriesNo=3\r\n");
    }
    SettingsStore s(path);
    s.writeInteger(QStringLiteral("Position"), QStringLiteral("MainLeft"), 20);
    s.writeInteger(QStringLiteral("Position"), QStringLiteral("MainWidth"), 1000);
    s.writeInteger(QStringLiteral("Checked"), QStringLiteral("DispList"), 0);
    // A second store on the same file sees every write without any save.
    SettingsStore other(path);
    QCOMPARE(other.readInteger(QStringLiteral("Position"), QStringLiteral("MainLeft"), 0), 20);
    QCOMPARE(other.readInteger(QStringLiteral("Checked"), QStringLiteral("DispList"), 1), 0);
    QCOMPARE(textfile::read(path).lines,
             (QStringList{"; comment", "[Position]", "MainTop=1", "MainLeft=20", "MainWidth=1000", "", "[Data]",
                          "SelSeriesNo=3", "[Checked]", "DispList=0"}));
}

void TestSettings::namesIgnoreLetterCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.ini"));
    SettingsStore s(path);
    s.writeInteger(QStringLiteral("POSITION"), QStringLiteral("maintop"), 5);
    QCOMPARE(s.readInteger(QStringLiteral("Position"), QStringLiteral("MainTop"), 0), 5);
    s.writeInteger(QStringLiteral("position"), QStringLiteral("MAINTOP"), 6);
    QCOMPARE(textfile::read(path).lines, (QStringList{"[POSITION]", "MAINTOP=6"}));
}

void TestSettings::textValuesInCp932()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.ini"));
    SettingsStore s(path);
    s.writeString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), QStringLiteral("/opt/tavrel/tvロゴ"));
    QCOMPARE(s.readString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), QString()), QStringLiteral("/opt/tavrel/tvロゴ"));
    QCOMPARE(s.readString(QStringLiteral("Dir"), QStringLiteral("Missing"), QStringLiteral("x")), QStringLiteral("x"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[Dir]\r\nOpenPicture=/opt/tavrel/tv\x83\x8d\x83\x53\r\n"));
}

void TestSettings::otherLinesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    // 0x85 0x40 is no CP932 character; "Café" and "ロゴ" in UTF-8.
    QTest::newRow("stray byte pair in a section of the user's")
        << QByteArray("[Mine]\r\nNote=\x85\x40\r\n[Position]\r\nMainTop=1\r\n\r\n")
        << QByteArray("[Mine]\r\nNote=\x85\x40\r\n[Position]\r\nMainTop=5\r\nMainLeft=7\r\n\r\n"
                      "[Dir]\r\nOpenPicture=/tv\x83\x8d\x83\x53\r\n");
    QTest::newRow("UTF-8 with a mark")
        << QByteArray("\xEF\xBB\xBF[Mine]\r\nName=Caf\xC3\xA9\r\n[Position]\r\nMainTop=1\r\n")
        << QByteArray("\xEF\xBB\xBF[Mine]\r\nName=Caf\xC3\xA9\r\n[Position]\r\nMainTop=5\r\nMainLeft=7\r\n"
                      "[Dir]\r\nOpenPicture=/tv\xE3\x83\xAD\xE3\x82\xB4\r\n");
    // A value written back as it was read keeps its line untouched.
    QTest::newRow("unchanged values keep their lines")
        << QByteArray("[Position]\r\nmaintop = 5\r\n[Dir]\r\nOpenPicture=/tv\x83\x8d\x83\x53\r\nMainLeft=\x85\x40\r\n")
        << QByteArray("[Position]\r\nmaintop = 5\r\nMainLeft=7\r\n[Dir]\r\nOpenPicture=/tv\x83\x8d\x83\x53\r\nMainLeft=\x85\x40\r\n");
    QTest::newRow("LF line ends, no final break")
        << QByteArray("[Position]\nMainTop=1\n[Dir]\nOther=x")
        << QByteArray("[Position]\nMainTop=5\nMainLeft=7\r\n[Dir]\nOther=x\r\nOpenPicture=/tv\x83\x8d\x83\x53\r\n");
    auto utf16 = [](const QString &text, bool mark = true) {
        QByteArray b = mark ? QByteArray("\xFF\xFE") : QByteArray();
        for (const QChar c : text)
            b.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        return b;
    };
    QTest::newRow("UTF-16 with a mark")
        << utf16(QStringLiteral("[Position]\r\n"))
        << utf16(QStringLiteral("[Position]\r\nMainTop=5\r\nMainLeft=7\r\n[Dir]\r\nOpenPicture=/tvロゴ\r\n"));
    // Half a unit at the end is completed, so that the lines after it read.
    QTest::newRow("UTF-16 ending in half a unit")
        << utf16(QStringLiteral("[Position]\r\nA=1")) + 'A'
        << utf16(QStringLiteral("[Position]\r\nA=1")) + QByteArray("A\0", 2)
               + utf16(QStringLiteral("\r\nMainTop=5\r\nMainLeft=7\r\n[Dir]\r\nOpenPicture=/tvロゴ\r\n"), false);
}

// Each write replaces or inserts its own line in the file's encoding; every
// other line keeps its bytes, however this program decodes them.
void TestSettings::otherLinesKeepTheirBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.ini"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    SettingsStore s(path);
    QVERIFY(s.writeInteger(QStringLiteral("Position"), QStringLiteral("MainTop"), 5));
    QVERIFY(s.writeInteger(QStringLiteral("Position"), QStringLiteral("MainLeft"), 7));
    QVERIFY(s.writeString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), QStringLiteral("/tvロゴ")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), after);
    QCOMPARE(s.readInteger(QStringLiteral("Position"), QStringLiteral("MainLeft"), 0), 7);
    QCOMPARE(s.takeFailure(), QString());
}

void TestSettings::failedWriteIsReportedOnce_data()
{
    QTest::addColumn<QString>("file"); // relative to a fresh folder
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason"); // part of the message
    QTest::newRow("folder missing") << "missing/folder/tavrel.ini" << "/tmp" << "missing/folder/tavrel.ini";
    QTest::newRow("a character Shift-JIS cannot hold") << "tavrel.ini" << "/home/Café" << "「é」(U+00E9)";
    QTest::newRow("a file that cannot be read") << "folder.ini" << "/tmp" << "folder.ini";
}

// A write that cannot reach the file changes nothing, returns false, and
// its message (the file, the key, the reason) is handed out once.
void TestSettings::failedWriteIsReportedOnce()
{
    QFETCH(QString, file);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    const QByteArray before("[Position]\r\nMainTop=1\r\n");
    if (file == QLatin1String("folder.ini")) {
        QVERIFY(QDir(dir.path()).mkdir(file));
    } else if (!file.contains(u'/')) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    SettingsStore s(path);
    QVERIFY(!s.writeString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), value));
    const QString failure = s.takeFailure();
    QVERIFY2(failure.contains(path) && failure.contains(QStringLiteral("OpenPicture")) && failure.contains(reason),
             qPrintable(failure));
    QVERIFY(!s.writeString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), value));
    QCOMPARE(s.takeFailure(), QString());
    QCOMPARE(s.readString(QStringLiteral("Dir"), QStringLiteral("OpenPicture"), QStringLiteral("none")), QStringLiteral("none"));
    if (QFileInfo(path).isFile()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        // The other values still reach the file.
        QVERIFY(s.writeInteger(QStringLiteral("Position"), QStringLiteral("MainTop"), 2));
        QCOMPARE(s.readInteger(QStringLiteral("Position"), QStringLiteral("MainTop"), 0), 2);
    }
}

void TestSettings::folders_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "/opt/tavrel/tavrel" << "tavrel";
    QTest::newRow("extension") << "/opt/tavrel/Y.exe" << "Y";
    QTest::newRow("several dots") << "/opt/tavrel/a.b.exe" << "a.b";
}

void TestSettings::folders()
{
    QFETCH(QString, exe);
    QFETCH(QString, base);
    QTemporaryDir dir;
    qputenv("APPDATA", dir.path().toLocal8Bit());
    {
        TMainSub sub(exe);
        QCOMPARE(sub.programFolder(), QStringLiteral("/opt/tavrel/"));
        QCOMPARE(sub.settingsFolder(), dir.path() + u'/' + base + u'/');
        QVERIFY(QFileInfo(sub.settingsFolder()).isDir());
        QCOMPARE(sub.settings().path(), sub.settingsFolder() + base + QStringLiteral(".ini"));
        sub.settings().writeInteger(QStringLiteral("Data"), QStringLiteral("SelSeriesNo"), 4);
    }
    TMainSub again(exe); // the second start reuses the folder and its file
    QCOMPARE(again.settings().readInteger(QStringLiteral("Data"), QStringLiteral("SelSeriesNo"), 0), 4);
    qunsetenv("APPDATA");
}

void TestSettings::settingsFolderFallbacks()
{
    QTemporaryDir dir;
    qputenv("APPDATA", "");
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QCOMPARE(TMainSub::userDataFolder(), dir.path());
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(TMainSub::userDataFolder(), QDir::homePath() + QStringLiteral("/.config"));
    qunsetenv("APPDATA");
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
