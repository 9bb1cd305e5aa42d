// Writing cell text back: lines replaced, cut to 20 characters, pictures
// removed, the cells after it still found.

#include "register/registerdocument.h"
#include "register/templates.h"
#include "strip/cellrecord.h"
#include "strip/celltext.h"
#include "strip/stripwalk.h"

#include <QTest>

class TestCellText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorLines_data();
    void editorLines();
    void writeBack();
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

QTEST_GUILESS_MAIN(TestCellText)
#include "test_celltext.moc"
