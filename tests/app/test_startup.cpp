// Start-up of the real program: one copy per executable name.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void secondCopyExitsWithOne();
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

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
