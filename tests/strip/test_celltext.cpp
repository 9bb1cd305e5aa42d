// Writing cell text back: lines replaced, cut to 20 characters, pictures
// removed, the cells after it still found.

#include "platform/textfile.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"
#include "register/templates.h"

#include <QTest>

class TestCellText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorLines_data();
    void editorLines();
    void writeBack();
    void cutKeepsPairsWhole_data();
    void cutKeepsPairsWhole();
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
    const QString c1code = doc.line(c1before + strip::cellline::KeyCode);
    doc.setLine(c0 + strip::cellline::PictureType, QStringLiteral(".jpg"));
    doc.setLine(c0 + strip::cellline::PictureData, QStringLiteral("AAAA"));

    const QStringList stored = strip::writeCellText(doc, H, 0, {QStringLiteral("営業部営業第一課販売促進グループ担当者さん"), QStringLiteral("内線")});
    QCOMPARE(stored.at(0).size(), 20);
    QCOMPARE(stored.at(0), QStringLiteral("営業部営業第一課販売促進グループ担当者さ"));
    QCOMPARE(doc.line(c0 + 32), QStringLiteral("2"));
    QCOMPARE(doc.lines().toStringList().mid(c0 + 33, 2), stored);
    QVERIFY(doc.line(c0 + 30).isEmpty());
    QVERIFY(doc.line(c0 + 31).isEmpty());
    const int c1 = strip::locateCell(doc.lines().toStringList(), H, 1);
    QCOMPARE(c1, c0 + 33 + 2);
    QCOMPARE(doc.line(c1 + strip::cellline::KeyCode), c1code);

    strip::writeCellText(doc, H, 0, {});
    QCOMPARE(doc.line(c0 + 32), QStringLiteral("0"));
    QCOMPARE(strip::locateCell(doc.lines().toStringList(), H, 1), c0 + 33);
    QCOMPARE(doc.line(c0 + 33 + strip::cellline::KeyCode), c1code);
    QVERIFY_THROWS_EXCEPTION(TavrelError, strip::writeCellText(doc, H, 1000, {QStringLiteral("x")}));
}

void TestCellText::cutKeepsPairsWhole_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("cut");
    const QString face = QStringLiteral("\U0001F600");
    QTest::newRow("short") << "FAX" << "FAX";
    QTest::newRow("exactly 20") << QString(20, u'あ') << QString(20, u'あ');
    QTest::newRow("21 cut to 20") << QString(21, u'あ') << QString(20, u'あ');
    QTest::newRow("pair across the cut dropped") << QString(19, u'a') + face << QString(19, u'a');
    QTest::newRow("pair ending at 20 kept") << QString(18, u'a') + face + "b" << QString(18, u'a') + face;
    QTest::newRow("pairs only") << face.repeated(11) << face.repeated(10);
}

void TestCellText::cutKeepsPairsWhole()
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
