// What tells the window that its register changed on disk.

#include "platform/registerlock.h"
#include "platform/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <utime.h>

class TestRegisterLock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diskStamp_data();
    void diskStamp();
};

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
