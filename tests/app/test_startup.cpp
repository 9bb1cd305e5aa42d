// Start-up of the real program: the command line, one copy per executable
// name, a later start handing its file to the running copy, and no display.

#include "platform/instancelock.h"
#include "uitestsupport.h"
#include "windows/common/instancechannel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/registercommands.h"

#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void opensFileGivenOnCommandLine();
    void secondCopyExitsWithOne();
    void staleSocketIsReplaced();
    void handsFileToRunningCopy_data();
    void handsFileToRunningCopy();
    void closesAfterShowWhenAsked();

private:
    QProcessEnvironment env() const;
    QTemporaryDir m_dir;
};

void TestStartup::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QProcessEnvironment TestStartup::env() const
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    e.insert(QStringLiteral("APPDATA"), m_dir.path());
    return e;
}

// What the programs print for their options and when no window can be
// shown: one line, exit code 1, no abort. envChanges: NAME=VALUE sets,
// -NAME removes.
void TestStartup::commandLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("envChanges");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outHas"); // empty: nothing on standard output
    QTest::addColumn<QStringList>("errHas"); // empty: nothing on standard error
    const QString version = QStringLiteral(TAVREL_VERSION);
    const QStringList noDisplay{QStringLiteral("-DISPLAY"), QStringLiteral("-WAYLAND_DISPLAY"),
                                QStringLiteral("-QT_QPA_PLATFORM")};
    const QStringList saysNoDisplay{QStringLiteral("xvfb-run"), QStringLiteral("tavrel-cli")};
    QTest::newRow("help") << "tavrel" << QStringList{"--help"} << QStringList() << 0
                          << QStringList{"usage: tavrel [FILE]\n", "xvfb-run -a tavrel"} << QStringList();
    QTest::newRow("-h after a file") << "tavrel" << QStringList{"a.TAV", "-h"} << QStringList() << 0
                                     << QStringList{"usage: tavrel [FILE]\n"} << QStringList();
    QTest::newRow("version") << "tavrel" << QStringList{"--version"} << noDisplay << 0
                             << QStringList{"tavrel " + version + "\n", "MIT"} << QStringList();
    QTest::newRow("tavrel-cli version") << "tavrel-cli" << QStringList{"--version"} << QStringList() << 0
                                        << QStringList{"tavrel-cli " + version + "\n", "MIT"} << QStringList();
    QTest::newRow("unknown option") << "tavrel" << QStringList{"--open", "a.TAV"} << QStringList() << 2
                                    << QStringList() << QStringList{"unknown option '--open'", "usage: tavrel"};
    QTest::newRow("two files") << "tavrel" << QStringList{"a.TAV", "b.TAV"} << QStringList() << 2 << QStringList()
                               << QStringList{"usage: tavrel"};
    QTest::newRow("no display") << "tavrel" << QStringList() << noDisplay << 1 << QStringList() << saysNoDisplay;
    QTest::newRow("display gone") << "tavrel" << QStringList{"a.TAV"}
                                  << QStringList{"DISPLAY=:4711", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM"} << 1
                                  << QStringList() << (saysNoDisplay + QStringList{":4711"});
}

void TestStartup::commandLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QStringList, envChanges);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outHas);
    QFETCH(QStringList, errHas);
    QProcessEnvironment e = env();
    for (const QString &change : envChanges) {
        if (change.startsWith(u'-'))
            e.remove(change.mid(1));
        else
            e.insert(change.section(u'=', 0, 0), change.section(u'=', 1));
    }
    QProcess p;
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/") + program, args);
    const bool finished = p.waitForFinished(20000);
    if (!finished)
        p.kill();
    QVERIFY2(finished, "the program opened its window");
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(out.isEmpty(), outHas.isEmpty());
    for (const QString &text : outHas)
        QVERIFY2(out.contains(text), qPrintable(out));
    QCOMPARE(err.isEmpty(), errHas.isEmpty());
    for (const QString &text : errHas)
        QVERIFY2(err.contains(text), qPrintable(err));
    if (exitCode == 1)
        QCOMPARE(err.count(u'\n'), 1);
}

// tavrel FILE opens the register (named relative to the working folder):
// the series of its first entry is the one chosen when the program ends.
void TestStartup::opensFileGivenOnCommandLine()
{
    uitest::Environment u;
    u.writeRegister(QStringLiteral("sip.TAV"), {{7, QStringLiteral("ＳＩＰ電話機"), QStringLiteral("300"),
                                                 QStringLiteral("営業部"), QStringLiteral("鈴木")}});
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("APPDATA"), u.dataFolder());
    e.insert(QStringLiteral("TAVREL_CLOSE_AFTER_SHOW"), QStringLiteral("1"));
    QProcess p;
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(u.dataFolder());
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), {QStringLiteral("sip.TAV")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(u.setting(QStringLiteral("Data"), QStringLiteral("SelSeriesNo")), QStringLiteral("7"));
}

void TestStartup::secondCopyExitsWithOne()
{
    const QString exe = QStringLiteral(TAVREL_BINARY_DIR "/tavrel");
    QProcess first;
    first.setProcessEnvironment(env());
    first.start(exe, {});
    QVERIFY(first.waitForStarted());
    // Wait until the first copy holds its lock and has made its settings folder.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_dir.filePath(QStringLiteral("tavrel"))).isDir(), 10000);

    QProcess second;
    second.setProcessEnvironment(env());
    second.start(exe, {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    QCOMPARE(first.state(), QProcess::Running);

    // A copy under another executable name runs beside the first one.
    QDir(m_dir.path()).mkdir(QStringLiteral("bin"));
    const QString other = m_dir.filePath(QStringLiteral("bin/tavrel2"));
    QVERIFY(QFile::copy(exe, other));
    QFile::setPermissions(other, QFile::permissions(exe));
    for (const QString &t : QDir(QStringLiteral(TAVREL_BINARY_DIR)).entryList({QStringLiteral("*.tpl")}))
        QFile::copy(QStringLiteral(TAVREL_BINARY_DIR "/") + t, m_dir.filePath(QStringLiteral("bin/") + t));
    QProcess third;
    third.setProcessEnvironment(env());
    third.start(other, {});
    QVERIFY(third.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_dir.filePath(QStringLiteral("tavrel2"))).isDir(), 10000);
    QVERIFY(!third.waitForFinished(1500));
    QCOMPARE(third.state(), QProcess::Running);

    third.kill();
    third.waitForFinished();
    first.kill();
    first.waitForFinished();

    // Once the first copy is gone its lock is released and a new one starts.
    QProcess fourth;
    fourth.setProcessEnvironment(env());
    fourth.start(exe, {});
    QVERIFY(fourth.waitForStarted());
    QVERIFY(!fourth.waitForFinished(1500));
    fourth.kill();
    fourth.waitForFinished();
}

// A copy that was killed leaves its socket behind; the next copy replaces
// it and takes the requests of later starts.
void TestStartup::staleSocketIsReplaced()
{
    const QString exe = QStringLiteral(TAVREL_BINARY_DIR "/tavrel");
    const QString socket = m_dir.filePath(QStringLiteral("tavrel.socket"));
    QProcess killed;
    killed.setProcessEnvironment(env());
    killed.start(exe, {});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    killed.kill();
    killed.waitForFinished();
    QVERIFY(QFileInfo::exists(socket));
    QVERIFY(!InstanceChannel::send(socket, QString(), 300));

    QProcess next;
    next.setProcessEnvironment(env());
    next.start(exe, {});
    QVERIFY(next.waitForStarted());
    QVERIFY(InstanceChannel::send(socket, QString(), 10000));
    QCOMPARE(next.state(), QProcess::Running);
    next.kill();
    next.waitForFinished();
}

// This test is the running copy: it holds the lock and serves later starts
// as the program does, with its real windows; the later start is the real
// program. The register a.TAV is open (changed by deleting entry 2 when
// `change`) and the later start names another file.
void TestStartup::handsFileToRunningCopy_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("change");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("modal");    // the entry dialog is open meanwhile
    QTest::addColumn<QString>("opened"); // the register open afterwards
    QTest::addColumn<QString>("shown");  // "question", or the start of a message
    const int no = int(UserDialogs::Answer::No), cancel = int(UserDialogs::Answer::Cancel);
    QTest::newRow("unchanged") << "b.TAV" << false << QList<int>() << false << "b.TAV" << "";
    QTest::newRow("changed, not saved") << "b.TAV" << true << QList<int>{no} << false << "b.TAV" << "question";
    QTest::newRow("changed, saved") << "b.TAV" << true << QList<int>{int(UserDialogs::Answer::Yes)} << false << "b.TAV"
                                    << "question";
    QTest::newRow("changed, cancelled") << "b.TAV" << true << QList<int>{cancel} << false << "a.TAV" << "question";
    QTest::newRow("no file: raise only") << "" << true << QList<int>() << false << "a.TAV" << "";
    QTest::newRow("missing file") << "none.TAV" << true << QList<int>() << false << "a.TAV"
                                  << "none.TAV\nファイルが見つかりません。";
    QTest::newRow("read-only file") << "ro.TAV" << true << QList<int>() << false << "a.TAV"
                                    << "ro.TAV\nこのファイルは読み取り専用です。";
    QTest::newRow("entry dialog open") << "b.TAV" << false << QList<int>() << true << "b.TAV" << "";
}

void TestStartup::handsFileToRunningCopy()
{
    QFETCH(QString, target);
    QFETCH(bool, change);
    QFETCH(QList<int>, answers);
    QFETCH(bool, modal);
    QFETCH(QString, opened);
    QFETCH(QString, shown);
    if (target == QLatin1String("ro.TAV") && geteuid() == 0)
        QSKIP("root may write any file");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    InstanceLock lock(QStringLiteral("tavrel"));
    QVERIFY(lock.acquired());
    QVERIFY(TavrelApplication::listenForLaterStarts(lock.path()));

    uitest::Environment u;
    // A box shown for the request keeps the event loop running until it is
    // answered, as a real modal box does; memory freed meanwhile is reused
    // at once, so that an object deleted under its caller does not go unnoticed.
    std::vector<QByteArray> reused;
    u.dialogs.whileShown = [&reused] {
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        for (int size = 8; size <= 1024; size += 8)
            for (int i = 0; i < 64; ++i)
                reused.emplace_back(size, '\xff');
    };
    const uitest::Environment::Entry entry{0, QStringLiteral("電話機Ａ"), QStringLiteral("100"),
                                           QStringLiteral("総務部"), QStringLiteral("山田")};
    for (const char *name : {"a.TAV", "b.TAV", "ro.TAV"})
        u.writeRegister(QString::fromLatin1(name), {entry, entry});
    QFile::setPermissions(u.dataFolder() + QStringLiteral("ro.TAV"), QFile::ReadOwner);
    u.start(u.dataFolder() + QStringLiteral("a.TAV"));
    RegisterDocument &doc = FMain->document();
    if (change) {
        uitest::clickRow(1);
        u.dialogs.answers << UserDialogs::Answer::Yes;
        QTest::keyClick(uitest::part<QTreeView>("registerList"), Qt::Key_Delete);
        QVERIFY(doc.isModified());
    }
    const qsizetype before = u.dialogs.shown.size();
    for (int a : answers)
        u.dialogs.answers << UserDialogs::Answer(a);

    QProcessEnvironment e = env();
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess later;
    later.setProcessEnvironment(e);
    later.setWorkingDirectory(u.dataFolder());
    const auto startLater = [&] {
        later.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), target.isEmpty() ? QStringList() : QStringList{target});
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 10000);
    };
    if (modal) {
        QString openMeanwhile;
        uitest::whenEntryDialogShown([&](TFTelAdd &) {
            startLater();
            QTest::qWait(700);
            openMeanwhile = QFileInfo(doc.fileName()).fileName();
        });
        uitest::part<QAction>("ActionJimeijoNew")->trigger();
        QCOMPARE(openMeanwhile, QStringLiteral("a.TAV"));
    } else {
        startLater();
    }
    QCOMPARE(later.exitCode(), 1);
    QVERIFY(later.readAllStandardOutput().isEmpty());
    QTRY_COMPARE(QFileInfo(doc.fileName()).fileName(), opened);
    const QList<ScriptedUserDialogs::Shown> boxes = u.dialogs.shown.mid(before);
    QCOMPARE(boxes.size(), shown.isEmpty() ? 0 : 1);
    if (!shown.isEmpty())
        QVERIFY2(boxes.constFirst().kind == shown || boxes.constFirst().text.startsWith(shown),
                 qPrintable(boxes.constFirst().text));
    QCOMPARE(doc.isModified(), change && opened == QLatin1String("a.TAV"));
}

// The hook an installation check uses: the program shows its main window,
// then closes it the normal way and ends with 0, its settings written as
// the windows are destroyed.
void TestStartup::closesAfterShowWhenAsked()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("APPDATA"), home.path());
    e.insert(QStringLiteral("TAVREL_CLOSE_AFTER_SHOW"), QStringLiteral("1"));
    QProcess p;
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), {});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QFile ini(home.filePath(QStringLiteral("tavrel/tavrel.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray settings = ini.readAll();
    QVERIFY2(settings.contains("[Position]"), settings.constData());
}

TAVREL_UI_TEST_MAIN(TestStartup)
#include "test_startup.moc"
