// The one rule for text entering a register, and every core door that uses
// it: cell text (paste and tavrel-cli text), key labels, CSV rows, header
// values and replacement texts. A refusal names the character or field and
// leaves the register as it was; input-method characters are stored as the
// code page's own.

#include "keylabel/applykeylabel.h"
#include "platform/textfile.h"
#include "register/celltext.h"
#include "register/csvimport.h"
#include "register/registercheck.h"
#include "register/registersearch.h"
#include "register/stripwalk.h"
#include "register/templates.h"
#include "register/textrule.h"
#include "strip/cellrenderer.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString K = QStringLiteral("Ｋシリーズ主装置");
// What input methods produce, and the code page's own characters.
const QString Typed = QStringLiteral("\u301C\u2212\u2016\u00A2\u00A3\u00AC\u2014");
const QString Stored = QStringLiteral("\uFF5E\uFF0D\u2225\uFFE0\uFFE1\uFFE2\u2015");
const QString Kichi = QStringLiteral("\U00020BB7"); // 𠮷, outside code page 932

enum Door { CellText, KeyLabelText, KeyLabelSize, KeyLabelWritten, CsvRow, Header, Replacement };

} // namespace

class TestTextRule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void doors_data();
    void doors();
    void checkReportsControlCharacters();

private:
    RegisterDocument document(TextEncoding encoding);
    QTemporaryDir m_dir;
};

void TestTextRule::initTestCase()
{
    QStringList t{K, "1", "0", "2", "3", "100", "50", "2"};
    for (const QString &code : {QStringLiteral("001"), QStringLiteral("000 09{部署}")})
        t << QStringList{"1", "1", "20", "6", "1", "1", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1",
                         code,  "5", "1.5", "14", "4"};
    textfile::write(m_dir.filePath(QStringLiteral("札.tpl")), t);
}

// One entry (201, 総務部) made from the template, in the given encoding.
RegisterDocument TestTextRule::document(TextEncoding encoding)
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, m_dir.path() + u'/',
                                       {"201", "総務部", "山田", "2024/01/02 03:04", K, QStringLiteral("札")});
    const QString path = m_dir.filePath(QStringLiteral("r.TAV"));
    textfile::write(path, doc.lines().toStringList(), encoding);
    doc.load(path);
    return doc;
}

void TestTextRule::doors_data()
{
    QTest::addColumn<int>("door");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("refusal"); // part of the message; empty: accepted
    QTest::addColumn<QString>("stored");  // what the register holds when accepted
    const QString sjis = QStringLiteral("はシフトJISのデータベースに保存できない");
    QTest::newRow("cell: tab") << int(CellText) << "\tFAX" << false << "制御文字 (U+0009)" << "";
    QTest::newRow("cell: form feed") << int(CellText) << "a\fb" << false << "制御文字 (U+000C)" << "";
    QTest::newRow("cell: U+0001") << int(CellText) << "a\x01" << false << "制御文字 (U+0001)" << "";
    QTest::newRow("cell: marker-like") << int(CellText) << RegisterDocument::markerLine(1) << false
                                       << "文字列に制御文字 (U+000C)" << "";
    QTest::newRow("cell: outside Shift-JIS") << int(CellText) << "吉" + Kichi << false << "文字「" + Kichi + "」" << "";
    QTest::newRow("cell: kana, ～ and ① fit code page 932") << int(CellText) << "ｱ～①漢" << false << "" << "ｱ～①漢";
    QTest::newRow("cell: emoji refused whole") << int(CellText) << QString::fromUtf8("ab\xF0\x9F\x98\x80") << false
                                               << QString::fromUtf8("「\xF0\x9F\x98\x80」(U+1F600)") << "";
    QTest::newRow("cell: line separator") << int(CellText) << "a\u2028b" << true << "制御文字 (U+2028)" << "";
    QTest::newRow("cell: input-method characters") << int(CellText) << Typed << false << "" << Stored;
    QTest::newRow("cell: UTF-8 register keeps them") << int(CellText) << Typed + Kichi << true << "" << Typed + Kichi;
    QTest::newRow("cell: cut to 20") << int(CellText) << QString(23, u'x') << false << "" << QString(20, u'x');
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("cell: emoji as character 20 refused, not dropped") << int(CellText) << QString(19, u'a') + emoji
                                                                    << false << "(U+1F600)" << "";
    QTest::newRow("cell: 19 letters and an emoji kept whole in UTF-8") << int(CellText) << QString(19, u'a') + emoji
                                                                     << true << "" << QString(19, u'a') + emoji;
    QTest::newRow("key label: emoji past the cut refused") << int(KeyLabelText) << QString(25, u'y') + emoji << false
                                                           << "(U+1F600)" << "";
    QTest::newRow("key label: Señor") << int(KeyLabelText) << "Señor" << false << "キーラベルの文字「ñ」" << "";
    QTest::newRow("key label: tab") << int(KeyLabelText) << "A\tB" << false << "キーラベルに制御文字 (U+0009)" << "";
    QTest::newRow("key label: mapped") << int(KeyLabelText) << Typed << false << "" << Stored;
    QTest::newRow("key label: 25 characters cut") << int(KeyLabelText) << QString(25, u'y') << false << ""
                                                  << QString(20, u'y');
    QTest::newRow("key label written: mapped") << int(KeyLabelWritten) << Typed << false << "" << Stored;
    QTest::newRow("key label: size 100000") << int(KeyLabelSize) << "100000" << false << "フォントサイズ 100000" << "";
    QTest::newRow("key label: size -3") << int(KeyLabelSize) << "-3" << false << "フォントサイズ -3" << "";
    QTest::newRow("key label: size 0") << int(KeyLabelSize) << "0" << false << "フォントサイズ 0" << "";
    QTest::newRow("key label: size 999") << int(KeyLabelSize) << "999" << false << "" << "999";
    const QString head = QStringLiteral("内線番号,部署,使用者名,シリーズ,タイプ,複製元\r\n");
    QTest::newRow("csv: 8 fields under 6 columns") << int(CsvRow) << head + "301,経理,佐藤,0,札,,余り,x" << false
                                                   << "項目が 8 個あり、列の数 (6) より多く" << "";
    QTest::newRow("csv: empty fields past the columns") << int(CsvRow) << head + "301,経理,佐藤,0,札,,," << false << ""
                                                        << "経理";
    QTest::newRow("csv: 8 fields, no column names") << int(CsvRow) << "301,経理,佐藤,0,札,,余り,x" << false
                                                    << "列の数 (6)" << "";
    QTest::newRow("csv: 40-digit extension") << int(CsvRow) << head + QString(40, u'9') + ",経理,佐藤,0,札" << false
                                             << "内線番号は 14 文字以内" << "";
    QTest::newRow("csv: user name outside Shift-JIS") << int(CsvRow) << head + "301,経理," + Kichi + "田,0,札" << false
                                                      << "使用者名の文字「" + Kichi + "」(U+20BB7) " + sjis << "";
    QTest::newRow("csv: department mapped") << int(CsvRow) << head + "301,経理" + Typed + ",佐藤,0,札" << false << ""
                                            << "経理" + Stored;
    QTest::newRow("header: 15-character extension") << int(Header) << QString(15, u'1') << false
                                                    << "内線番号は 14 文字以内" << "";
    QTest::newRow("header: 14-character extension") << int(Header) << QString(14, u'1') << false << ""
                                                    << QString(14, u'1');
    QTest::newRow("header: 13 digits and an emoji are 14 characters") << int(Header) << QString(13, u'1') + emoji
                                                                        << true << "" << QString(13, u'1') + emoji;
    QTest::newRow("header: escape") << int(Header) << "1\x1b" "2" << false << "内線番号に制御文字 (U+001B)" << "";
    QTest::newRow("replace: tab") << int(Replacement) << "経\t理" << false << "置換後の文字列に制御文字 (U+0009)" << "";
    QTest::newRow("replace: outside Shift-JIS") << int(Replacement) << Kichi << false
                                                << "置換後の文字列の文字「" + Kichi + "」" << "";
    QTest::newRow("replace: mapped") << int(Replacement) << Typed << false << "" << Stored;
}

void TestTextRule::doors()
{
    QFETCH(int, door);
    QFETCH(QString, input);
    QFETCH(bool, utf8);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    RegisterDocument doc = document(utf8 ? TextEncoding::Utf8Bom : TextEncoding::Cp932);
    const QStringList before = doc.lines().toStringList();
    const int h = doc.findEntry(1) + 1;
    const int cell0 = strip::locateCell(doc.lines(), h, 0);
    auto cellText = [&] { return strip::readTextLines(doc.lines(), cell0).join(u'\n'); };
    QString message;
    QString result;
    try {
        switch (Door(door)) {
        case CellText:
            strip::writeCellText(doc, h, 0, input.split(u'\n'));
            result = cellText();
            break;
        case KeyLabelText:
        case KeyLabelSize: {
            keylabel::KeyLabel label{QStringLiteral("ＭＳ 明朝"), 9, 0, 16777215, {QStringLiteral("内線")}};
            if (door == KeyLabelText)
                label.lines = {input};
            else
                label.fontSize = input.toInt();
            keylabel::applyKeyLabel(doc, h, {0}, label);
            result = door == KeyLabelText ? cellText() : doc.line(cell0 + 20);
            break;
        }
        case KeyLabelWritten: { // the key label dialog's 確定
            keylabel::KeyLabelSet set;
            set.SetDefaultKeyLabels(7);
            set.WriteKeyLabel(0, {QStringLiteral("ＭＳ 明朝"), 9, 0, 16777215, {input}});
            result = set.ReadKeyLabel(0).lines.join(u'\n');
            break;
        }
        case CsvRow: {
            const csvimport::Analysis a = csvimport::analyse(input.toUtf8(), doc, m_dir.path() + u'/', {});
            QCOMPARE(a.rows.size(), 1);
            message = a.rows.at(0).problem;
            result = a.rows.at(0).header.department;
            break;
        }
        case Header: {
            EntryHeader e = doc.headerOfEntry(1);
            e.extension = input;
            message = textrule::checkHeader(e, doc.encoding()).message();
            result = input;
            break;
        }
        case Replacement: {
            QString text = QStringLiteral("総務");
            message = regsearch::prepareTexts(doc, text, input);
            result = input;
            break;
        }
        }
    } catch (const textrule::RefusedInput &e) {
        message = e.message();
    }
    if (refusal.isEmpty()) {
        QCOMPARE(message, QString());
        QCOMPARE(result, stored);
    } else {
        QVERIFY2(message.contains(refusal), qPrintable(message));
        QCOMPARE(doc.lines().toStringList(), before);
    }
}

void TestTextRule::checkReportsControlCharacters()
{
    RegisterDocument doc = document(TextEncoding::Cp932);
    const int cell1 = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 1);
    QVERIFY(checkRegister(doc.lines()).isEmpty());
    doc.setLine(cell1 + 33, QStringLiteral("総務\t部"));
    // A stored tab is sound: a note, no problem.
    QList<RegisterProblem> notes;
    QCOMPARE(checkRegister(doc.lines(), &notes).size(), 0);
    QCOMPARE(notes.size(), 1);
    QCOMPARE(notes.at(0).line, cell1 + 33);
    QVERIFY2(notes.at(0).message.contains(QStringLiteral("制御文字 (U+0009)")), qPrintable(notes.at(0).message));
}

QTEST_GUILESS_MAIN(TestTextRule)
#include "test_textrule.moc"
