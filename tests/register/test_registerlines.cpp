// The compact line store: reading, every kind of edit against a plain list
// of strings, the marker index, "differs", and byte-exact saving in each
// encoding.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/registerlines.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray encodeIn(const QStringList &lines, TextEncoding e)
{
    return textfile::encode(lines, e);
}

QStringList sampleLines(int entries)
{
    QStringList l{RegisterDocument::VersionLine, QString::number(entries)};
    for (int e = 1; e <= entries; ++e) {
        l << RegisterDocument::markerLine(e) << QString::number(200 + e) << QStringLiteral("総務部")
          << QStringLiteral("山田") << QStringLiteral("2024/04/01 09:00") << QStringLiteral("ｕＴシリーズ主装置")
          << QStringLiteral("type") << QStringLiteral("0");
    }
    return l;
}

void verifyMarkers(const RegisterLines &r)
{
    for (qint64 n = 0; n <= 12; ++n)
        QCOMPARE(r.findEntry(n), r.findEntryByScan(n));
}

} // namespace

class TestRegisterLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryLineEnd_data();
    void readsEveryLineEnd();
    void editsAgainstPlainList_data();
    void editsAgainstPlainList();
    void editsAtStartMiddleEnd();
    void manyLinesAndWholeEntries();
    void lineBreaksRefused();
    void roundTripAfterEdits_data();
    void roundTripAfterEdits();
    void unchangedLinesKeepTheirBytes();
    void undecodableBytes_data();
    void undecodableBytes();
    void differsWhenChangedAndBack();
    void insertedLines_data();
    void insertedLines();
    void indexStaysCompact_data();
    void indexStaysCompact();
};

void TestRegisterLines::readsEveryLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("LF only") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
    QTest::newRow("CR only") << QByteArray("a\r\rb\r") << QStringList{"a", "", "b"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("one break") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("cp932") << QByteArray("\x93\xfa\x96\x7b\r\n") << QStringList{QStringLiteral("日本")};
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF\xE6\x97\xA5\r\nx") << QStringList{QStringLiteral("日"), "x"};
    QTest::newRow("utf-16le") << QByteArray("\xFF\xFE" "a\0\r\0\n\0\xE5\x65", 10) << QStringList{"a", QStringLiteral("日")};
    QTest::newRow("utf-16be") << QByteArray("\xFE\xFF" "\0a\0\r\0b", 8) << QStringList{"a", "b"};
    // In UTF-16 a byte 0D inside a character is no line end.
    QTest::newRow("utf-16le 0D00 unit only") << QByteArray("\xFF\xFE\x0D\x30\x0D\x00x\x00", 8)
                                             << QStringList{QString(QChar(0x300D)), "x"};
}

void TestRegisterLines::readsEveryLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const RegisterLines r = RegisterLines::fromBytes(bytes);
    QCOMPARE(r.toStringList(), lines);
    QVERIFY(!r.differsFromBase());
    QVERIFY_THROWS_EXCEPTION(TavrelError, r.line(r.size()));
    QVERIFY_THROWS_EXCEPTION(TavrelError, r.line(-1));
}

// Random edits of every kind, compared after each with the same edits on a
// QStringList: lines, markers, and whether the lines differ from the file.
void TestRegisterLines::editsAgainstPlainList_data()
{
    QTest::addColumn<QStringList>("original");
    QTest::addColumn<int>("steps");
    QTest::newRow("one block") << sampleLines(8) << 3000;
    // Many blocks of the index, some of which cannot keep their lines'
    // offsets in 16 bits (a line of 70,000 characters).
    QStringList long_ = sampleLines(60);
    for (int at : {5, 140, 141, 300})
        long_[at] = QString(70000, u'x') + QString::number(at);
    QTest::newRow("many blocks, long lines") << long_ << 1500;
}

void TestRegisterLines::editsAgainstPlainList()
{
    QFETCH(QStringList, original);
    QFETCH(int, steps);
    for (TextEncoding enc : {TextEncoding::Cp932, TextEncoding::Utf8Bom, TextEncoding::Utf16LE}) {
        RegisterLines r = RegisterLines::fromBytes(encodeIn(original, enc));
        QStringList model = original;
        QRandomGenerator rng(7);
        const QStringList texts{QStringLiteral("保留"), "", "x", RegisterDocument::markerLine(3),
                                RegisterDocument::markerLine(11), QStringLiteral("0")};
        for (int step = 0; step < steps; ++step) {
            const int kind = int(rng.bounded(4));
            const QString t = texts.at(int(rng.bounded(texts.size())));
            if (kind == 0 && !model.isEmpty()) {
                const int i = int(rng.bounded(model.size()));
                r.set(i, t);
                model[i] = t;
            } else if (kind == 1) {
                const int at = int(rng.bounded(model.size() + 1));
                const QStringList add(int(rng.bounded(rng.bounded(8) ? 3 : 150)) + 1, t);
                r.insert(at, add);
                for (int k = 0; k < add.size(); ++k)
                    model.insert(at + k, add.at(k));
            } else if (kind == 2 && !model.isEmpty()) {
                const int at = int(rng.bounded(model.size()));
                const int n = int(rng.bounded(rng.bounded(8) ? 4 : 150)) + 1;
                r.remove(at, n);
                model.remove(at, std::min<qsizetype>(n, model.size() - at));
            } else if (kind == 3) {
                // Undo back to the original now and then.
                if (rng.bounded(50) == 0) {
                    r.remove(0, r.size());
                    r.insert(0, original);
                    model = original;
                }
            }
            if (step % 97 == 0 || kind == 3) {
                QCOMPARE(r.toStringList(), model);
                verifyMarkers(r);
                QCOMPARE(r.differsFromBase(), model != original);
            }
        }
        QCOMPARE(r.toStringList(), model);
        // Saving and reading back gives the same lines.
        const QByteArray saved = r.encode();
        QCOMPARE(RegisterLines::fromBytes(saved).toStringList(), model);
        r.rebase(saved);
        QVERIFY(!r.differsFromBase());
        QCOMPARE(r.toStringList(), model);
        verifyMarkers(r);
    }
}

void TestRegisterLines::editsAtStartMiddleEnd()
{
    const QStringList original = sampleLines(3);
    RegisterLines r = RegisterLines::fromBytes(textfile::encode(original));
    QStringList model = original;
    r.insert(0, {"first"});
    model.prepend("first");
    r.set(r.size() / 2, "middle");
    model[model.size() / 2] = "middle";
    r.append("last");
    model.append("last");
    r.remove(r.size() - 2, 1);
    model.removeAt(model.size() - 2);
    QCOMPARE(r.toStringList(), model);
    QVERIFY(r.isEdited(0));
    QVERIFY(!r.isEdited(1));
    QCOMPARE(RegisterLines::fromBytes(r.encode()).toStringList(), model);
    verifyMarkers(r);
}

void TestRegisterLines::manyLinesAndWholeEntries()
{
    RegisterDocument doc;
    doc.loadBytes(textfile::encode(sampleLines(10)));
    QStringList block;
    for (int i = 0; i < 20000; ++i)
        block << QString::number(i);
    const int at = doc.findEntry(5) + 3;
    doc.insertLines(at, block);
    QCOMPARE(doc.line(at + 19999), QStringLiteral("19999"));
    QCOMPARE(doc.findEntry(6), doc.findEntryByScan(6));
    doc.removeLines(at, 20000);
    QVERIFY(!doc.isModified());
    // Deleting whole entries renumbers the rest, and the store agrees with
    // a fresh read of what it saves.
    QCOMPARE(doc.deleteEntries({1, 4, 9}, 10), 7);
    const RegisterLines reread = RegisterLines::fromBytes(doc.lines().encode());
    QCOMPARE(reread.toStringList(), doc.lines().toStringList());
    for (qint64 n = 1; n <= 7; ++n) {
        QCOMPARE(doc.findEntry(n), reread.findEntry(n));
        QVERIFY(doc.findEntry(n) > 0);
    }
    QCOMPARE(doc.findEntry(8), -1);
    QVERIFY(checkRegister(doc.lines()).isEmpty());
}

void TestRegisterLines::lineBreaksRefused()
{
    RegisterDocument doc;
    doc.loadBytes(textfile::encode(sampleLines(2)));
    const QStringList before = doc.lines().toStringList();
    for (const QString &bad : {QStringLiteral("a\nb"), QStringLiteral("a\r"), QStringLiteral("\r\n")}) {
        QVERIFY_THROWS_EXCEPTION(TavrelError, doc.setLine(3, bad));
        QVERIFY_THROWS_EXCEPTION(TavrelError, doc.insertLines(3, {"ok", bad}));
        QVERIFY_THROWS_EXCEPTION(TavrelError, doc.appendLines({"ok", bad}));
        EntryHeader h = doc.headerOfEntry(1);
        h.userName = bad;
        QVERIFY_THROWS_EXCEPTION(TavrelError, doc.updateEntryHeader(1, h));
    }
    QCOMPARE(doc.lines().toStringList(), before);
    QVERIFY(!doc.isModified());
}

void TestRegisterLines::roundTripAfterEdits_data()
{
    QTest::addColumn<int>("encoding");
    QTest::newRow("cp932") << int(TextEncoding::Cp932);
    QTest::newRow("utf-8") << int(TextEncoding::Utf8Bom);
    QTest::newRow("utf-16le") << int(TextEncoding::Utf16LE);
    QTest::newRow("utf-16be") << int(TextEncoding::Utf16BE);
}

void TestRegisterLines::roundTripAfterEdits()
{
    QFETCH(int, encoding);
    const TextEncoding enc = TextEncoding(encoding);
    QTemporaryDir dir;
    const QStringList original = sampleLines(3);
    const QString path = dir.filePath("r.TAV");
    textfile::writeBytes(path, encodeIn(original, enc));
    RegisterDocument doc;
    doc.load(path);
    QCOMPARE(doc.encoding(), enc);
    doc.setLine(4, QStringLiteral("経理部"));
    doc.insertLines(10, {QStringLiteral("追加")});
    doc.removeLines(10, 1);
    doc.save(path);
    QStringList expected = original;
    expected[4] = QStringLiteral("経理部");
    QCOMPARE(textfile::readBytes(path), encodeIn(expected, enc));
    QVERIFY(!doc.isModified());
    // Saved and read again: the same bytes once more.
    RegisterDocument again;
    again.load(path);
    again.save(path);
    QCOMPARE(textfile::readBytes(path), encodeIn(expected, enc));
}

void TestRegisterLines::unchangedLinesKeepTheirBytes()
{
    // Code page 932 has some characters twice (NEC and IBM rows); a line
    // nobody changed keeps the code it was written with, and LF-only lines
    // get CR LF.
    QByteArray bytes = textfile::encode(sampleLines(1));
    bytes += "\xED\x40\n\xFA\x4A\xEE\xF9\n";
    RegisterDocument doc;
    doc.loadBytes(bytes);
    doc.setLine(3, QStringLiteral("999"));
    QTemporaryDir dir;
    doc.save(dir.filePath("o.TAV"));
    QByteArray expected = bytes;
    expected.replace("\xED\x40\n\xFA\x4A\xEE\xF9\n", "\xED\x40\r\n\xFA\x4A\xEE\xF9\r\n");
    expected.replace("\r\n201\r\n", "\r\n999\r\n");
    QCOMPARE(textfile::readBytes(dir.filePath("o.TAV")), expected);
}

void TestRegisterLines::undecodableBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("badLine");
    QByteArray cp = textfile::encode(sampleLines(1));
    cp.insert(cp.indexOf("\r\n", cp.indexOf(QByteArray("\x91\x8D", 2))), "\x85\x40"); // 0x8540 is unassigned
    QTest::newRow("cp932") << cp << 4;
    QByteArray u8 = textfile::encode(sampleLines(1), TextEncoding::Utf8Bom);
    u8.insert(u8.indexOf("\r\n", u8.indexOf("201")), "\xC3");
    QTest::newRow("utf-8") << u8 << 3;
    // A line that starts with U+FEFF keeps it; a broken byte after it is
    // still reported (reading such a line used to crash).
    QByteArray u8mark = textfile::encode(sampleLines(1), TextEncoding::Utf8Bom);
    u8mark.insert(u8mark.indexOf("201"), "\xEF\xBB\xBF\xC3");
    QTest::newRow("utf-8, mark at line start") << u8mark << 3;
    QByteArray u16 = textfile::encode(sampleLines(1), TextEncoding::Utf16LE);
    u16.append('x'); // a lone final byte
    QTest::newRow("utf-16 odd byte") << u16 << int(sampleLines(1).size());
}

void TestRegisterLines::undecodableBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, badLine);
    RegisterDocument doc;
    doc.loadBytes(bytes);
    QVERIFY(doc.line(badLine).contains(QChar(0xFFFD)));
    // The check names the line; nothing else is wrong.
    const QList<RegisterProblem> problems = checkRegister(doc.lines());
    QVERIFY(!problems.isEmpty());
    QCOMPARE(problems.first().line, badLine);
    // Unchanged, the bytes go back as they were read (line ends CR LF).
    QTemporaryDir dir;
    const QString out = dir.filePath("o.TAV");
    doc.setLine(badLine == 3 ? 4 : 3, QStringLiteral("変更"));
    doc.save(out);
    const QByteArray saved = textfile::readBytes(out);
    RegisterDocument reread;
    reread.loadBytes(saved);
    QVERIFY(reread.lines().isUndecodable(badLine));
    // An edited line that still holds the replacement character is refused
    // and the file stays as it was.
    doc.setLine(badLine, doc.line(badLine) + QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(TavrelError, doc.save(out));
    QCOMPARE(textfile::readBytes(out), saved);
}

void TestRegisterLines::differsWhenChangedAndBack()
{
    RegisterDocument doc;
    doc.loadBytes(textfile::encode(sampleLines(2)));
    const int face = 4;
    const QString was = doc.line(face);
    doc.setLine(face, QStringLiteral("other"));
    QVERIFY(doc.isModified());
    doc.setLine(face, was);
    QVERIFY(!doc.isModified());
    // A line removed and the same text inserted again is no change either.
    doc.removeLines(face, 1);
    QVERIFY(doc.isModified());
    doc.insertLines(face, {was});
    QVERIFY(!doc.isModified());
}

// Inserted lines are kept as bytes after the file's where the encoding can
// hold them: they read back, save and reread as text; a line the encoding
// cannot hold is still refused on saving, naming its line.
void TestRegisterLines::insertedLines_data()
{
    QTest::addColumn<int>("encodingIndex");
    QTest::addColumn<bool>("finalLineEnd");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("savable");
    QTest::newRow("cp932") << int(TextEncoding::Cp932) << true << QStringLiteral("内線 ｱ 12") << true;
    QTest::newRow("cp932, file without a final line end") << int(TextEncoding::Cp932) << false << QStringLiteral("保留") << true;
    QTest::newRow("cp932, character it lacks") << int(TextEncoding::Cp932) << true << QStringLiteral("caf\u00e9") << false;
    QTest::newRow("cp932, replacement character") << int(TextEncoding::Cp932) << true << QStringLiteral("a\uFFFD") << false;
    QTest::newRow("utf-8") << int(TextEncoding::Utf8Bom) << true << QStringLiteral("caf\u00e9 😀") << true;
    QTest::newRow("utf-8, without a final line end") << int(TextEncoding::Utf8Bom) << false << QStringLiteral("x") << true;
    QTest::newRow("utf-8, replacement character") << int(TextEncoding::Utf8Bom) << true << QStringLiteral("a\uFFFD") << false;
    QTest::newRow("utf-16") << int(TextEncoding::Utf16LE) << false << QStringLiteral("x") << true;
}

void TestRegisterLines::insertedLines()
{
    QFETCH(int, encodingIndex);
    const auto encoding = TextEncoding(encodingIndex);
    QFETCH(bool, finalLineEnd);
    QFETCH(QString, text);
    QFETCH(bool, savable);
    const QStringList original = sampleLines(2);
    QByteArray bytes = textfile::encode(original, encoding);
    if (!finalLineEnd)
        bytes.chop(textfile::lineEnd(encoding).size());
    RegisterLines r = RegisterLines::fromBytes(bytes);
    QStringList model = original;
    r.insert(r.size(), {text, QStringLiteral("end")}, true);
    r.insert(3, {text}, true);
    model << text << QStringLiteral("end");
    model.insert(3, text);
    QCOMPARE(r.toStringList(), model);
    QVERIFY(r.isEdited(3));
    QVERIFY(!r.isEdited(4));
    QVERIFY(r.differsFromBase());
    if (!savable) {
        try {
            r.encode();
            QFAIL("saved a line the encoding cannot hold");
        } catch (const EncodingError &e) {
            QCOMPARE(e.line(), 3);
        }
        return;
    }
    QCOMPARE(r.encode(), textfile::encode(model, encoding));
    r.remove(3, 1);
    r.remove(r.size() - 2, 2);
    QVERIFY(!r.differsFromBase());
}

// The index keeps about two bytes a line however lines are added: at the
// end of a file read (an import), in its middle, or set one by one.
void TestRegisterLines::indexStaysCompact_data()
{
    QTest::addColumn<int>("where"); // 0 the end, 1 the middle, 2 the start
    QTest::newRow("appended") << 0;
    QTest::newRow("inserted in the middle") << 1;
    QTest::newRow("inserted at the start") << 2;
}

void TestRegisterLines::indexStaysCompact()
{
    QFETCH(int, where);
    const QStringList original = sampleLines(2000);
    RegisterLines r = RegisterLines::fromBytes(textfile::encode(original));
    const qint64 read = r.memoryBytes();
    QStringList added;
    qint64 bytesAdded = 0;
    for (int i = 0; i < 20000; ++i) {
        added << QString::number(i % 97);
        bytesAdded += added.last().size() + 2;
    }
    QStringList model = original;
    for (int k = 0; k < 20; ++k) {
        const int at = where == 0 ? r.size() : where == 1 ? r.size() / 2 : 0;
        r.insert(at, added.mid(k * 1000, 1000), true);
        for (int j = 0; j < 1000; ++j)
            model.insert(at + j, added.at(k * 1000 + j));
    }
    QCOMPARE(r.toStringList(), model);
    // The old index took four bytes a line; a block kept whole takes six.
    const qint64 indexBytes = r.memoryBytes() - read - bytesAdded;
    QVERIFY2(indexBytes < 4 * 20000, qPrintable(QString::number(indexBytes)));
}

QTEST_GUILESS_MAIN(TestRegisterLines)
#include "test_registerlines.moc"
