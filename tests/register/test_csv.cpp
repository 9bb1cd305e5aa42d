// CSV files: reading (quoting, line breaks, encodings told from the bytes,
// junk refused), writing, the check of every row before an import, the
// import of the sound rows and the export of the register list.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/csvfile.h"
#include "register/csvimport.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList templateCell(const QString &keyCode)
{
    return {"1", "1", "20", "6", "1", "1", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1",
            keyCode, "5", "1.5", "14", "4"};
}

QStringList makeTemplate(const QString &seriesLine, const QStringList &codes)
{
    QStringList t{seriesLine, "1", "1", "2", "3", "100", "50", QString::number(codes.size())};
    for (const QString &c : codes)
        t << templateCell(c);
    return t;
}

QByteArray cp932(const QString &text)
{
    QByteArray out;
    textfile::encodeCp932(text, out);
    return out;
}

const QDateTime Now(QDate(2025, 3, 4), QTime(5, 6));

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void parse_data();
    void parse();
    void encodings_data();
    void encodings();
    void junkRefused_data();
    void junkRefused();
    void write_data();
    void write();
    void writeReadsBack();
    void rowProblems_data();
    void rowProblems();
    void headerRowDecidesColumns();
    void importsSoundRowsOnly();
    void importIsOneUndoStep();
    void junkChangesNothing();
    void roundTrip_data();
    void roundTrip();
    void exportRefusesWhatCp932CannotHold();

private:
    RegisterDocument registerWith100();
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + u'/'; }
};

void TestCsv::initTestCase()
{
    textfile::write(m_dir.filePath(QStringLiteral("電話機Ａ.tpl")),
                    makeTemplate(series::caption(0) + series::caption(1), {"001", "002", "000 09内線 {内線番号}"}));
    textfile::write(m_dir.filePath(QStringLiteral("電話機Ｂ.tpl")),
                    makeTemplate(series::caption(0), {"001", "000 09{使用者名}"}));
}

RegisterDocument TestCsv::registerWith100()
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(),
                                       {"100", "代表", "受付", "2024/01/01 09:00", series::caption(0), "電話機Ａ"});
    return doc;
}

void TestCsv::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QStringList>>("records");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<bool>("fault");
    using R = QList<QStringList>;
    QTest::newRow("plain") << "a,b,c\r\n1,2,3\r\n" << R{{"a", "b", "c"}, {"1", "2", "3"}} << QList<int>{1, 2} << false;
    QTest::newRow("no final break") << "a,b" << R{{"a", "b"}} << QList<int>{1} << false;
    QTest::newRow("LF and CR") << "a\nb\rc\r\n" << R{{"a"}, {"b"}, {"c"}} << QList<int>{1, 2, 3} << false;
    QTest::newRow("quoted comma") << "\"a,b\",c" << R{{"a,b", "c"}} << QList<int>{1} << false;
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\",x" << R{{"say \"hi\"", "x"}} << QList<int>{1} << false;
    QTest::newRow("line break in quotes") << "\"a\r\nb\",c\r\nd\r\n" << R{{"a\nb", "c"}, {"d"}} << QList<int>{1, 3}
                                          << false;
    QTest::newRow("empty fields") << ",,\r\n" << R{{"", "", ""}} << QList<int>{1} << false;
    QTest::newRow("empty lines skipped") << "a\r\n\r\n\r\nb\r\n" << R{{"a"}, {"b"}} << QList<int>{1, 4} << false;
    QTest::newRow("empty quoted field is a record") << "\"\"\r\n" << R{{""}} << QList<int>{1} << false;
    QTest::newRow("quote inside a field") << "a\"b,c" << R{{"a\"b", "c"}} << QList<int>{1} << false;
    QTest::newRow("text after the closing quote") << "\"a\"b,c" << R{{"ab", "c"}} << QList<int>{1} << false;
    QTest::newRow("quote left open") << "x\r\na,\"b\r\nc" << R{{"x"}, {"a", "b\nc"}} << QList<int>{1, 2} << true;
    QTest::newRow("nothing") << "" << R{} << QList<int>{} << false;
}

void TestCsv::parse()
{
    QFETCH(QString, text);
    QFETCH(QList<QStringList>, records);
    QFETCH(QList<int>, lines);
    QFETCH(bool, fault);
    const QList<csv::Record> got = csv::parseText(text);
    QCOMPARE(got.size(), records.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).fields, records.at(i));
        QCOMPARE(got.at(i).line, lines.at(i));
    }
    QCOMPARE(!got.isEmpty() && !got.constLast().fault.isEmpty(), fault);
}

void TestCsv::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    const QString text = QStringLiteral("内線番号,部署～①\r\n");
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << int(csv::Encoding::Utf8Bom);
    QTest::newRow("UTF-8") << text.toUtf8() << int(csv::Encoding::Utf8);
    QTest::newRow("code page 932") << cp932(text) << int(csv::Encoding::Cp932);
    QByteArray utf16("\xFF\xFE");
    for (QChar c : text)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    QTest::newRow("UTF-16 with mark") << utf16 << int(csv::Encoding::Utf16);
}

void TestCsv::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    const csv::Table t = csv::parse(bytes);
    QCOMPARE(int(t.encoding), encoding);
    QCOMPARE(t.records.size(), 1);
    QCOMPARE(t.records.at(0).fields, (QStringList{"内線番号", "部署～①"}));
}

void TestCsv::junkRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("NUL byte") << QByteArray("201,a\0b\r\n", 9);
    QTest::newRow("neither UTF-8 nor CP932") << QByteArray("201,\x81\x20\r\n");
    QTest::newRow("undefined bytes") << QByteArray("\xFD\xFE\xFF");
    QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    QTest::newRow("picture") << png;
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator rng(13);
    for (char &c : noise)
        c = char(rng.bounded(256));
    QTest::newRow("noise") << noise;
}

void TestCsv::junkRefused()
{
    QFETCH(QByteArray, bytes);
    try {
        csv::parse(bytes);
        QFAIL("junk was read");
    } catch (const TavrelError &e) {
        QCOMPARE(e.message(), csv::NotTextMessage);
    }
}

void TestCsv::write_data()
{
    QTest::addColumn<QList<QStringList>>("records");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("quoting") << QList<QStringList>{{"a,b", "say \"hi\"", " lead", "x\ny", "", "plain"}}
                             << int(csv::Encoding::Utf8) << QByteArray("\"a,b\",\"say \"\"hi\"\"\",\" lead\",\"x\ny\",,plain\r\n");
    QTest::newRow("code page 932") << QList<QStringList>{{"内線", "～"}, {"①"}} << int(csv::Encoding::Cp932)
                                   << cp932(QStringLiteral("内線,～\r\n①\r\n"));
    QTest::newRow("UTF-8 with mark") << QList<QStringList>{{"内線"}} << int(csv::Encoding::Utf8Bom)
                                     << QByteArray("\xEF\xBB\xBF") + QStringLiteral("内線\r\n").toUtf8();
}

void TestCsv::write()
{
    QFETCH(QList<QStringList>, records);
    QFETCH(int, encoding);
    QFETCH(QByteArray, bytes);
    QCOMPARE(csv::write(records, csv::Encoding(encoding)), bytes);
}

void TestCsv::writeReadsBack()
{
    const QList<QStringList> records = {{"", "\"", "\"\"", ",", "\r\n"},
                                        {"改行\nあり", "　全角空白　", "a\"b\"c"},
                                        {"x"}};
    for (csv::Encoding e : {csv::Encoding::Cp932, csv::Encoding::Utf8Bom}) {
        const csv::Table t = csv::parse(csv::write(records, e));
        QCOMPARE(t.encoding, e);
        QCOMPARE(t.records.size(), 3);
        // A CR LF inside a field reads back as one line break.
        QCOMPARE(t.records.at(0).fields, (QStringList{"", "\"", "\"\"", ",", "\n"}));
        QCOMPARE(t.records.at(1).fields, records.at(1));
        QCOMPARE(t.records.at(2).line, 5);
    }
    QVERIFY_THROWS_EXCEPTION(EncodingError, csv::write({{"ok"}, {QStringLiteral("\U00020BB7")}}, csv::Encoding::Cp932));
}

void TestCsv::rowProblems_data()
{
    QTest::addColumn<QString>("csvText");
    QTest::addColumn<QStringList>("problems"); // one per row; "" for a sound row
    const QString uT = series::caption(7);
    QTest::newRow("sound") << "201,総務部,山田,0,電話機Ａ\r\n" << QStringList{""};
    QTest::newRow("series by caption") << "202,,,ｋシリーズ主装置,電話機Ａ" << QStringList{""};
    QTest::newRow("template of two series") << "203,,,1,電話機Ａ" << QStringList{""};
    QTest::newRow("spaces trimmed") << " 204 , 総務 ,山田 , 0 ,電話機Ａ " << QStringList{""};
    QTest::newRow("missing extension") << ",総務部,山田,0,電話機Ａ" << QStringList{"内線番号がありません"};
    QTest::newRow("blank extension") << "　,x,y,0,電話機Ａ" << QStringList{""};
    QTest::newRow("extension in the register") << "100,,,0,電話機Ａ" << QStringList{"内線番号 100 はすでに登録されています"};
    QTest::newRow("extension twice in the file")
        << "205,,,0,電話機Ａ\r\n206,,,0,電話機Ａ\r\n205,,,0,電話機Ｂ"
        << QStringList{"", "", "内線番号 205 はこのファイルの 1 行目と重複しています"};
    QTest::newRow("unknown series index") << "207,,,8,電話機Ａ" << QStringList{"主装置のシリーズ「8」はありません"};
    QTest::newRow("unknown series caption") << "207,,,Ｘシリーズ,電話機Ａ"
                                            << QStringList{"主装置のシリーズ「Ｘシリーズ」はありません"};
    QTest::newRow("no series") << "207,,,,電話機Ａ" << QStringList{"主装置のシリーズがありません"};
    QTest::newRow("unknown strip type") << "208,,,0,電話機Ｚ" << QStringList{"示名条のタイプ「電話機Ｚ」は"};
    QTest::newRow("type of another series") << "208,,,7,電話機Ａ"
                                            << QStringList{"示名条のタイプ「電話機Ａ」は" + uT + "にありません"};
    QTest::newRow("no strip type") << "208,,,0," << QStringList{"示名条のタイプがありません"};
    QTest::newRow("character CP932 cannot hold") << QStringLiteral("209,\U00020BB7野,,0,電話機Ａ")
                                                 << QStringList{"部署の文字「\U00020BB7」(U+20BB7) はシフトJISのデータベースに保存できない"};
    QTest::newRow("line break in a field") << "\"210\",\"総務\n部\",x,0,電話機Ａ" << QStringList{"2 列目に改行があります"};
    QTest::newRow("CR LF in a field") << "211,x,\"山\r\n田\",0,電話機Ａ" << QStringList{"3 列目に改行があります"};
    QTest::newRow("trailing line break") << "\"212\n\",x,y,0,電話機Ａ" << QStringList{"1 列目に改行があります"};
    QTest::newRow("tab") << "213,総\t務,x,0,電話機Ａ" << QStringList{"2 列目に制御文字 (U+0009) があります"};
    QTest::newRow("form feed") << "214\f\f\f\f\f\f\f\f\f\f,x,y,0,電話機Ａ"
                               << QStringList{"1 列目に制御文字 (U+000C) があります"};
    QTest::newRow("quote left open") << "215,\"abc" << QStringList{"引用符"};
    QTest::newRow("copy of a registered entry") << "216,,,0,電話機Ａ,100" << QStringList{""};
    QTest::newRow("copy takes the source's type") << "217,,,0,,100" << QStringList{""};
    QTest::newRow("copy of an earlier row") << "218,,,0,電話機Ｂ\r\n219,,,0,電話機Ｂ,218" << QStringList{"", ""};
    QTest::newRow("copy of a later row") << "220,,,0,電話機Ｂ,221\r\n221,,,0,電話機Ｂ"
                                         << QStringList{"複製元の内線番号 221 はありません", ""};
    QTest::newRow("copy of a refused row") << "222,,,9,電話機Ｂ\r\n223,,,0,電話機Ｂ,222"
                                           << QStringList{"主装置のシリーズ「9」はありません",
                                                          "複製元の内線番号 222 はありません"};
    QTest::newRow("copy of another type") << "224,,,0,電話機Ｂ,100"
                                          << QStringList{"複製元 100 の示名条のタイプ「電話機Ａ」が違います"};
    QTest::newRow("values past the columns refused") << "225,,,0,電話機Ａ,,x,y,z"
                                                     << QStringList{"項目が 9 個あり、列の数 (6) より多くなっています"};
    QTest::newRow("empty fields past the columns") << "225,,,0,電話機Ａ,,,," << QStringList{""};
    QTest::newRow("empty lines are no rows") << "\r\n226,,,0,電話機Ａ\r\n\r\n" << QStringList{""};
}

void TestCsv::rowProblems()
{
    QFETCH(QString, csvText);
    QFETCH(QStringList, problems);
    const RegisterDocument doc = registerWith100();
    const csvimport::Analysis a = csvimport::analyse(csvText.toUtf8(), doc, folder(), Now);
    QVERIFY(!a.headerRow);
    QCOMPARE(a.rows.size(), problems.size());
    for (qsizetype i = 0; i < problems.size(); ++i) {
        const QString &want = problems.at(i);
        const QString &got = a.rows.at(i).problem;
        if (want.isEmpty())
            QVERIFY2(got.isEmpty(), qPrintable(got));
        else
            QVERIFY2(got.contains(want), qPrintable(got));
    }
}

void TestCsv::headerRowDecidesColumns()
{
    const RegisterDocument doc = registerWith100();
    // The export's own columns, in its order, with a date.
    QString text = QStringLiteral("番号,主装置のシリーズ,示名条のタイプ,内線番号,部署,使用者名,登録日時\r\n"
                                  "9,0,電話機Ａ,301,営業部,佐藤,2020/01/02 03:04\r\n"
                                  "10,0,電話機Ａ,302,営業部,鈴木,\r\n"
                                  "11,0,電話機Ａ,303,営業部,高橋,2020/13/02 03:04\r\n");
    csvimport::Analysis a = csvimport::analyse(text.toUtf8(), doc, folder(), Now);
    QVERIFY(a.headerRow);
    QCOMPARE(a.rows.size(), 3);
    QCOMPARE(a.rows.at(0).line, 2);
    QCOMPARE(a.rows.at(0).header, (EntryHeader{"301", "営業部", "佐藤", "2020/01/02 03:04", series::caption(0), "電話機Ａ"}));
    QCOMPARE(a.rows.at(1).header.date, QStringLiteral("2025/03/04 05:06"));
    QVERIFY(a.rows.at(2).problem.contains(QStringLiteral("登録日時「2020/13/02 03:04」")));
    // Names in English and another order; a column of no use is ignored.
    text = QStringLiteral("Type, Ext ,memo,Series,User,Dept\r\n電話機Ｂ,401,x,0,山田,総務\r\n");
    a = csvimport::analyse(text.toUtf8(), doc, folder(), Now);
    QVERIFY(a.headerRow);
    QCOMPARE(a.rows.at(0).header, (EntryHeader{"401", "総務", "山田", "2025/03/04 05:06", series::caption(0), "電話機Ｂ"}));
    QVERIFY(a.rows.at(0).sound());
    // A first row that names no extension column is data.
    a = csvimport::analyse(QByteArray("部署,使用者名\r\n"), doc, folder(), Now);
    QVERIFY(!a.headerRow);
    QCOMPARE(a.rows.size(), 1);
}

void TestCsv::importsSoundRowsOnly()
{
    RegisterDocument doc = registerWith100();
    const QStringList before = doc.lines().toStringList();
    const QString text = QStringLiteral("201,総務部,山田,0,電話機Ａ\r\n"
                                        "100,重複,x,0,電話機Ａ\r\n"
                                        "202,総務部,佐藤,0,電話機Ｂ\r\n"
                                        "203,\"総務\n部\",x,0,電話機Ａ\r\n"
                                        "204,経理部,鈴木,1,電話機Ａ,201\r\n");
    const csvimport::Analysis a = csvimport::analyse(cp932(text), doc, folder(), Now);
    QCOMPARE(a.encoding, csv::Encoding::Cp932);
    QCOMPARE(a.soundCount(), 3);
    QCOMPARE(a.refusedCount(), 2);
    QCOMPARE(csvimport::importCsvRows(doc, a, folder()), (QList<int>{2, 3, 4}));
    QCOMPARE(doc.entryCount(), 4);
    QCOMPARE(doc.lines().mid(2, int(before.size()) - 2), before.mid(2)); // entry 1 as it was
    QCOMPARE(doc.headerOfEntry(2), (EntryHeader{"201", "総務部", "山田", "2025/03/04 05:06", series::caption(0), "電話機Ａ"}));
    QCOMPARE(doc.headerOfEntry(3).stripType, QStringLiteral("電話機Ｂ"));
    QCOMPARE(doc.headerOfEntry(4), (EntryHeader{"204", "経理部", "鈴木", "2025/03/04 05:06", series::caption(1), "電話機Ａ"}));
    // The plates: filled from the template, and in the copy rewritten from
    // its source's values to its own.
    const QStringList lines = doc.lines().toStringList();
    QVERIFY(lines.mid(doc.findEntry(2)).contains(QStringLiteral("内線 201")));
    QVERIFY(lines.mid(doc.findEntry(3), doc.findEntry(4) - doc.findEntry(3)).contains(QStringLiteral("佐藤")));
    QVERIFY(lines.mid(doc.findEntry(4)).contains(QStringLiteral("内線 204")));
    QVERIFY(!lines.mid(doc.findEntry(4)).contains(QStringLiteral("内線 201")));
    QVERIFY(checkRegister(doc.lines()).isEmpty());
}

void TestCsv::importIsOneUndoStep()
{
    RegisterDocument doc = registerWith100();
    doc.history().setEnabled(true);
    const QStringList before = doc.lines().toStringList();
    const QString text = QStringLiteral("201,総務部,山田,0,電話機Ａ\r\n"
                                        "202,総務部,佐藤,0,電話機Ｂ\r\n"
                                        "204,経理部,鈴木,1,電話機Ａ,201\r\n");
    const csvimport::Analysis a = csvimport::analyse(cp932(text), doc, folder(), Now);
    csvimport::importCsvRows(doc, a, folder());
    const QStringList after = doc.lines().toStringList();
    QCOMPARE(doc.history().count(), 1);
    QCOMPARE(doc.history().undoText(), QStringLiteral("CSV取込み"));
    doc.undo();
    QCOMPARE(doc.lines().toStringList(), before);
    QCOMPARE(doc.entryCount(), 1);
    doc.redo();
    QCOMPARE(doc.lines().toStringList(), after);
    QCOMPARE(doc.entryCount(), 4);
}

void TestCsv::junkChangesNothing()
{
    RegisterDocument doc = registerWith100();
    const QString path = m_dir.filePath(QStringLiteral("junk.TAV"));
    doc.save(path);
    QVERIFY_THROWS_EXCEPTION(TavrelError, csvimport::analyse(QByteArray("\x89PNG\r\n\x1A\n\0\0", 10), doc, folder(), Now));
    QVERIFY(!doc.isModified());
    // A template that went missing after the check: nothing is written.
    textfile::write(m_dir.filePath(QStringLiteral("電話機Ｃ.tpl")), makeTemplate(series::caption(0), {"001"}));
    const csvimport::Analysis a =
        csvimport::analyse(QByteArray("301,,,0,電話機Ａ\r\n302,,,0,電話機Ｃ\r\n"), doc, folder(), Now);
    QCOMPARE(a.soundCount(), 2);
    QFile::remove(m_dir.filePath(QStringLiteral("電話機Ｃ.tpl")));
    QVERIFY_THROWS_EXCEPTION(TavrelError, csvimport::importCsvRows(doc, a, folder()));
    QVERIFY(!doc.isModified());
    QCOMPARE(doc.entryCount(), 1);
}

void TestCsv::roundTrip_data()
{
    QTest::addColumn<int>("encoding");
    QTest::newRow("code page 932") << int(csv::Encoding::Cp932);
    QTest::newRow("UTF-8 with mark") << int(csv::Encoding::Utf8Bom);
}

void TestCsv::roundTrip()
{
    QFETCH(int, encoding);
    const csv::Encoding e = csv::Encoding(encoding);
    // A register with awkward values: commas, quotes, ideographic spaces at
    // the ends (which trimming keeps), ～①.
    RegisterDocument doc;
    const QStringList depts = {"総務部, 第一課", "\"引用\"部", "　全角空白　", "～①", "", "営業部"};
    for (int i = 0; i < 24; ++i)
        templates::appendEntryFromTemplate(
            doc, folder(),
            {QString::number(500 + i), depts.at(i % depts.size()), QStringLiteral("使用者%1").arg(i),
             QStringLiteral("2024/02/%1 10:%2").arg(i % 28 + 1, 2, 10, QLatin1Char('0')).arg(i, 2, 10, QLatin1Char('0')),
             series::caption(i % 2), i % 3 == 0 && i % 2 == 0 ? QStringLiteral("電話機Ｂ") : QStringLiteral("電話機Ａ")});
    const QByteArray first = csvimport::exportCsv(doc, e);
    QCOMPARE(first.startsWith("\xEF\xBB\xBF"), e == csv::Encoding::Utf8Bom);

    RegisterDocument fresh;
    const csvimport::Analysis a = csvimport::analyse(first, fresh, folder(), Now);
    QCOMPARE(a.refusedCount(), 0);
    QCOMPARE(a.soundCount(), 24);
    csvimport::importCsvRows(fresh, a, folder());
    QCOMPARE(csvimport::exportCsv(fresh, e), first);
    // The strips made from the templates are the same too.
    QCOMPARE(fresh.lines().toStringList(), doc.lines().toStringList());
    QVERIFY(checkRegister(fresh.lines()).isEmpty());
}

void TestCsv::exportRefusesWhatCp932CannotHold()
{
    RegisterDocument doc = registerWith100();
    doc.loadBytes(textfile::encode(doc.lines().toStringList(), TextEncoding::Utf8Bom));
    doc.updateEntryHeader(1, {"100", QStringLiteral("\U00020BB7野"), "受付", "2024/01/01 09:00", series::caption(0), "電話機Ａ"});
    try {
        csvimport::exportCsv(doc, csv::Encoding::Cp932);
        QFAIL("exported");
    } catch (const EncodingError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("示名条 1（内線番号 100）")), qPrintable(e.message()));
    }
    QVERIFY(csvimport::exportCsv(doc, csv::Encoding::Utf8Bom).contains(QStringLiteral("\U00020BB7野").toUtf8()));
    // In a UTF-8 register the character is no problem for an import either.
    const csvimport::Analysis a =
        csvimport::analyse(QStringLiteral("301,\U00020BB7,x,0,電話機Ａ").toUtf8(), doc, folder(), Now);
    QVERIFY(a.rows.at(0).sound());
}

QTEST_GUILESS_MAIN(TestCsv)
#include "test_csv.moc"
