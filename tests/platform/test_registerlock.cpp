// The register's lock file, and what tells the window that its register
// changed on disk.

#include "platform/registerlock.h"
#include "platform/textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

Q_DECLARE_METATYPE(RegisterLock::State)

class TestRegisterLock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diskStamp_data();
    void diskStamp();
    void take_data();
    void take();
    void takersRaceForADeadLock();
    void startTimeOfAnyProcessName_data();
    void startTimeOfAnyProcessName();
    void shownSafely_data();
    void shownSafely();
};

void TestRegisterLock::take_data()
{
    // What is at the lock's path before this process takes it (overStale
    // false, as the window before asking), what take() says, and what is
    // there afterwards ("ours": this process's lock, mode 0644 whatever
    // the umask; "same": what was there, untouched).
    QTest::addColumn<QString>("before");
    QTest::addColumn<RegisterLock::State>("state");
    QTest::addColumn<QString>("after");
    using S = RegisterLock::State;
    QTest::newRow("nothing") << "" << S::Ours << "ours";
    QTest::newRow("dead: process gone") << "gone" << S::Ours << "ours";
    QTest::newRow("dead: process id reused") << "reused" << S::Ours << "ours";
    QTest::newRow("dead: another boot") << "boot" << S::Ours << "ours";
    QTest::newRow("live: this process, old four lines") << "four" << S::Ours << "same";
    QTest::newRow("garbage: stale, asked first") << "garbage" << S::Stale << "same";
    QTest::newRow("empty and new: being written") << "empty" << S::Live << "same";
    QTest::newRow("link to a file") << "link" << S::Live << "same";
    QTest::newRow("dangling link") << "dangling" << S::Live << "same";
    QTest::newRow("FIFO") << "fifo" << S::Live << "same";
    QTest::newRow("folder") << "folder" << S::Live << "same";
}

namespace {
QString describeAt(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("none");
    QFile f(path);
    const QByteArray bytes = S_ISREG(st.st_mode) && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return QStringLiteral("%1 %2 %3 %4").arg(st.st_mode, 0, 8).arg(QFile::symLinkTarget(path)).arg(st.st_ino)
        .arg(QString::fromUtf8(bytes.toHex()));
}

QByteArray lockOf(qint64 pid, const QString &boot, qint64 start)
{
    return QStringLiteral("holder\n%1\n%2\n%3\n%4\n%5\ntavrel\n")
        .arg(QSysInfo::machineHostName())
        .arg(pid)
        .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate), boot)
        .arg(start)
        .toUtf8();
}
} // namespace

void TestRegisterLock::take()
{
    QFETCH(QString, before);
    QFETCH(RegisterLock::State, state);
    QFETCH(QString, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.TAV"));
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    textfile::writeBytes(path, "register");
    textfile::writeBytes(notes, "notes");
    const QString lockPath = RegisterLock::lockPath(path);
    const QByteArray lockName = QFile::encodeName(lockPath);
    auto plant = [&](const QByteArray &bytes) {
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        f.write(bytes);
    };
    const qint64 me = QCoreApplication::applicationPid();
    if (before == "gone") {
        QProcess p;
        p.start(QStringLiteral("true"));
        QVERIFY(p.waitForFinished());
        plant(lockOf(p.processId(), RegisterLock::bootId(), 1));
    } else if (before == "reused") {
        plant(lockOf(1, RegisterLock::bootId(), 999999999999));
    } else if (before == "boot") {
        plant(lockOf(me, QStringLiteral("another-boot"), RegisterLock::processStartTime(me)));
    } else if (before == "four") {
        plant(lockOf(me, {}, 0).left(lockOf(me, {}, 0).indexOf("\n\n") + 1));
    } else if (before == "garbage") {
        plant("\x01 not a lock\n");
    } else if (before == "empty") {
        plant({});
    } else if (before == "link") {
        QVERIFY(QFile::link(notes, lockPath));
    } else if (before == "dangling") {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), lockPath));
    } else if (before == "fifo") {
        QCOMPARE(::mkfifo(lockName.constData(), 0666), 0);
    } else if (before == "folder") {
        QVERIFY(QDir().mkdir(lockPath));
    }
    const QString planted = describeAt(lockPath);
    const QString notesBefore = describeAt(notes);
    const mode_t mask = ::umask(077);
    RegisterLock lock;
    const RegisterLock::Probe probe = lock.take(path, false);
    ::umask(mask);
    QCOMPARE(probe.state, state);
    QCOMPARE(describeAt(notes), notesBefore);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("elsewhere"))));
    if (after == "same") {
        QCOMPARE(describeAt(lockPath), planted);
        QVERIFY(!lock.held());
        lock.release();
        QCOMPARE(describeAt(lockPath), planted);
    } else {
        QVERIFY(lock.held());
        struct stat st;
        QCOMPARE(::lstat(lockName.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0644));
        const RegisterLock::Probe again = RegisterLock::probe(path);
        QCOMPARE(again.state, RegisterLock::State::Ours);
        QCOMPARE(again.holder.startTime, RegisterLock::processStartTime(me));
        QCOMPARE(again.holder.bootId, RegisterLock::bootId());
        // A lock taken over leaves nothing behind, and release removes its own.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(), 3);
        lock.release();
        QVERIFY(!QFile::exists(lockPath));
    }
}

void TestRegisterLock::takersRaceForADeadLock()
{
    // Eight processes take a dead lock at the same moment, twenty times:
    // exactly one wins each time, the others find it held.
    constexpr int Takers = 8, Rounds = 20;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.TAV"));
    textfile::writeBytes(path, "register");
    int winners = 0;
    for (int round = 0; round < Rounds; ++round) {
        QFile::remove(RegisterLock::lockPath(path));
        {
            QFile f(RegisterLock::lockPath(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(lockOf(1, RegisterLock::bootId(), 999999999999));
        }
        int go[2];
        QCOMPARE(::pipe(go), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < Takers; ++i) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(go[1]);
                char c;
                if (::read(go[0], &c, 1) < 0) // all start when the pipe closes
                    ::_exit(3);
                RegisterLock lock;
                const RegisterLock::State s = lock.take(path, false).state;
                ::usleep(300000); // the winner stays alive while the others look
                ::_exit(s == RegisterLock::State::Ours && lock.held() ? 0 : s == RegisterLock::State::Live ? 1 : 2);
            }
            children.push_back(child);
        }
        ::close(go[0]);
        ::close(go[1]);
        int won = 0;
        for (const pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) < 2);
            won += WEXITSTATUS(status) == 0 ? 1 : 0;
        }
        QCOMPARE(won, 1);
        winners += won;
    }
    QCOMPARE(winners, Rounds);
}

void TestRegisterLock::startTimeOfAnyProcessName_data()
{
    // A process's name may hold spaces and parentheses: the fields are
    // counted after the last one.
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "sleeper";
    QTest::newRow("spaces and parentheses") << "a) 1 2 (3) 4";
}

void TestRegisterLock::startTimeOfAnyProcessName()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString program = dir.filePath(name);
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ExeOwner | QFileDevice::ReadOwner));
    QProcess p;
    p.start(program, {"30"});
    QVERIFY(p.waitForStarted());
    const qint64 start = RegisterLock::processStartTime(p.processId());
    const qint64 mine = RegisterLock::processStartTime(QCoreApplication::applicationPid());
    // Started after this test, within the minute (clock ticks of 1/100 s
    // or finer).
    QVERIFY2(mine > 0 && start >= mine, qPrintable(QStringLiteral("%1 %2").arg(start).arg(mine)));
    QVERIFY(start - mine < 60 * ::sysconf(_SC_CLK_TCK) * 60);
    p.kill();
    p.waitForFinished();
    QCOMPARE(RegisterLock::processStartTime(p.processId()), qint64(-1));
}

void TestRegisterLock::shownSafely_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "山田 taro" << "山田 taro";
    QTest::newRow("terminal title and colour") << "a\x1b]0;x\x07" "b\x1b[31m" << "a\\x1b]0;x\\x07b\\x1b[31m";
    QTest::newRow("line break and tab") << "a\nb\tc" << "a\\x0ab\\x09c";
    QTest::newRow("C1 control") << QString(QChar(0x9b)) + "2J" << "\\x9b2J";
    QTest::newRow("right-to-left override") << "abc\u202Etxt" << "abc\\u202etxt";
    QTest::newRow("long") << QString(100, u'x') << QString(64, u'x') + u'…';
}

void TestRegisterLock::shownSafely()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(::shownSafely(text), shown);
}

void TestRegisterLock::diskStamp_data()
{
    QTest::addColumn<QByteArray>("after"); // "-": removed
    QTest::addColumn<bool>("renamed");     // replaced by another file rather than rewritten
    QTest::addColumn<bool>("changed");
    QTest::newRow("touched only") << QByteArray("12345678") << false << false;
    QTest::newRow("same bytes copied over") << QByteArray("12345678") << true << false;
    QTest::newRow("same size, other bytes") << QByteArray("12345679") << false << true;
    QTest::newRow("other size") << QByteArray("1234") << true << true;
    QTest::newRow("removed") << QByteArray("-") << false << true;
}

void TestRegisterLock::diskStamp()
{
    QFETCH(QByteArray, after);
    QFETCH(bool, renamed);
    QFETCH(bool, changed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.TAV"));
    const QByteArray before("12345678");
    textfile::writeBytes(path, before);
    const DiskStamp stamp = DiskStamp::of(path, before);
    QVERIFY(!stamp.changedOnDisk(path));
    if (after == "-") {
        QVERIFY(QFile::remove(path));
    } else {
        const QString written = renamed ? dir.filePath(QStringLiteral("new")) : path;
        QFile f(written);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(after);
        f.close();
        const utimbuf later{time(nullptr) + 60, time(nullptr) + 60}; // a time the stamp cannot hold
        QCOMPARE(utime(QFile::encodeName(written).constData(), &later), 0);
        if (renamed)
            QCOMPARE(::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData()), 0);
    }
    QCOMPARE(stamp.changedOnDisk(path), changed);
    if (!changed) // the bytes were read once; the next look is a stat
        QCOMPARE(stamp.modified, QFileInfo(path).lastModified());
}

QTEST_GUILESS_MAIN(TestRegisterLock)
#include "test_registerlock.moc"
