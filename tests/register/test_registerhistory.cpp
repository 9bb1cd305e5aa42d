// Undo and redo of the register document's line edits: random edit mixes
// undone to the bytes opened, redone to the bytes before undoing, the marker
// index after replays, the list events, the bounds, failures part way, and
// what empties the history.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/registerhistory.h"
#include "register/registerlistmodel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A register of `entries` entries without sections, each with a few lines
// of its own after the section count.
QStringList registerText(int entries)
{
    QStringList l{RegisterDocument::VersionLine, QString::number(entries)};
    for (int n = 1; n <= entries; ++n) {
        l << RegisterDocument::markerLine(n) << QString::number(200 + n) << QStringLiteral("営業部")
          << QStringLiteral("山田%1").arg(n) << QStringLiteral("2024/04/01 09:00") << QStringLiteral("ｕＬシリーズ主装置")
          << QStringLiteral("標準") << QStringLiteral("0");
        for (int k = 0; k < 3; ++k)
            l << QStringLiteral("行%1-%2～").arg(n).arg(k);
    }
    return l;
}

QByteArray encoded(const QStringList &lines, TextEncoding enc)
{
    QByteArray out = textfile::byteOrderMark(enc);
    for (const QString &l : lines) {
        textfile::encodeLine(enc, l, out);
        out += textfile::lineEnd(enc);
    }
    return out;
}

QString randomText(QRandomGenerator &rng)
{
    static const QString pool = QStringLiteral("abcXYZ01 内線部署様～①\f");
    QString t;
    const int n = int(rng.bounded(12));
    for (int i = 0; i < n; ++i)
        t += pool.at(int(rng.bounded(pool.size())));
    // Now and then a line that reads as an entry marker.
    if (rng.bounded(8) == 0)
        t = RegisterDocument::markerLine(1 + rng.bounded(6));
    return t;
}

// One random line edit through the document's operations.
void randomEdit(RegisterDocument &doc, QRandomGenerator &rng)
{
    const int size = doc.lineCount();
    switch (rng.bounded(5)) {
    case 0:
        if (size > 0) {
            doc.setLine(int(rng.bounded(size)), randomText(rng));
            break;
        }
        [[fallthrough]];
    case 1: {
        QStringList texts;
        for (int k = int(rng.bounded(1, 5)); k > 0; --k)
            texts << randomText(rng);
        doc.insertLines(int(rng.bounded(size + 1)), texts);
        break;
    }
    case 2:
        if (size > 0)
            doc.removeLines(int(rng.bounded(size)), int(rng.bounded(1, 6)));
        break;
    case 3:
        doc.appendLines({randomText(rng), randomText(rng)});
        break;
    case 4:
        // Set a line and set it again within the same step.
        if (size > 0) {
            const int at = int(rng.bounded(size));
            doc.setLine(at, randomText(rng));
            doc.setLine(at, randomText(rng));
        }
        break;
    }
}

void checkMarkers(const RegisterDocument &doc)
{
    for (qint64 n = 1; n <= 8; ++n)
        QCOMPARE(doc.findEntry(n), doc.findEntryByScan(n));
}

RegisterDocument *openedDocument(const QByteArray &bytes)
{
    auto *doc = new RegisterDocument;
    doc->history().setEnabled(true);
    doc->loadBytes(bytes);
    return doc;
}

} // namespace

class TestRegisterHistory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomEditsUndoneAndRedone_data();
    void randomEditsUndoneAndRedone();
    void undoAfterSavingKeepsBytes();
    void listFollowsEntrySteps_data();
    void listFollowsEntrySteps();
    void deletingManyEntriesIsOneSmallStep();
    void stepBound();
    void memoryBound();
    void failurePartWayLeavesDocument();
    void emptiedByResetAndLoad();
    void namesAndNesting();
    void linesSetAgainAfterShifts_data();
    void linesSetAgainAfterShifts();
    void stepsMergeByKey_data();
    void stepsMergeByKey();
};

void TestRegisterHistory::randomEditsUndoneAndRedone_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("undecodable");
    QTest::newRow("cp932") << 1u << int(TextEncoding::Cp932) << false;
    QTest::newRow("cp932 bytes that do not read") << 2u << int(TextEncoding::Cp932) << true;
    QTest::newRow("utf-8 mark") << 3u << int(TextEncoding::Utf8Bom) << false;
    QTest::newRow("utf-16le") << 4u << int(TextEncoding::Utf16LE) << false;
    QTest::newRow("cp932 again") << 5u << int(TextEncoding::Cp932) << true;
    QTest::newRow("utf-16be") << 6u << int(TextEncoding::Utf16BE) << false;
    QTest::newRow("cp932 third") << 7u << int(TextEncoding::Cp932) << false;
}

void TestRegisterHistory::randomEditsUndoneAndRedone()
{
    QFETCH(quint32, seed);
    QFETCH(int, encoding);
    QFETCH(bool, undecodable);
    const TextEncoding enc = TextEncoding(encoding);
    QByteArray opened = encoded(registerText(5), enc);
    if (undecodable) {
        // A line of bytes that CP932 cannot read: it must come back as bytes.
        opened.append(QByteArray("\x81\x7f\xff\xa0ok\r\n", 8));
    }
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    QVERIFY(!doc->history().canUndo());

    QRandomGenerator rng(seed);
    const int steps = 60;
    for (int s = 0; s < steps; ++s) {
        RegisterStep step(*doc, QStringLiteral("手順%1").arg(s));
        for (int k = int(rng.bounded(1, 13)); k > 0; --k)
            randomEdit(*doc, rng);
    }
    QVERIFY(doc->history().count() > 0);
    const QByteArray end = doc->lines().encode();
    checkMarkers(*doc);

    // Undo all: the bytes opened, not modified.
    QList<QByteArray> undone;
    while (doc->history().canUndo()) {
        const RegisterHistory::Replay r = doc->undo();
        QVERIFY(r.done);
        undone.prepend(doc->lines().encode());
        checkMarkers(*doc);
    }
    QCOMPARE(doc->lines().encode(), opened);
    QVERIFY(!doc->isModified());
    QCOMPARE(undone.constFirst(), opened);

    // Redo all: each state again, ending where undoing began.
    int i = 1;
    while (doc->history().canRedo()) {
        QVERIFY(doc->redo().done);
        checkMarkers(*doc);
        if (i < undone.size())
            QCOMPARE(doc->lines().encode(), undone.at(i));
        ++i;
    }
    QCOMPARE(doc->lines().encode(), end);
    QVERIFY(doc->isModified() == (end != opened));

    // Half way back and a new step: redoing is no longer possible.
    for (int k = 0; k < 3 && doc->history().canUndo(); ++k)
        doc->undo();
    doc->appendLine(QStringLiteral("新しい行"));
    QVERIFY(!doc->history().canRedo());
    QCOMPARE(doc->history().undoText(), RegisterHistory::DefaultStepName);
}

void TestRegisterHistory::undoAfterSavingKeepsBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.TAV"));
    const QByteArray opened = encoded(registerText(3), TextEncoding::Cp932);
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    {
        RegisterStep step(*doc, QStringLiteral("削除"));
        doc->removeLines(3, 8); // unchanged lines go into the step as places in the bytes read
    }
    doc->setLine(2, QStringLiteral("変更"));
    const QByteArray edited = doc->lines().encode();
    doc->save(path);
    QCOMPARE(doc->history().count(), 2); // saving keeps the steps
    QVERIFY(!doc->isModified());
    doc->undo();
    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);
    QVERIFY(doc->isModified()); // against the file as saved
    doc->redo();
    doc->redo();
    QCOMPARE(doc->lines().encode(), edited);
    QVERIFY(!doc->isModified());
}

void TestRegisterHistory::listFollowsEntrySteps_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("append") << "append";
    QTest::newRow("copy") << "copy";
    QTest::newRow("delete two") << "delete";
    QTest::newRow("delete all") << "delete all";
    QTest::newRow("header") << "header";
}

void TestRegisterHistory::listFollowsEntrySteps()
{
    QFETCH(QString, command);
    std::unique_ptr<RegisterDocument> doc(openedDocument(encoded(registerText(4), TextEncoding::Cp932)));
    RegisterListModel model(*doc);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const auto rows = [&] {
        QStringList out;
        for (int r = 0; r < model.rowCount(); ++r)
            out << model.data(model.index(r, RegisterListModel::UserName)).toString()
                       + QString::number(model.entryOfRow(r));
        return out;
    };
    const QStringList before = rows();
    const QByteArray opened = doc->lines().encode();
    EntryHeader h{QStringLiteral("301"), QStringLiteral("総務"), QStringLiteral("佐藤"),
                  QStringLiteral("2024/05/01 10:00"), QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("標準")};
    if (command == "append") {
        RegisterStep step(*doc, QStringLiteral("示名条の作成"));
        const int n = doc->beginNewEntry(h);
        doc->appendLines({QStringLiteral("0")});
        doc->finishNewEntry(n);
    } else if (command == "copy") {
        doc->appendEntryAsCopy(h, 2);
    } else if (command == "delete") {
        doc->deleteEntries({3, 1}, 4);
    } else if (command == "delete all") {
        doc->deleteEntries({0, 1, 2, 3}, 4);
    } else {
        doc->updateEntryHeader(2, h);
    }
    const QStringList after = rows();
    const QByteArray changed = doc->lines().encode();
    QVERIFY(after != before);
    QCOMPARE(doc->history().count(), 1);

    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);
    QCOMPARE(rows(), before);
    QVERIFY(!doc->isModified());
    doc->redo();
    QCOMPARE(doc->lines().encode(), changed);
    QCOMPARE(rows(), after);
    doc->undo();
    QCOMPARE(rows(), before);
}

void TestRegisterHistory::deletingManyEntriesIsOneSmallStep()
{
    // Deleting renumbers every later marker once per deleted row; the step
    // keeps each marker's first text once, and the lines taken out as
    // places in the bytes read.
    const int entries = 300;
    const QByteArray opened = encoded(registerText(entries), TextEncoding::Cp932);
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    RegisterListModel model(*doc);
    QList<int> rows;
    for (int r = 0; r < entries; r += 2)
        rows << r;
    doc->deleteEntries(rows, entries);
    QCOMPARE(model.rowCount(), entries / 2);
    QCOMPARE(doc->history().count(), 1);
    const qint64 linesTaken = qint64(entries / 2) * 11;
    // Per edit a few dozen bytes, per line taken out four.
    QVERIFY2(doc->history().memoryBytes() < linesTaken * 4 + qint64(entries) * 2 * 200,
             qPrintable(QString::number(doc->history().memoryBytes())));
    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);
    QCOMPARE(model.rowCount(), entries);
    QCOMPARE(model.rowHeader(1).userName, QStringLiteral("山田2"));
    doc->redo();
    QCOMPARE(model.rowCount(), entries / 2);
    QCOMPARE(model.rowHeader(1).userName, QStringLiteral("山田4"));
    checkMarkers(*doc);
}

void TestRegisterHistory::stepBound()
{
    std::unique_ptr<RegisterDocument> doc(openedDocument(encoded(registerText(1), TextEncoding::Cp932)));
    QSignalSpy changed(&doc->history(), &RegisterHistory::changed);
    for (int s = 0; s < RegisterHistory::StepLimit + 30; ++s) {
        RegisterStep step(*doc, QStringLiteral("手順%1").arg(s));
        doc->appendLine(QString::number(s));
    }
    QCOMPARE(doc->history().count(), RegisterHistory::StepLimit);
    QCOMPARE(doc->history().undoText(), QStringLiteral("手順129"));
    QVERIFY(changed.count() >= RegisterHistory::StepLimit + 30);
    int undone = 0;
    while (doc->undo().done)
        ++undone;
    QCOMPARE(undone, RegisterHistory::StepLimit);
    // The 30 oldest steps are gone: their lines stay.
    QCOMPARE(doc->lineCount(), registerText(1).size() + 30);
    QCOMPARE(doc->line(doc->lineCount() - 1), QStringLiteral("29"));
}

void TestRegisterHistory::memoryBound()
{
    // Steps of 13 MB of new text each (inserted lines are kept as texts once
    // undone, and as places when removed, so removing them is what costs).
    std::unique_ptr<RegisterDocument> doc(openedDocument(encoded(registerText(1), TextEncoding::Cp932)));
    const QString big(2000, QChar(u'あ'));
    const int perStep = 13 << 20;
    const int lines = perStep / (2 * big.size());
    const int base = doc->lineCount();
    for (int s = 0; s < 6; ++s) {
        {
            RegisterStep step(*doc, QStringLiteral("追加%1").arg(s));
            doc->appendLines(QStringList(lines, big));
        }
        RegisterStep step(*doc, QStringLiteral("削除%1").arg(s));
        doc->removeLines(base, lines);
        QVERIFY(doc->history().memoryBytes() <= RegisterHistory::MemoryLimit);
    }
    // Each removal holds 13 MB: four of them fit under 64 MB, not six.
    QVERIFY(doc->history().count() < 12);
    QVERIFY(doc->history().memoryBytes() > RegisterHistory::MemoryLimit - 2 * perStep);
    while (doc->undo().done)
        QVERIFY(doc->history().memoryBytes() <= RegisterHistory::MemoryLimit);
    // The oldest steps that could not be kept stay done: the document ends
    // with the text of the oldest kept removal or without it.
    QVERIFY(doc->lineCount() == base || doc->lineCount() == base + lines);
}

void TestRegisterHistory::failurePartWayLeavesDocument()
{
    std::unique_ptr<RegisterDocument> doc(openedDocument(encoded(registerText(2), TextEncoding::Cp932)));
    RegisterListModel model(*doc);
    const QByteArray opened = doc->lines().encode();
    doc->setLine(3, QStringLiteral("前の手順"));
    const QByteArray afterFirst = doc->lines().encode();
    try {
        RegisterStep step(*doc, QStringLiteral("失敗"));
        doc->removeLines(4, 3);
        doc->insertLines(2, {QStringLiteral("x"), QStringLiteral("y")});
        doc->finishNewEntry(3); // a list event that must be taken back too
        doc->setLine(0, QStringLiteral("改行\nあり")); // refused: throws
        QFAIL("a line break was accepted");
    } catch (const TavrelError &) {
    }
    QCOMPARE(doc->lines().encode(), afterFirst);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(doc->history().count(), 1);
    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);

    // An inner step that fails is taken back alone; the outer step goes on.
    {
        RegisterStep outer(*doc, QStringLiteral("外"));
        doc->setLine(3, QStringLiteral("外の変更"));
        try {
            RegisterStep inner(*doc, QStringLiteral("内"));
            doc->setLine(3, QStringLiteral("内の変更"));
            doc->setLine(4, QStringLiteral("内の変更"));
            throw TavrelError(QStringLiteral("失敗"));
        } catch (const TavrelError &) {
        }
        QCOMPARE(doc->line(3), QStringLiteral("外の変更"));
        QCOMPARE(doc->line(4), registerText(2).at(4));
    }
    QCOMPARE(doc->history().undoText(), QStringLiteral("外"));
    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);
}

void TestRegisterHistory::emptiedByResetAndLoad()
{
    const QByteArray opened = encoded(registerText(2), TextEncoding::Cp932);
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    doc->setLine(2, QStringLiteral("x"));
    QVERIFY(doc->history().canUndo());
    doc->reset();
    QVERIFY(!doc->history().canUndo());

    doc->loadBytes(opened);
    doc->setLine(2, QStringLiteral("x"));
    doc->undo();
    QVERIFY(doc->history().canRedo());
    doc->loadBytes(opened);
    QVERIFY(!doc->history().canRedo() && !doc->history().canUndo());

    // A failed load empties it as well (the document is empty).
    doc->setLine(2, QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc->loadBytes(QByteArray()));
    QCOMPARE(doc->history().count(), 0);

    // A copy of a document has no steps, and its edits record nothing in the
    // original's history.
    doc->loadBytes(opened);
    doc->setLine(2, QStringLiteral("x"));
    RegisterDocument copy = *doc;
    QCOMPARE(copy.history().count(), 0);
    copy.setLine(3, QStringLiteral("y"));
    QCOMPARE(doc->history().count(), 1);

    // Switched off, nothing is recorded.
    doc->history().setEnabled(false);
    doc->setLine(2, QStringLiteral("z"));
    QVERIFY(!doc->history().canUndo());
}

void TestRegisterHistory::namesAndNesting()
{
    std::unique_ptr<RegisterDocument> doc(openedDocument(encoded(registerText(2), TextEncoding::Cp932)));
    {
        RegisterStep outer(*doc, QStringLiteral("書式の変更"));
        {
            RegisterStep inner(*doc, QStringLiteral("内側"));
            doc->setLine(3, QStringLiteral("a"));
        }
        doc->setLine(4, QStringLiteral("b"));
    }
    {
        RegisterStep nothing(*doc, QStringLiteral("何もしない"));
    }
    QCOMPARE(doc->history().count(), 1);
    QCOMPARE(doc->history().undoText(), QStringLiteral("書式の変更"));
    const RegisterHistory::Replay r = doc->undo();
    QCOMPARE(r.name, QStringLiteral("書式の変更"));
    QCOMPARE(r.firstLine(), 3);
    QCOMPARE(doc->history().redoText(), QStringLiteral("書式の変更"));
    QVERIFY(!doc->undo().done);
}

void TestRegisterHistory::linesSetAgainAfterShifts_data()
{
    // Within one step: line 10 set, lines inserted or taken out above it,
    // then the line now at some place set.
    QTest::addColumn<int>("insertAt");
    QTest::addColumn<int>("inserted");
    QTest::addColumn<int>("removeAt");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("setAgain");
    QTest::newRow("insert above, same line again") << 5 << 2 << -1 << 0 << 12;
    QTest::newRow("insert above, old place again") << 5 << 2 << -1 << 0 << 10;
    QTest::newRow("remove above, same line again") << -1 << 0 << 4 << 3 << 7;
    QTest::newRow("remove above, old place again") << -1 << 0 << 4 << 3 << 10;
    QTest::newRow("remove the line, its place again") << -1 << 0 << 9 << 3 << 9;
    QTest::newRow("insert at the line") << 10 << 1 << -1 << 0 << 10;
    QTest::newRow("insert below") << 11 << 3 << -1 << 0 << 10;
}

void TestRegisterHistory::linesSetAgainAfterShifts()
{
    QFETCH(int, insertAt);
    QFETCH(int, inserted);
    QFETCH(int, removeAt);
    QFETCH(int, removed);
    QFETCH(int, setAgain);
    const QByteArray opened = encoded(registerText(3), TextEncoding::Cp932);
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    {
        RegisterStep step(*doc, QStringLiteral("手順"));
        doc->setLine(10, QStringLiteral("一回目"));
        if (insertAt >= 0)
            doc->insertLines(insertAt, QStringList(inserted, QStringLiteral("挿入")));
        if (removeAt >= 0)
            doc->removeLines(removeAt, removed);
        doc->setLine(setAgain, QStringLiteral("二回目"));
    }
    const QByteArray changed = doc->lines().encode();
    doc->undo();
    QCOMPARE(doc->lines().encode(), opened);
    doc->redo();
    QCOMPARE(doc->lines().encode(), changed);
}

void TestRegisterHistory::stepsMergeByKey_data()
{
    // Three changes (the second inserts a line before the one it sets),
    // each made with a merge key (0: none; "u" before it: one undo first).
    // Then the steps held, and one undo leaves the lines as the first
    // `kept` changes alone made them.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("kept");
    QTest::newRow("no keys: three steps") << QStringList{"0", "0", "0"} << 3 << 2;
    QTest::newRow("one key: one step") << QStringList{"1", "1", "1"} << 1 << 0;
    QTest::newRow("run after a plain step") << QStringList{"0", "1", "1"} << 2 << 1;
    QTest::newRow("another key starts a step") << QStringList{"1", "1", "2"} << 2 << 2;
    QTest::newRow("a plain step ends the run") << QStringList{"1", "0", "1"} << 3 << 2;
    QTest::newRow("an undo ends the run") << QStringList{"1", "1", "u1"} << 1 << 0;
}

void TestRegisterHistory::stepsMergeByKey()
{
    QFETCH(QStringList, keys);
    QFETCH(int, steps);
    QFETCH(int, kept);
    const QByteArray opened = encoded(registerText(2), TextEncoding::Cp932);
    std::unique_ptr<RegisterDocument> doc(openedDocument(opened));
    std::unique_ptr<RegisterDocument> reference(openedDocument(opened));
    auto change = [](RegisterDocument &d, int i, quint64 key) {
        RegisterStep step(d, QStringLiteral("書式の変更"), key);
        if (i == 1)
            d.insertLines(4, {QStringLiteral("挿入")});
        d.setLine(3 + i, QStringLiteral("変更%1").arg(i));
    };
    for (int i = 0; i < keys.size(); ++i) {
        QString k = keys.at(i);
        if (k.startsWith(u'u')) {
            doc->undo();
            k = k.mid(1);
        }
        change(*doc, i, k.toULongLong());
        if (i < kept)
            change(*reference, i, 0);
    }
    QCOMPARE(doc->history().count(), steps);
    const QByteArray changed = doc->lines().encode();
    QVERIFY(doc->undo().done);
    QCOMPARE(doc->lines().encode(), reference->lines().encode());
    QVERIFY(doc->redo().done);
    QCOMPARE(doc->lines().encode(), changed);
}

QTEST_GUILESS_MAIN(TestRegisterHistory)
#include "test_registerhistory.moc"
