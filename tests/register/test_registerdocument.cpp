// Register document: round trips, the older layout, entries appended,
// copied, updated and deleted with renumbering, the marker index, and bad
// files that must leave an empty, unnamed register.

#include "platform/conversion.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "strip/stripimage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList cellLines(const QString &text = QString(), bool olderLayout = false)
{
    QStringList c{"1", "1", "20", "6", "1", "1", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1",
                  "001", "5", "1.5", "14", "4", "ＭＳ 明朝", "9", "0", "0", "0", "2"};
    if (!olderLayout)
        c << "" << "" << "" << "" << "" << "" << "";
    if (text.isEmpty())
        c << "0";
    else
        c << "1" << text;
    return c;
}

QStringList entryBody(int cells, const QString &tag = QString())
{
    QStringList b{"1", "1", "5", "5", "140", "60", QString::number(cells)};
    for (int i = 0; i < cells; ++i)
        b << cellLines(tag.isEmpty() ? QString() : tag + QString::number(i));
    return b;
}

EntryHeader header(const QString &ext)
{
    return {ext, QStringLiteral("総務部"), QStringLiteral("山田 太郎"), QStringLiteral("2022/10/26 09:05"),
            QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("ｕＬ－１８ボタン")};
}

// A register of n entries whose cell texts name their entry ("E3-0").
QStringList makeRegister(int n, int cells = 1)
{
    QStringList l{RegisterDocument::VersionLine, QString::number(n)};
    for (int e = 1; e <= n; ++e) {
        l << RegisterDocument::markerLine(e) << header(QString::number(200 + e)).toLines();
        l << entryBody(cells, QStringLiteral("E%1-").arg(e));
    }
    return l;
}

QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// Extensions of the entries in file order, read through their markers.
QStringList extensions(const RegisterDocument &doc)
{
    QStringList out;
    for (int n = 1; n <= doc.entryCount(); ++n)
        out << doc.headerOfEntry(n).extension;
    return out;
}

// Line of entry 1's user name in makeRegister's layout.
int userLineOfFirstEntry() { return 2 + 1 + 2; }

void verifyIndex(const RegisterDocument &doc)
{
    for (qint64 n = -1; n <= doc.entryCount() + 2; ++n)
        QCOMPARE(doc.findEntry(n), doc.findEntryByScan(n));
}

} // namespace

class TestRegisterDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markerLine();
    void oneCellRegisterSize();
    void roundTripByteForByte();
    void loadListsEntriesAndSkipsMissingMarkers();
    void otherVersionLoadsAsCurrent();
    void olderLayoutConversion();
    void badFilesLeaveEmptyRegister_data();
    void badFilesLeaveEmptyRegister();
    void modifiedComparesContents();
    void appendFirstEntryAndCopy();
    void copyOfLastEntry();
    void updateHeaderKeepsBody();
    void deleteEntries_data();
    void deleteEntries();
    void deleteOnlyEntryEmptiesLines();
    void deleteWithMalformedCountChangesNothing();
    void deleteWithHugeCountStopsAtLastMarker();
    void markersInReverseOrder();
    void appendAtLargestCount_data();
    void appendAtLargestCount();
    void indexMatchesScanAfterEdits();
    void saveFailureKeepsFileAndState();
    void saveLastWritesAsSave_data();
    void saveLastWritesAsSave();
    void unencodableCharacterNamesEntry();
    void hugeLineLoadsOrFailsCleanly();
    void checkDecimalLines_data();
    void checkDecimalLines();
    void checkCellLimitWithHugeCount();
    void checkAcceptsWhatDrawingAccepts();
};

void TestRegisterDocument::markerLine()
{
    QCOMPARE(RegisterDocument::markerLine(12), QStringLiteral("12") + QString(10, QChar(0x0C)));
    QCOMPARE(RegisterDocument::markerNumber(RegisterDocument::markerLine(12)), 12);
    QCOMPARE(RegisterDocument::markerNumber(QStringLiteral("012") + QString(10, QChar(0x0C))), 0);
    QCOMPARE(RegisterDocument::markerNumber(QStringLiteral("12") + QString(9, QChar(0x0C))), 0);
    QCOMPARE(RegisterDocument::markerNumber(QStringLiteral("12") + QString(11, QChar(0x0C))), 0);
    QCOMPARE(RegisterDocument::markerNumber(QStringLiteral("ab") + QString(10, QChar(0x0C))), 0);
}

void TestRegisterDocument::oneCellRegisterSize()
{
    RegisterDocument doc;
    doc.setLines(QStringList{RegisterDocument::VersionLine, "1", RegisterDocument::markerLine(1)}
                 + header(QStringLiteral("201")).toLines() + entryBody(1));
    QCOMPARE(doc.lineCount(), 2 + 1 + 6 + 1 + 6 + 33);
    QCOMPARE(doc.findEntry(1), 2);
}

void TestRegisterDocument::roundTripByteForByte()
{
    QTemporaryDir dir;
    const QByteArray bytes = textfile::encode(makeRegister(3, 2));
    const QString in = writeBytes(dir, QStringLiteral("in.TAV"), bytes);
    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(in);
    QCOMPARE(rows.size(), 3);
    QVERIFY(!doc.isModified());
    // The fingerprints taken while loading agree with the lines: a change
    // and its undoing leave the register not modified.
    const int ext = doc.findEntry(2) + 1;
    doc.setLine(ext, QStringLiteral("999"));
    QVERIFY(doc.isModified());
    doc.setLine(ext, QStringLiteral("202"));
    QVERIFY(!doc.isModified());
    const QString out = dir.filePath(QStringLiteral("out.TAV"));
    doc.save(out);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);

    // A register that ends without its last line break or with LF only is
    // written back with CR LF after every line.
    QByteArray lf = bytes;
    lf.replace("\r\n", "\n");
    lf.chop(1);
    RegisterDocument doc2;
    doc2.load(writeBytes(dir, QStringLiteral("lf.TAV"), lf));
    doc2.save(out);
    QFile g(out);
    QVERIFY(g.open(QIODevice::ReadOnly));
    QCOMPARE(g.readAll(), bytes);
}

void TestRegisterDocument::loadListsEntriesAndSkipsMissingMarkers()
{
    QTemporaryDir dir;
    QStringList l = makeRegister(3);
    l[1] = QStringLiteral("4"); // entry 4 has no marker
    const int m2 = l.indexOf(RegisterDocument::markerLine(2));
    l[m2] = QStringLiteral("x"); // entry 2 lost its marker
    RegisterDocument doc;
    const QString path = writeBytes(dir, QStringLiteral("a.TAV"), textfile::encode(l));
    const QList<EntryHeader> rows = doc.load(path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).extension, QStringLiteral("201"));
    QCOMPARE(rows.at(1).extension, QStringLiteral("203"));
    QCOMPARE(doc.findEntry(1), 2);
    QCOMPARE(doc.fileName(), path);

    // No entries: loaded, but left unnamed.
    RegisterDocument none;
    QVERIFY(none.load(writeBytes(dir, QStringLiteral("n.TAV"), textfile::encode({RegisterDocument::VersionLine, "0"}))).isEmpty());
    QVERIFY(none.fileName().isEmpty());
    QCOMPARE(none.lineCount(), 2);
}

void TestRegisterDocument::otherVersionLoadsAsCurrent()
{
    QTemporaryDir dir;
    QStringList l = makeRegister(1);
    l[0] = QStringLiteral("file-version:09.99.00.00");
    RegisterDocument doc;
    QCOMPARE(doc.load(writeBytes(dir, QStringLiteral("v.TAV"), textfile::encode(l))).size(), 1);
    QCOMPARE(doc.lines().toStringList(), l);
}

void TestRegisterDocument::olderLayoutConversion()
{
    QTemporaryDir dir;
    QStringList old{"1", RegisterDocument::markerLine(1)};
    old << header(QStringLiteral("201")).toLines() << "1" << "1" << "5" << "5" << "140" << "60" << "2";
    old << cellLines(QString(), true) << cellLines(QStringLiteral("保留"), true);
    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(writeBytes(dir, QStringLiteral("old.TAV"), textfile::encode(old)));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(doc.lineCount(), old.size() + 14 + 1);
    QVERIFY(!doc.isModified());
    QStringList expected{RegisterDocument::VersionLine, "1", RegisterDocument::markerLine(1)};
    expected << header(QStringLiteral("201")).toLines() << "1" << "1" << "5" << "5" << "140" << "60" << "2";
    expected << cellLines() << cellLines(QStringLiteral("保留"));
    QCOMPARE(doc.lines().toStringList(), expected);
}

void TestRegisterDocument::badFilesLeaveEmptyRegister_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QStringList good = makeRegister(2);
    auto enc = [](const QStringList &l) { return textfile::encode(l); };
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("binary junk") << QByteArray("\x00\xff\x13\x88\x81\x00garbage\x01\x02", 16);
    QStringList badCount = good;
    badCount[1] = QStringLiteral("two");
    QTest::newRow("count not a number") << enc(badCount);
    QTest::newRow("truncated header") << enc(good.mid(0, 5));
    QTest::newRow("older layout, not a number") << enc({"abc", "def"});
    QTest::newRow("older layout, huge counts") << enc({"2000000000", RegisterDocument::markerLine(1), "a", "b", "c", "d", "e", "f", "999999999"});
    QTest::newRow("older layout, negative text count") << enc(QStringList{"1", RegisterDocument::markerLine(1)} + header("1").toLines()
                                                             + QStringList{"1", "1", "0", "0", "1", "1", "1"} + cellLines({}, true).mid(0, 25) + QStringList{"-5"});
    QTest::newRow("older layout, truncated cell") << enc(QStringList{"1", RegisterDocument::markerLine(1)} + header("1").toLines()
                                                        + QStringList{"1", "1", "0", "0", "1", "1", "1"} + cellLines({}, true).mid(0, 20));
    QTest::newRow("older layout, text past end") << enc(QStringList{"1", RegisterDocument::markerLine(1)} + header("1").toLines()
                                                       + QStringList{"1", "1", "0", "0", "1", "1", "1"} + cellLines({}, true).mid(0, 25) + QStringList{"40", "x"});
}

void TestRegisterDocument::badFilesLeaveEmptyRegister()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    RegisterDocument doc;
    const QString good = writeBytes(dir, QStringLiteral("good.TAV"), textfile::encode(makeRegister(1)));
    doc.load(good);
    QCOMPARE(doc.fileName(), good);
    const QString bad = writeBytes(dir, QStringLiteral("bad.TAV"), bytes);
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.load(bad));
    QVERIFY(doc.isEmpty());
    QVERIFY(!doc.isModified());
    QVERIFY(doc.fileName().isEmpty());
}

void TestRegisterDocument::modifiedComparesContents()
{
    RegisterDocument doc;
    doc.loadBytes(textfile::encode(makeRegister(1)));
    QVERIFY(!doc.isModified());
    const int face = doc.findEntry(1) + 14 + 19;
    QCOMPARE(doc.line(face), QStringLiteral("ＭＳ 明朝"));
    doc.setLine(face, QStringLiteral("ＭＳ ゴシック"));
    QVERIFY(doc.isModified());
    doc.setLine(face, QStringLiteral("ＭＳ 明朝"));
    QVERIFY(!doc.isModified());
    doc.setLine(face, QStringLiteral("ｍｓ 明朝"));
    QVERIFY(doc.isModified()); // letter case counts
    doc.setLine(face, QStringLiteral("ＭＳ 明朝"));
    doc.appendLine(QString());
    QVERIFY(doc.isModified());
}

void TestRegisterDocument::appendFirstEntryAndCopy()
{
    RegisterDocument doc;
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.appendEntryAsCopy(header(QStringLiteral("1")), 1));
    QVERIFY(doc.isEmpty());
    QCOMPARE(doc.beginNewEntry(header(QStringLiteral("201"))), 1);
    doc.appendLines(entryBody(1, QStringLiteral("x")));
    QCOMPARE(doc.lines().toStringList().mid(0, 3), (QStringList{RegisterDocument::VersionLine, "1", RegisterDocument::markerLine(1)}));
    const int before = doc.lineCount();
    doc.appendEntryAsCopy(header(QStringLiteral("202")), 1);
    QCOMPARE(doc.findEntry(2), before);
    QCOMPARE(doc.line(1), QStringLiteral("2"));
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(2) + 7), entryBody(1, QStringLiteral("x")));
}

void TestRegisterDocument::copyOfLastEntry()
{
    RegisterDocument doc;
    doc.setLines(makeRegister(2, 3));
    const QStringList body1 = doc.lines().toStringList().mid(doc.findEntry(1) + 7, doc.findEntry(2) - doc.findEntry(1) - 7);
    const QStringList body2 = doc.lines().toStringList().mid(doc.findEntry(2) + 7);
    doc.appendEntryAsCopy(header(QStringLiteral("301")), 1);
    QCOMPARE(doc.entryCount(), 3);
    QCOMPARE(doc.headerOfEntry(3), header(QStringLiteral("301")));
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(3) + 7), body1);
    doc.appendEntryAsCopy(header(QStringLiteral("302")), 2); // 2 is no longer last
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(4) + 7), body2);
    doc.appendEntryAsCopy(header(QStringLiteral("303")), 4); // the last entry
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(5) + 7), body2);
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.appendEntryAsCopy(header(QStringLiteral("9")), 9));
    QCOMPARE(doc.entryCount(), 5);
}

void TestRegisterDocument::updateHeaderKeepsBody()
{
    RegisterDocument doc;
    doc.setLines(makeRegister(2));
    const QStringList before = doc.lines().toStringList();
    EntryHeader h = header(QStringLiteral("555"));
    h.department = QStringLiteral("営業部");
    doc.updateEntryHeader(2, h);
    QCOMPARE(doc.headerOfEntry(2), h);
    QCOMPARE(doc.lineCount(), before.size());
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(2) + 7), before.mid(doc.findEntry(2) + 7));
    QCOMPARE(doc.lines().toStringList().mid(0, doc.findEntry(2) + 1), before.mid(0, doc.findEntry(2) + 1));
    doc.updateEntryHeader(7, h); // no such entry: nothing happens
    QCOMPARE(doc.lineCount(), before.size());
}

void TestRegisterDocument::deleteEntries_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("2 of 3") << 3 << QList<int>{1} << QStringList{"201", "203"};
    QTest::newRow("1 and 3 of 4") << 4 << QList<int>{0, 2} << QStringList{"202", "204"};
    QTest::newRow("last of 3") << 3 << QList<int>{2} << QStringList{"201", "202"};
    QTest::newRow("first of 3") << 3 << QList<int>{0} << QStringList{"202", "203"};
    QTest::newRow("rows 1 and 2 of 5") << 5 << QList<int>{2, 1} << QStringList{"201", "204", "205"};
    QTest::newRow("all but one") << 4 << QList<int>{0, 1, 3} << QStringList{"203"};
}

void TestRegisterDocument::deleteEntries()
{
    QFETCH(int, entries);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, remaining);
    RegisterDocument doc;
    doc.setLines(makeRegister(entries, 2));
    QList<int> removed;
    const int left = doc.deleteEntries(rows, entries, [&](int r) { removed << r; });
    QCOMPARE(left, remaining.size());
    QCOMPARE(doc.entryCount(), remaining.size());
    QCOMPARE(extensions(doc), remaining);
    QList<int> expectRemoved = rows;
    std::sort(expectRemoved.begin(), expectRemoved.end(), std::greater<int>());
    QCOMPARE(removed, expectRemoved);
    // The result is exactly the register made of the remaining entries.
    QStringList expected{RegisterDocument::VersionLine, QString::number(remaining.size())};
    for (int i = 0; i < remaining.size(); ++i) {
        const int old = remaining.at(i).toInt() - 200;
        expected << RegisterDocument::markerLine(i + 1) << header(remaining.at(i)).toLines()
                 << entryBody(2, QStringLiteral("E%1-").arg(old));
    }
    QCOMPARE(doc.lines().toStringList(), expected);
    verifyIndex(doc);
}

void TestRegisterDocument::deleteOnlyEntryEmptiesLines()
{
    RegisterDocument doc;
    doc.loadBytes(textfile::encode(makeRegister(1)));
    QCOMPARE(doc.deleteEntries({0}, 1), 0);
    QVERIFY(doc.isEmpty());
    QVERIFY(doc.isModified());
    QCOMPARE(doc.findEntry(1), -1);
}

void TestRegisterDocument::deleteWithMalformedCountChangesNothing()
{
    RegisterDocument doc;
    QStringList l = makeRegister(3);
    l[1] = QStringLiteral("x");
    doc.setLines(l);
    QVERIFY_THROWS_EXCEPTION(ConversionError, doc.deleteEntries({1}, 3));
    QCOMPARE(doc.lines().toStringList(), l);
}

void TestRegisterDocument::deleteWithHugeCountStopsAtLastMarker()
{
    // Line 1 claims far more entries than there are markers, and a stray
    // marker carries a huge number: neither opening nor deleting may try
    // every number up to the count (that took seconds).
    QTemporaryDir dir;
    QStringList l = makeRegister(3);
    l[1] = QStringLiteral("2147483647");
    l.insert(l.size() - 3, RegisterDocument::markerLine(999999999999LL));
    RegisterDocument doc;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(doc.load(writeBytes(dir, QStringLiteral("huge.TAV"), textfile::encode(l))).size(), 3);
    QVERIFY2(timer.elapsed() < 500, qPrintable(QStringLiteral("load: %1 ms").arg(timer.elapsed())));
    timer.restart();
    QCOMPARE(doc.deleteEntries({1}, 3), 2);
    QVERIFY2(timer.elapsed() < 500, qPrintable(QStringLiteral("delete: %1 ms").arg(timer.elapsed())));
    QCOMPARE(doc.line(1), QStringLiteral("2"));
    QCOMPARE(extensions(doc), (QStringList{"201", "203"}));
    QCOMPARE(doc.findEntry(999999999999LL), doc.lineCount() - 4);
    verifyIndex(doc);
}

void TestRegisterDocument::markersInReverseOrder()
{
    // 150,000 entries stored last to first: opening and deleting look up
    // each entry once instead of scanning the markers for every number
    // (seconds each). Timed beside the same register stored in order, so
    // that a busy machine slows both alike.
    const int n = 150000;
    QStringList forward{RegisterDocument::VersionLine, QString::number(n)};
    for (int e = 1; e <= n; ++e)
        forward << RegisterDocument::markerLine(e) << header(QString::number(e)).toLines() << "0";
    QStringList l{RegisterDocument::VersionLine, QString::number(n)};
    for (int e = n; e >= 1; --e)
        l << RegisterDocument::markerLine(e) << header(QString::number(e)).toLines() << "0";
    QTemporaryDir dir;
    const QString forwardPath = writeBytes(dir, QStringLiteral("fwd.TAV"), textfile::encode(forward));
    const QString path = writeBytes(dir, QStringLiteral("rev.TAV"), textfile::encode(l));
    QElapsedTimer timer;
    qint64 forwardLoad = 0;
    qint64 forwardDelete = 0;
    {
        RegisterDocument ordered;
        timer.start();
        QCOMPARE(ordered.load(forwardPath).size(), n);
        forwardLoad = timer.elapsed();
        timer.restart();
        QCOMPARE(ordered.deleteEntries({0}, n), n - 1);
        forwardDelete = timer.elapsed();
    }
    RegisterDocument doc;
    timer.restart();
    const QList<EntryHeader> rows = doc.load(path);
    const qint64 load = timer.elapsed();
    QVERIFY2(load < 3 * forwardLoad + 300,
             qPrintable(QStringLiteral("load: %1 ms, in order %2 ms").arg(load).arg(forwardLoad)));
    QCOMPARE(rows.size(), n);
    QCOMPARE(rows.first().extension, QStringLiteral("1"));
    QCOMPARE(rows.last().extension, QString::number(n));
    timer.restart();
    QCOMPARE(doc.deleteEntries({0}, n), n - 1);
    const qint64 deletion = timer.elapsed();
    QVERIFY2(deletion < 3 * forwardDelete + 300,
             qPrintable(QStringLiteral("delete: %1 ms, in order %2 ms").arg(deletion).arg(forwardDelete)));
    QCOMPARE(doc.lineCount(), l.size() - 8);
    QCOMPARE(doc.line(2), RegisterDocument::markerLine(n - 1));
    QCOMPARE(doc.headerOfEntry(1).extension, QStringLiteral("2"));
    QCOMPARE(doc.findEntry(n), -1);
}

void TestRegisterDocument::appendAtLargestCount_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("appends");
    QTest::newRow("one below the largest") << "2147483646" << true;
    QTest::newRow("the largest") << "2147483647" << false;
}

void TestRegisterDocument::appendAtLargestCount()
{
    // A count with no room above it refuses a new entry before line 1 is
    // written; both ways of appending share that step.
    QFETCH(QString, count);
    QFETCH(bool, appends);
    QStringList l = makeRegister(1);
    l[1] = count;
    for (int way = 0; way < 2; ++way) {
        RegisterDocument doc;
        doc.setLines(l);
        auto append = [&] {
            if (way == 0)
                doc.appendEntryAsCopy(header(QStringLiteral("202")), 1);
            else
                doc.beginNewEntry(header(QStringLiteral("202")));
        };
        if (appends) {
            append();
            QCOMPARE(doc.line(1), QStringLiteral("2147483647"));
            QCOMPARE(doc.findEntry(2147483647), l.size());
        } else {
            QVERIFY_THROWS_EXCEPTION(TavrelError, append());
            QCOMPARE(doc.lines().toStringList(), l);
        }
    }
}

void TestRegisterDocument::indexMatchesScanAfterEdits()
{
    RegisterDocument doc;
    doc.setLines(makeRegister(6));
    QRandomGenerator rng(42);
    for (int step = 0; step < 400; ++step) {
        const int n = doc.lineCount();
        const int kind = rng.bounded(6);
        const int at = n ? rng.bounded(n) : 0;
        const QString marker = RegisterDocument::markerLine(1 + rng.bounded(8));
        switch (kind) {
        case 0:
            if (n)
                doc.setLine(at, marker);
            break;
        case 1:
            if (n)
                doc.setLine(at, QStringLiteral("text"));
            break;
        case 2:
            doc.insertLines(at, {QStringLiteral("a"), marker, QStringLiteral("b")});
            break;
        case 3:
            doc.removeLines(at, 1 + rng.bounded(5));
            break;
        case 4:
            doc.appendLines({marker, QStringLiteral("c")});
            break;
        case 5:
            if (doc.lineCount() > 2 && doc.findEntry(2) > 1)
                doc.deleteEntries({1}, 3);
            break;
        }
        int count;
        if (doc.lineCount() > 1 && !tryParseInt(doc.lines().toStringList().at(1), count))
            doc.setLine(1, QStringLiteral("6"));
        for (qint64 m = 0; m <= 9; ++m)
            QCOMPARE(doc.findEntry(m), doc.findEntryByScan(m));
    }
}

// tavrel-cli's save writes the lines as they are encoded: the same bytes as
// save, and on a failure part way the file stays as it was.
void TestRegisterDocument::saveLastWritesAsSave_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("failAfter"); // -1: no write failure
    QTest::addColumn<bool>("written");
    QTest::newRow("edited and inserted lines") << QStringLiteral("営業部") << qint64(-1) << true;
    QTest::newRow("a character CP932 lacks") << QStringLiteral("caf\u00e9") << qint64(-1) << false;
    QTest::newRow("disk full part way") << QStringLiteral("営業部") << qint64(1000) << false;
}

void TestRegisterDocument::saveLastWritesAsSave()
{
    QFETCH(QString, text);
    QFETCH(qint64, failAfter);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QByteArray bytes = textfile::encode(makeRegister(40, 3));
    const QString path = writeBytes(dir, QStringLiteral("a.TAV"), bytes);
    RegisterDocument doc;
    doc.load(path);
    // An edit near the end, so that a failed encoding comes after many bytes.
    doc.setLine(doc.findEntry(40) + 2, text);
    doc.insertLines(doc.findEntry(3), {QStringLiteral("挿入"), QString()});
    if (failAfter >= 0)
        textfile::failNextWriteAfter(failAfter);
    if (!written) {
        QVERIFY_THROWS_EXCEPTION(TavrelError, doc.saveLast(path));
        QCOMPARE(textfile::readBytes(path), bytes);
        return;
    }
    doc.saveLast(path);
    QCOMPARE(textfile::readBytes(path), doc.lines().encode());
    QCOMPARE(doc.line(doc.findEntry(40) + 2), text);
}

void TestRegisterDocument::saveFailureKeepsFileAndState()
{
    QTemporaryDir dir;
    const QByteArray bytes = textfile::encode(makeRegister(1));
    const QString path = writeBytes(dir, QStringLiteral("a.TAV"), bytes);
    RegisterDocument doc;
    doc.load(path);
    doc.setLine(doc.findEntry(1) + 2, QStringLiteral("営業部"));
    QVERIFY(doc.isModified());
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.save(dir.filePath(QStringLiteral("no/such/dir.TAV"))));
    QVERIFY(doc.isModified());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
}

void TestRegisterDocument::unencodableCharacterNamesEntry()
{
    QTemporaryDir dir;
    const QString path = writeBytes(dir, QStringLiteral("a.TAV"), textfile::encode(makeRegister(2)));
    RegisterDocument doc;
    doc.load(path);
    doc.setLine(doc.findEntry(2) + 3, QStringLiteral("山田 😀"));
    try {
        doc.save(path);
        QFAIL("saved a character CP932 cannot hold");
    } catch (const TavrelError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("示名条 2")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QStringLiteral("202")));
        QVERIFY(e.message().contains(QStringLiteral("😀")));
    }
    QVERIFY(doc.isModified());
    RegisterDocument again;
    again.load(path);
    QCOMPARE(again.headerOfEntry(2).userName, QStringLiteral("山田 太郎"));
}

void TestRegisterDocument::hugeLineLoadsOrFailsCleanly()
{
    QTemporaryDir dir;
    QStringList l = makeRegister(2);
    const QString huge(100 * 1024 * 1024, u'9');
    l[userLineOfFirstEntry()] = huge; // a 100 MB user name still loads
    RegisterDocument doc;
    QList<EntryHeader> rows = doc.load(writeBytes(dir, QStringLiteral("h.TAV"), textfile::encode(l)));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).userName.size(), huge.size());
    l = makeRegister(2);
    l[1] = huge; // a 100 MB count is no number
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.load(writeBytes(dir, QStringLiteral("c.TAV"), textfile::encode(l))));
    QVERIFY(doc.isEmpty());
}

void TestRegisterDocument::checkDecimalLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<int>("offset"); // from the cell's first line: 0 its key box x
    QTest::newRow("integer") << "12" << true << 0;
    QTest::newRow("fraction") << "12.25" << true << 0;
    QTest::newRow("point last") << "12." << true << 0;
    QTest::newRow("point first") << ".5" << true << 0;
    QTest::newRow("sign and blanks") << " -3.5 " << true << 0;
    QTest::newRow("point alone") << "." << false << 0;
    QTest::newRow("two points") << "1.2.3" << false << 0;
    QTest::newRow("exponent") << "1e5" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    // Long runs of digits used to take seconds before being refused; the
    // check refuses what drawing refuses: 10^9 mm or more is no length.
    QTest::newRow("200000 digits") << QString(200000, u'9') << false << 0;
    QTest::newRow("999999999.9999") << "999999999.9999" << true << 0;
    QTest::newRow("1000000000") << "1000000000" << false << 0;
    QTest::newRow("form feed before") << "\f12.5" << false << 0;
    QTest::newRow("vertical tab after") << "12.5\v" << false << 0;
    QTest::newRow("200000 digits and a letter") << QString(200000, u'9') + u'x' << false << 0;
    QTest::newRow("digits, point, digits, letter") << QString(100000, u'9') + u'.' + QString(100000, u'9') + u'x'
                                                   << false << 0;
    // The check reads lines from the file's bytes; it must answer as for
    // their text: blanks, signs, other digits, control and non-ASCII
    // characters, in a number line, an integer line and a text line.
    QTest::newRow("tab around") << "\t12.5\t" << true << 0;
    QTest::newRow("plus") << "+7" << true << 0;
    QTest::newRow("full-width digits") << QStringLiteral("１２") << false << 0;
    QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << false << 0;
    QTest::newRow("five fraction digits") << "1.00005" << true << 0;
    QTest::newRow("size") << "12" << true << 20;
    QTest::newRow("size with blanks") << " \t-12" << true << 20;
    QTest::newRow("size, blank after") << "12 " << false << 20;
    QTest::newRow("size over 32 bits") << "2147483648" << false << 20;
    QTest::newRow("size, least") << "-2147483648" << true << 20;
    QTest::newRow("size, sign alone") << "-" << false << 20;
    QTest::newRow("size, full-width") << QStringLiteral("１２") << false << 20;
    QTest::newRow("text") << QStringLiteral("内線 ｱｲｳ ~") << true << 33;
    // A control character stored in a text line is sound (check notes it).
    QTest::newRow("text, tab") << "a\tb" << true << 33;
    QTest::newRow("text, delete") << "a\x7f" << true << 33;
    QTest::newRow("text, start of heading") << QStringLiteral("漢\x01字") << true << 33;
}

void TestRegisterDocument::checkDecimalLines()
{
    QFETCH(QString, text);
    QFETCH(bool, decimal);
    QFETCH(int, offset);
    QStringList l = makeRegister(1);
    const int keyBoxX = 2 + 1 + 6 + 1 + 6; // version, count, marker, header, section count, section header
    const int at = keyBoxX + offset;
    l[at] = text;
    QElapsedTimer timer;
    timer.start();
    const QList<RegisterProblem> problems = checkRegister(l);
    QVERIFY2(timer.elapsed() < 500, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    QCOMPARE(problems.size(), decimal ? 0 : 1);
    if (!decimal)
        QCOMPARE(problems.first().line, at);
    // The same lines read from a file's bytes give the same problems.
    for (TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8Bom}) {
        const QList<RegisterProblem> fromBytes = checkRegister(RegisterLines::fromBytes(textfile::encode(l, e)));
        QCOMPARE(fromBytes.size(), problems.size());
        for (qsizetype i = 0; i < problems.size(); ++i) {
            QCOMPARE(fromBytes.at(i).line, problems.at(i).line);
            QCOMPARE(fromBytes.at(i).message, problems.at(i).message);
        }
    }
}

void TestRegisterDocument::checkCellLimitWithHugeCount()
{
    // A second section claiming 2147483647 cells after a first one with a
    // cell: the total is over the limit (it used to wrap around and pass).
    QStringList l = makeRegister(1);
    l[9] = QStringLiteral("2");
    const QStringList section{"1", "1", "5", "5", "140", "2147483647"};
    l += section;
    const int count = int(l.size()) - 1;
    const QList<RegisterProblem> problems = checkRegister(l);
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems.at(0).line, count);
    QVERIFY2(problems.at(0).message.contains(QStringLiteral("上限 100")), qPrintable(problems.at(0).message));
    QVERIFY2(problems.at(1).message.contains(QStringLiteral("ファイルの終わりを越えています")),
             qPrintable(problems.at(1).message));
}

QTEST_MAIN(TestRegisterDocument)
#include "test_registerdocument.moc"

// Every fixed line of a section header and a cell record, given values that
// some reader may refuse: the check reports a problem exactly when drawing
// the strip in either view fails.
void TestRegisterDocument::checkAcceptsWhatDrawingAccepts()
{
    const QStringList good = makeRegister(1, 1);
    const int section = 2 + 1 + 6 + 1; // version, count, marker, header, section count
    const int cell = section + 6;
    const QStringList values{QStringLiteral("abc"), QStringLiteral("0,255"), QStringLiteral("\f1"),
                             QStringLiteral("1\v"), QStringLiteral("1000000000"), QStringLiteral("-1"),
                             QStringLiteral("2.5"), QString()};
    int disagreements = 0;
    QStringList report;
    for (int line = section; line < cell + 33; ++line) {
        if (line == section + 5 || line == cell + 32)
            continue; // counts: a changed count moves every later line
        for (const QString &v : values) {
            QStringList l = good;
            l[line] = v;
            const RegisterLines lines(l);
            const bool checked = checkRegister(lines).isEmpty();
            bool drawn = true;
            try {
                strip::renderStrip(lines, 3, strip::View::Detail);
                strip::renderStrip(lines, 3, strip::View::Overview);
            } catch (const TavrelError &) {
                drawn = false;
            }
            if (checked != drawn) {
                ++disagreements;
                report << QStringLiteral("line %1 = '%2': check %3, drawing %4").arg(line - cell).arg(v).arg(checked).arg(drawn);
            }
        }
    }
    QVERIFY2(disagreements == 0, qPrintable(report.join(u'\n')));
}
