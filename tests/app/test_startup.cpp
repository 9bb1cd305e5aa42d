// Start-up of the real program: the command line, one copy per executable
// name, a later start handing its file to the running copy, and no display.

#include "platform/instancelock.h"
#include "platform/registerlock.h"
#include "platform/textfile.h"
#include "register/recoverycopy.h"
#include "uitestsupport.h"
#include "windows/common/instancechannel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/registercommands.h"

#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cstdio>
#include <fcntl.h>
#include <csignal>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
    void secondCopyHandsOver();
    void staleSocketIsReplaced();
    void handsFileToRunningCopy_data();
    void handsFileToRunningCopy();
    void closesAfterShowWhenAsked();
    void endsOnStopSignal_data();
    void endsOnStopSignal();
    void recoveryCopyOffered_data();
    void recoveryCopyOffered();
    void namesOfOtherUsersIgnored_data();
    void namesOfOtherUsersIgnored();

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

void TestStartup::secondCopyHandsOver()
{
    const QString exe = QStringLiteral(TAVREL_BINARY_DIR "/tavrel");
    QProcess first;
    first.setProcessEnvironment(env());
    first.start(exe, {});
    QVERIFY(first.waitForStarted());
    // Wait until the first copy holds its lock and has made its settings folder.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_dir.filePath(QStringLiteral("tavrel"))).isDir(), 10000);

    // The running copy took the request: success, as xdg-open expects.
    QProcess second;
    second.setProcessEnvironment(env());
    second.start(exe, {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    QVERIFY(second.readAllStandardError().isEmpty());
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

    // A holder of the lock that does not answer: the later start fails.
    {
        QTemporaryDir runtime;
        const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        InstanceLock silent(QStringLiteral("tavrel"));
        qputenv("XDG_RUNTIME_DIR", previous);
        QVERIFY(silent.acquired());
        QProcessEnvironment e = env();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess unanswered;
        unanswered.setProcessEnvironment(e);
        unanswered.start(exe, {});
        QVERIFY(unanswered.waitForFinished(20000));
        QCOMPARE(unanswered.exitCode(), 1);
        QVERIFY(unanswered.readAllStandardError().contains("did not answer"));
    }

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
    QCOMPARE(later.exitCode(), 0); // the request was taken, whatever came of it
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

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const uitest::Environment::Entry SignalEntry{0, QStringLiteral("電話機Ａ"), QStringLiteral("100"),
                                             QStringLiteral("総務部"), QStringLiteral("山田")};

// The edited window that a stop signal ends, in a process of its own: the
// program's windows open `path`, entry 2 is deleted with the Delete key and
// not saved, and the program's own ending on signals runs the loop.
int runEditedWindow(TavrelApplication &app, const QString &path)
{
    // The test environment keeps user templates in a folder of its own; the
    // recovery copy goes to the data folder the parent test looks in.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    uitest::Environment u;
    qputenv("XDG_DATA_HOME", dataHome);
    u.start(path);
    uitest::clickRow(1);
    u.dialogs.answers << UserDialogs::Answer::Yes;
    QTest::keyClick(uitest::part<QTreeView>("registerList"), Qt::Key_Delete);
    if (!FMain->document().isModified())
        return 3;
    TavrelApplication::endOnStopSignals();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    app.exec();
    u.destroyWindows();
    return 128 + TavrelApplication::stopSignal();
}

} // namespace

// SIGTERM, SIGHUP and SIGINT end the program in order: exit status
// 128 + signal, its register lock and socket gone, the register as it was,
// and unsaved changes in the recovery copy in the data folder. "program" is
// the real tavrel with the register open and unchanged; "edited" is the
// program's windows with an entry deleted, run by this test in a process
// of its own.
void TestStartup::endsOnStopSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("edited");
    for (const auto &[name, number] : {std::pair{"SIGTERM", SIGTERM}, std::pair{"SIGHUP", SIGHUP},
                                       std::pair{"SIGINT", SIGINT}}) {
        QTest::addRow("%s, program", name) << number << false;
        QTest::addRow("%s, edited", name) << number << true;
    }
}

void TestStartup::endsOnStopSignal()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, edited);
    uitest::Environment u;
    QTemporaryDir runtime, data;
    const QString path = u.writeRegister(QStringLiteral("site.TAV"), {SignalEntry, SignalEntry});
    const QByteArray before = bytesOf(path);
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    e.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    e.insert(QStringLiteral("APPDATA"), u.dataFolder());
    QProcess p;
    p.setProcessEnvironment(e);
    if (edited)
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--edited-window"), path});
    else
        p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), {path});
    QVERIFY(p.waitForStarted());
    const QString socket = runtime.filePath(QStringLiteral("tavrel.socket"));
    QTRY_COMPARE_WITH_TIMEOUT(RegisterLock::probe(path).state, RegisterLock::State::Live, 20000);
    QByteArray out;
    if (edited)
        QTRY_VERIFY2_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("ready"),
                                  p.readAllStandardError().constData(), 20000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 20000);
    QCOMPARE(::kill(pid_t(p.processId()), signalNumber), 0);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 128 + signalNumber);
    QVERIFY(!QFileInfo::exists(RegisterLock::lockPath(path)));
    QVERIFY(!QFileInfo::exists(socket));
    QCOMPARE(bytesOf(path), before);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString copy = recovery::find(path);
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(copy.isEmpty(), !edited);
    if (edited) {
        QVERIFY(copy.startsWith(data.path() + QStringLiteral("/tavrel/recovery/")));
        // The copy is the register without entry 2.
        RegisterDocument recovered;
        QCOMPARE(recovered.load(copy).size(), 1);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(copy));
    }
}

// Opening a register that has a recovery copy offers it: はい restores it as
// unsaved changes (the register itself unchanged until saved), いいえ
// deletes it, キャンセル keeps it for later.
void TestStartup::recoveryCopyOffered_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rows");      // in the list afterwards
    QTest::addColumn<bool>("modified"); // the document afterwards
    QTest::addColumn<bool>("kept");     // the recovery copy afterwards
    QTest::newRow("restore") << int(UserDialogs::Answer::Yes) << 1 << true << false;
    QTest::newRow("discard") << int(UserDialogs::Answer::No) << 2 << false << false;
    QTest::newRow("keep for later") << int(UserDialogs::Answer::Cancel) << 2 << false << true;
}

void TestStartup::recoveryCopyOffered()
{
    QFETCH(int, answer);
    QFETCH(int, rows);
    QFETCH(bool, modified);
    QFETCH(bool, kept);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    uitest::Environment u;
    const QString path = u.writeRegister(QStringLiteral("site.TAV"), {SignalEntry, SignalEntry});
    const QByteArray before = bytesOf(path);
    RegisterDocument changed;
    changed.load(path);
    changed.removeLines(changed.findEntry(2), changed.lineCount() - changed.findEntry(2));
    changed.setLine(1, QStringLiteral("1"));
    const QString copy = recovery::write(changed);
    QVERIFY(QFileInfo(copy).isFile());
    u.dialogs.answers << UserDialogs::Answer(answer);
    u.start(path);
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(u.dialogs.shown.size(), 2); // the open dialog, the offer
    QCOMPARE(u.dialogs.shown.constLast().kind, QStringLiteral("question"));
    QVERIFY(u.dialogs.shown.constLast().text.contains(copy));
    QCOMPARE(FMain->rowCount(), rows);
    QCOMPARE(FMain->document().isModified(), modified);
    QCOMPARE(QFileInfo::exists(copy), kept);
    QCOMPARE(bytesOf(path), before);
    QCOMPARE(FMain->document().fileName(), path);
}

// With XDG_RUNTIME_DIR unset the program's names lie in a folder of the
// user's own under TMPDIR. Here the user is nobody and another user (root,
// who runs the test) plants the folder, a lock or a listening socket: the
// user's file never reaches that user, and the guard stays on. "folder":
// tavrel-UID made by the other user; "open folder": the user's, mode 0777;
// "lock": a held lock file of the other user's in the user's folder, with
// the other user listening; "listener": the lock and socket files are the
// user's, but the other user holds and listens on them; "request": the
// other user sends a file to the user's running copy.
void TestStartup::namesOfOtherUsersIgnored_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<int>("exitCode"); // -1: the program runs
    QTest::addColumn<QString>("message");
    QTest::newRow("folder of another user") << "folder" << 1 << "tavrel-65534";
    QTest::newRow("folder open to others") << "open folder" << 1 << "tavrel-65534";
    QTest::newRow("lock of another user") << "lock" << -1 << "";
    QTest::newRow("listener of another user") << "listener" << 1 << "";
    QTest::newRow("request from another user") << "request" << -1 << "";
}

void TestStartup::namesOfOtherUsersIgnored()
{
    QFETCH(QString, planted);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (geteuid() != 0)
        QSKIP("needs root to run the program as another user");
    const uid_t nobody = 65534;
    QTemporaryDir shared, home;
    QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
    QVERIFY(::chown(QFile::encodeName(home.path()).constData(), nobody, nobody) == 0);
    const QString folder = shared.filePath(QStringLiteral("tavrel-65534"));
    const QByteArray nativeFolder = QFile::encodeName(folder);
    const QString lockPath = folder + QStringLiteral("/tavrel.lock"), socketPath = folder + QStringLiteral("/tavrel.socket");
    // The user's register, which must not be handed to anyone.
    const QString secret = home.filePath(QStringLiteral("secret.TAV"));
    {
        uitest::Environment u;
        QVERIFY(QFile::copy(u.writeRegister(QStringLiteral("s.TAV"), {SignalEntry}), secret));
    }
    QVERIFY(::chown(QFile::encodeName(secret).constData(), nobody, nobody) == 0);

    QLocalServer listener;
    int heldLock = -1;
    struct Cleanup
    {
        int &fd;
        ~Cleanup()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } cleanup{heldLock};
    if (planted != QLatin1String("request"))
        QVERIFY(::mkdir(nativeFolder.constData(), 0700) == 0);
    if (planted == QLatin1String("open folder")) {
        QVERIFY(::chown(nativeFolder.constData(), nobody, nobody) == 0);
        QVERIFY(::chmod(nativeFolder.constData(), 0777) == 0);
    } else if (planted == QLatin1String("lock") || planted == QLatin1String("listener")) {
        heldLock = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT, 0600);
        QVERIFY(heldLock >= 0);
        QCOMPARE(::flock(heldLock, LOCK_EX | LOCK_NB), 0);
        QVERIFY(listener.listen(socketPath));
        if (planted == QLatin1String("listener")) {
            QVERIFY(::chown(QFile::encodeName(lockPath).constData(), nobody, nobody) == 0);
            QVERIFY(::chown(QFile::encodeName(socketPath).constData(), nobody, nobody) == 0);
        }
        QVERIFY(::chown(nativeFolder.constData(), nobody, nobody) == 0);
    }

    QProcessEnvironment e = env();
    e.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    e.insert(QStringLiteral("TMPDIR"), shared.path());
    e.insert(QStringLiteral("HOME"), home.path());
    e.insert(QStringLiteral("APPDATA"), home.path());
    e.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    QProcess user;
    user.setProcessEnvironment(e);
    user.setWorkingDirectory(home.path());
    user.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                           QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), secret});
    QVERIFY(user.waitForStarted());
    if (exitCode >= 0) {
        QVERIFY(user.waitForFinished(20000));
        QCOMPARE(user.exitCode(), exitCode);
        const QString err = QString::fromLocal8Bit(user.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
    } else {
        // The program runs with a lock of its own in a folder of its own.
        struct stat st;
        const auto listening = [&] {
            return ::stat(QFile::encodeName(socketPath).constData(), &st) == 0 && st.st_uid == nobody;
        };
        QTRY_VERIFY_WITH_TIMEOUT(listening(), 20000);
        QCOMPARE(::stat(nativeFolder.constData(), &st), 0);
        QCOMPARE(st.st_uid, nobody);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QCOMPARE(::stat(QFile::encodeName(lockPath).constData(), &st), 0);
        QCOMPARE(st.st_uid, nobody);
        if (planted == QLatin1String("request")) {
            // Another user's request is cut off unanswered.
            QLocalSocket request;
            request.connectToServer(socketPath);
            QVERIFY(request.waitForConnected(5000));
            request.write(QUrl::fromLocalFile(QStringLiteral("/etc/hostname")).toEncoded() + '\n');
            request.waitForBytesWritten(2000);
            request.waitForReadyRead(2000);
            QVERIFY(!request.readAll().startsWith("ok"));
        }
        QCOMPARE(user.state(), QProcess::Running);
        ::kill(pid_t(user.processId()), SIGTERM);
        QVERIFY(user.waitForFinished(20000));
    }
    // Nothing reached the other user's listener.
    QTest::qWait(200);
    while (QLocalSocket *c = listener.nextPendingConnection()) {
        c->waitForReadyRead(500);
        QVERIFY2(c->readAll().isEmpty(), "the file was handed to another user");
    }
}

int main(int argc, char **argv)
{
    TavrelApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--edited-window") == 0)
        return runEditedWindow(app, QString::fromLocal8Bit(argv[2]));
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}
#include "test_startup.moc"
