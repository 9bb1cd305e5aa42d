// Writing cell text back: lines replaced, cut to 20 characters, pictures
// removed, the cells after it still found.

#include "platform/textfile.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "register/templates.h"
#include "register/textrule.h"

#include <QTest>

class TestCellText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorLines_data();
    void editorLines();
    void writeBack();
    void heldLinesKept_data();
    void heldLinesKept();
    void cutCountsCharacters_data();
    void cutCountsCharacters();
};

void TestCellText::editorLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("one with break") << "abc\n" << QStringList{"abc"};
    QTest::newRow("two") << "abc\ndef" << QStringList{"abc", "def"};
    QTest::newRow("only a break") << "\n" << QStringList{""};
    QTest::newRow("crlf") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("inner empty line") << "a\n\nb" << QStringList{"a", "", "b"};
}

void TestCellText::editorLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(strip::editorLines(text), lines);
}

void TestCellText::writeBack()
{
    RegisterDocument doc;
    EntryHeader h{"201", "", "", "2024/01/01 00:00", QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("ｕＬ－１８ボタン電話機")};
    templates::appendEntryFromTemplate(doc, QStringLiteral(TAVREL_BINARY_DIR), h);
    const int H = 3;
    const int c0 = strip::locateCell(doc.lines().toStringList(), H, 0);
    const int c1before = strip::locateCell(doc.lines().toStringList(), H, 1);
    QCOMPARE(c1before, c0 + 33 + doc.intAt(c0 + 32));
    const QString c1code = doc.line(c1before + regfmt::cell::KeyCode);
    doc.setLine(c0 + regfmt::cell::PictureType, QStringLiteral(".jpg"));
    doc.setLine(c0 + regfmt::cell::PictureData, QStringLiteral("AAAA"));

    const QStringList stored = strip::writeCellText(doc, H, 0, {QStringLiteral("営業部営業第一課販売促進グループ担当者さん"), QStringLiteral("内線")});
    QCOMPARE(stored.at(0).size(), 20);
    QCOMPARE(stored.at(0), QStringLiteral("営業部営業第一課販売促進グループ担当者さ"));
    QCOMPARE(doc.line(c0 + 32), QStringLiteral("2"));
    QCOMPARE(doc.lines().toStringList().mid(c0 + 33, 2), stored);
    QVERIFY(doc.line(c0 + 30).isEmpty());
    QVERIFY(doc.line(c0 + 31).isEmpty());
    const int c1 = strip::locateCell(doc.lines().toStringList(), H, 1);
    QCOMPARE(c1, c0 + 33 + 2);
    QCOMPARE(doc.line(c1 + regfmt::cell::KeyCode), c1code);

    strip::writeCellText(doc, H, 0, {});
    QCOMPARE(doc.line(c0 + 32), QStringLiteral("0"));
    QCOMPARE(strip::locateCell(doc.lines().toStringList(), H, 1), c0 + 33);
    QCOMPARE(doc.line(c0 + 33 + regfmt::cell::KeyCode), c1code);
    QVERIFY_THROWS_EXCEPTION(TavrelError, strip::writeCellText(doc, H, 1000, {QStringLiteral("x")}));
}

void TestCellText::heldLinesKept_data()
{
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("stored"); // empty: refused
    const QString long30 = QString(30, u'あ');
    QTest::newRow("the same lines: no change") << QStringList{long30, "a\tb"} << QStringList{long30, "a\tb"}
                                               << QStringList{long30, "a\tb"};
    QTest::newRow("a held line kept, a new one cut") << QStringList{long30} << QStringList{"x", long30, QString(25, u'y')}
                                                     << QStringList{"x", long30, QString(20, u'y')};
    QTest::newRow("a held line changed: cut") << QStringList{long30} << QStringList{long30 + "z"}
                                              << QStringList{long30.left(20)};
    QTest::newRow("a held tab in a changed line stays") << QStringList{"a\tb"} << QStringList{"a\tbc"}
                                                        << QStringList{"a\tbc"};
    QTest::newRow("a new tab refused") << QStringList{"ab"} << QStringList{"ab", "c\td"} << QStringList();
}

void TestCellText::heldLinesKept()
{
    QFETCH(QStringList, held);
    QFETCH(QStringList, written);
    QFETCH(QStringList, stored);
    RegisterDocument doc;
    EntryHeader h{"201", "", "", "2024/01/01 00:00", QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("ｕＬ－１８ボタン電話機")};
    templates::appendEntryFromTemplate(doc, QStringLiteral(TAVREL_BINARY_DIR), h);
    const int c4 = strip::locateCell(doc.lines(), 3, 4);
    doc.removeLines(c4 + 33, doc.intAt(c4 + 32));
    doc.setLine(c4 + 32, QString::number(held.size()));
    doc.insertLines(c4 + 33, held);
    doc.history().setEnabled(true);
    const QStringList before = doc.lines().toStringList();
    if (stored.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(textrule::RefusedInput, strip::writeCellText(doc, 3, 4, written));
        QCOMPARE(doc.lines().toStringList(), before);
        return;
    }
    QCOMPARE(strip::writeCellText(doc, 3, 4, written), stored);
    QCOMPARE(doc.lines().mid(c4 + 33, doc.intAt(c4 + 32)), stored);
    QCOMPARE(doc.history().canUndo(), stored != held);
}

void TestCellText::cutCountsCharacters_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("cut");
    const QString face = QStringLiteral("\U0001F600");
    QTest::newRow("short") << "FAX" << "FAX";
    QTest::newRow("exactly 20") << QString(20, u'あ') << QString(20, u'あ');
    QTest::newRow("21 cut to 20") << QString(21, u'あ') << QString(20, u'あ');
    QTest::newRow("19 letters and a pair: 20 characters") << QString(19, u'a') + face << QString(19, u'a') + face;
    QTest::newRow("pair as character 19 kept") << QString(18, u'a') + face + "b" << QString(18, u'a') + face + "b";
    QTest::newRow("pair as character 21 dropped whole") << QString(20, u'a') + face << QString(20, u'a');
    QTest::newRow("pairs only") << face.repeated(21) << face.repeated(20);
}

void TestCellText::cutCountsCharacters()
{
    QFETCH(QString, line);
    QFETCH(QString, cut);
    QCOMPARE(strip::cutTextLine(line), cut);
    RegisterDocument doc;
    EntryHeader h{"201", "", "", "2024/01/01 00:00", QStringLiteral("ｕＬシリーズ主装置"), QStringLiteral("ｕＬ－１８ボタン電話機")};
    templates::appendEntryFromTemplate(doc, QStringLiteral(TAVREL_BINARY_DIR), h);
    // A register that holds any character: Shift-JIS would refuse the pairs.
    doc.loadBytes(textfile::encode(doc.lines().toStringList(), TextEncoding::Utf8Bom));
    QCOMPARE(strip::writeCellText(doc, 3, 4, {line}), QStringList{cut});
}

QTEST_GUILESS_MAIN(TestCellText)
#include "test_celltext.moc"
