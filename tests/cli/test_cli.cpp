// tavrel-cli end to end: output, exit codes, and files left untouched when a
// command is refused.

#include "clirun.h"
#include "platform/registerlock.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/stripwalk.h"

#include <QCryptographicHash>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <thread>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::cliInShell;
using clitest::fileBytes;

const QString UL = QStringLiteral("ｕＬ－１８ボタン電話機");

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void newAndList();
    void refusals_data();
    void refusals();
    void copyFrom();
    void convertIsByteIdentical();
    void checkReportsLines();
    void checkOlderLayout();
    void templatesInDialogOrder();
    void usage_data();
    void usage();
    void lineValuesRefused_data();
    void lineValuesRefused();
    void headerValuesTrimmedAsTheDialogDoes();
    void inputRule_data();
    void inputRule();
    void inputMappedAndPlatesCut();
    void listShowsEntryNumbers();
    void textLinesCutWithoutSplittingPairs_data();
    void textLinesCutWithoutSplittingPairs();
    void needsNoDisplayNorRuntimeFolder_data();
    void needsNoDisplayNorRuntimeFolder();
    void damagedRegisterNotWritten_data();
    void damagedRegisterNotWritten();
    void outputNeverReplacesTheRegister();
    void lockOfAnotherProcess_data();
    void lockOfAnotherProcess();
    void inputsFromPipes_data();
    void inputsFromPipes();
    void writePastFileSizeLimit_data();
    void writePastFileSizeLimit();

private:
    QTemporaryDir m_dir;
    QString m_reg;
};

void TestCli::initTestCase()
{
    m_reg = m_dir.filePath(QStringLiteral("r.TAV"));
    Run r = cli({"new", m_reg, "--series", "3", "--type", UL, "--ext", " 201 ", "--dept", "総務部", "--user", "山田 太郎",
                 "--date", "2024/04/01 09:00"});
    QCOMPARE(r.code, 0);
    r = cli({"new", m_reg, "--series", "0", "--type", "Ｋ－１２ボタン電話機", "--ext", "202", "--date", "2024/04/02 10:00"});
    QCOMPARE(r.code, 0);
}

void TestCli::newAndList()
{
    const Run r = cli({"list", m_reg});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\tｕＬシリーズ主装置\t%1\t201\t総務部\t山田 太郎\t2024/04/01 09:00\n"
                                   "2\tＫシリーズ主装置\tＫ－１２ボタン電話機\t202\t\t\t2024/04/02 10:00\n")
                        .arg(UL));
    QCOMPARE(cli({"check", m_reg}).code, 0);
    // The entries to list, chosen as every command chooses them.
    QCOMPARE(cli({"list", m_reg, "--entries", "2"}).out, r.out.section(u'\n', 1));
    QCOMPARE(cli({"list", m_reg, "--type", UL}).out, r.out.section(u'\n', 0, 0) + u'\n');
    QCOMPARE(cli({"list", m_reg, "--entry", "3"}).code, 1);
}

void TestCli::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate extension") << QStringList{"--series", "3", "--type", UL, "--ext", "201"} << 1
                                         << "すでにこの内線番号は存在します。";
    QTest::newRow("missing template") << QStringList{"--series", "3", "--type", "ない型", "--ext", "999"} << 1
                                      << "テンプレートが存在しません。";
    QTest::newRow("bad series") << QStringList{"--series", "8", "--type", UL, "--ext", "999"} << 2 << "";
    QTest::newRow("no extension") << QStringList{"--series", "3", "--type", UL, "--ext", "  "} << 2 << "";
    QTest::newRow("copy source that is no entry") << QStringList{"--ext", "999", "--copy-from", "7"} << 1
                                                  << "複製元の示名条 7 が見つかりません。";
    QTest::newRow("malformed copy source") << QStringList{"--ext", "999", "--copy-from", "x"} << 2 << "";
    QTest::newRow("copy source with a sign") << QStringList{"--ext", "999", "--copy-from", "+1"} << 2 << "--copy-from";
    QTest::newRow("copy source 0") << QStringList{"--ext", "999", "--copy-from", "0"} << 1
                                   << "複製元の示名条 0 が見つかりません。";
    QTest::newRow("copy source past any register") << QStringList{"--ext", "999", "--copy-from", "99999999999"} << 1
                                                   << "複製元の示名条 99999999999 が見つかりません。";
    // A type of another series would make a strip the list, the print and
    // a CSV import all disagree about.
    QTest::newRow("type the series does not offer")
        << QStringList{"--series", "0", "--type", UL, "--ext", "999"} << 1
        << "示名条のタイプ「ｕＬ－１８ボタン電話機」はＫシリーズ主装置にありません。";
    QTest::newRow("copy given a series without its type")
        << QStringList{"--ext", "999", "--copy-from", "1", "--series", "0"} << 1 << "はＫシリーズ主装置にありません。";
    // Dates in any other form would not import back from an export.
    for (const char *date : {"hello", "2024/1/1 1:1", "2024/02/30 10:00", "2024/01/01 24:00", "2024/01/01 09:00:00"})
        QTest::addRow("date %s", date) << QStringList{"--series", "3", "--type", UL, "--ext", "999", "--date", date} << 2
                                       << "--date takes \"yyyy/mm/dd hh:nn\"";
}

void TestCli::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(QStringList{"new", m_reg} + args);
    QCOMPARE(r.code, code);
    if (!message.isEmpty())
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCli::copyFrom()
{
    const QString path = m_dir.filePath(QStringLiteral("copy.TAV"));
    QFile::copy(m_reg, path);
    QCOMPARE(cli({"new", path, "--ext", "203", "--copy-from", "1", "--date", "2024/05/05 05:05"}).code, 0);
    RegisterDocument doc;
    doc.load(path);
    QCOMPARE(doc.entryCount(), 3);
    QCOMPARE(doc.headerOfEntry(3).stripType, UL);
    QCOMPARE(doc.headerOfEntry(3).seriesCaption, QStringLiteral("ｕＬシリーズ主装置"));
    QStringList body1 = doc.lines().toStringList().mid(doc.findEntry(1) + 7, doc.findEntry(2) - doc.findEntry(1) - 7);
    // The copy's name plate shows its own header (no department, no user).
    QCOMPARE(body1.count(QStringLiteral("内線 201")), 1);
    body1.replace(body1.indexOf(QStringLiteral("内線 201")), QStringLiteral("内線 203"));
    body1.replace(body1.indexOf(QStringLiteral("総務部")), QString());
    body1.replace(body1.indexOf(QStringLiteral("山田 太郎")), QString());
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(3) + 7), body1);
}

void TestCli::convertIsByteIdentical()
{
    const QString out = m_dir.filePath(QStringLiteral("out.TAV"));
    QCOMPARE(cli({"convert", m_reg, out}).code, 0);
    QCOMPARE(fileBytes(out), fileBytes(m_reg));
    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");
    QCOMPARE(cli({"convert", sample, out}).code, 0);
    QCOMPARE(fileBytes(out), fileBytes(sample));
    QCOMPARE(cli({"check", sample}).code, 0);
    // Junk does not convert, and no output file appears.
    const QString junk = m_dir.filePath(QStringLiteral("junk.TAV"));
    QFile j(junk);
    QVERIFY(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(4096, '\x81'));
    j.close();
    const Run r = cli({"convert", junk, m_dir.filePath(QStringLiteral("none.TAV"))});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(RegisterDocument::FormatErrorMessage));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("none.TAV"))));
}

void TestCli::checkReportsLines()
{
    RegisterDocument doc;
    doc.load(m_reg);
    QStringList l = doc.lines().toStringList();
    const int h2 = doc.findEntry(2) + 1;
    l[h2 + 6 + 6] = QStringLiteral("x"); // cell count of entry 2's first section
    l[2 + 1 + 6 + 1 + 6 + 32] = QStringLiteral("9999"); // line 32 of entry 1's first cell
    const QString path = m_dir.filePath(QStringLiteral("bad.TAV"));
    textfile::write(path, l);
    const Run r = cli({"check", path});
    QCOMPARE(r.code, 1);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith(path + QStringLiteral(":%1: ").arg(2 + 1 + 6 + 1 + 6 + 32 + 1)), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).startsWith(path + QStringLiteral(":%1: ").arg(h2 + 13)), qPrintable(lines.at(1)));

    QStringList markers = doc.lines().toStringList();
    markers[doc.findEntry(2)] = RegisterDocument::markerLine(3);
    textfile::write(path, markers);
    const Run m = cli({"check", path});
    QCOMPARE(m.code, 1);
    QVERIFY2(m.out.startsWith(path + QStringLiteral(":%1: ").arg(doc.findEntry(2) + 1)), qPrintable(m.out));
}

void TestCli::checkOlderLayout()
{
    // One entry, one section, one cell of the older layout with a bad line
    // 24 (alignment): its line number is that of the converted register.
    QStringList old{"1", RegisterDocument::markerLine(1), "201", "", "", "2024/01/01 00:00", "ｕＬシリーズ主装置", UL,
                    "1", "1", "0", "0", "100", "50", "1"};
    QStringList cell{"0", "0", "20", "6", "0", "0", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1", "001",
                     "1", "1", "18", "4", "ＭＳ 明朝", "9", "0", "0", "0", "centre", "1", "保留"};
    const QString path = m_dir.filePath(QStringLiteral("old.TAV"));
    textfile::write(path, old + cell);
    const Run r = cli({"check", path});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.startsWith(path + QStringLiteral(":%1: ").arg(1 + 15 + 24 + 1)), qPrintable(r.out));
    cell[24] = QStringLiteral("2");
    textfile::write(path, old + cell);
    QCOMPARE(cli({"check", path}).code, 0);
    QCOMPARE(cli({"list", path}).out.count(u'\n'), 1);
}

void TestCli::templatesInDialogOrder()
{
    const Run r = cli({"templates", "--series", "3"});
    QCOMPARE(r.code, 0);
    const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(rows.size() >= 2);
    QStringList types;
    for (const QString &row : rows) {
        const QStringList cols = row.split(u'\t');
        QCOMPARE(cols.size(), 3);
        QCOMPARE(cols.at(0), QStringLiteral("3"));
        QCOMPARE(cols.at(1), QStringLiteral("ｕＬシリーズ主装置"));
        types << cols.at(2);
    }
    QVERIFY(types.contains(UL));
    const Run all = cli({"templates"});
    QVERIFY(all.out.count(u'\n') >= 16);
    for (int s = 0; s < 8; ++s)
        QVERIFY(all.out.contains(QStringLiteral("\n%1\t").arg(s)) || all.out.startsWith(QStringLiteral("%1\t").arg(s)));
}

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList{} << 2 << "";
    QTest::newRow("unknown") << QStringList{"frobnicate"} << 2 << "unknown command 'frobnicate'";
    QTest::newRow("list without file") << QStringList{"list"} << 2 << "";
    QTest::newRow("option without value") << QStringList{"templates", "--series"} << 2 << "--series needs a value";
    QTest::newRow("missing file") << QStringList{"list", "/nonexistent/x.TAV"} << 1 << "";
    QTest::newRow("templates folder without value") << QStringList{"--templates-dir"} << 2
                                                    << "--templates-dir needs a value";
    QTest::newRow("templates folder that does not exist") << QStringList{"--templates-dir", "/nonexistent/tpl", "templates"}
                                                          << 2 << "/nonexistent/tpl is no folder";
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!r.err.isEmpty());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    // Asked for, the usage goes to standard output.
    const Run help = cli({"--help"});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("usage: tavrel-cli")));
    QCOMPARE(help.err, QString());
}

void TestCli::lineValuesRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString marker = RegisterDocument::markerLine(2);
    const QStringList text{"text", "--entry", "1", "--cell", "5"};
    QTest::newRow("text: line feed") << text + QStringList{"上\n下"} << "LINE 1: a register line cannot hold a line break (U+000A)";
    QTest::newRow("text: carriage return") << text + QStringList{"ok", "a\rb"} << "LINE 2: a register line cannot hold a line break (U+000D)";
    QTest::newRow("text: marker line") << text + QStringList{marker} << "LINE 1: the value is an entry marker line";
    QTest::newRow("text: control character") << text + QStringList{"a\x01" "b"} << "the control character U+0001";
    QTest::newRow("text: tab") << text + QStringList{"\tFAX"} << "the control character U+0009";
    const QStringList add{"new", "--series", "3", "--type", UL, "--ext", "990"};
    QTest::newRow("new: department") << add + QStringList{"--dept", "総務\n部"} << "--dept: a register line cannot hold a line break";
    QTest::newRow("new: user") << add + QStringList{"--user", "山田\r\n太郎"} << "--user: a register line cannot hold a line break";
    QTest::newRow("new: date") << add + QStringList{"--date", "2024/01/01\n00:00"} << "--date: a register line cannot hold";
    QTest::newRow("new: date marker") << add + QStringList{"--date", marker} << "--date: the value is an entry marker line";
    QTest::newRow("new: control inside the extension")
        << QStringList{"new", "--series", "3", "--type", UL, "--ext", " 99\x1b" "9 "} << "--ext: a register line cannot hold the control character U+001B";
    QTest::newRow("new: copied entry's type")
        << QStringList{"new", "--ext", "991", "--copy-from", "1", "--type", "Ａ\nＢ"} << "--type: a register line cannot hold a line break";
}

void TestCli::lineValuesRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QByteArray before = fileBytes(m_reg);
    args.insert(1, m_reg);
    const Run r = cli(args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCli::headerValuesTrimmedAsTheDialogDoes()
{
    const QString path = m_dir.filePath(QStringLiteral("trim.TAV"));
    QFile::copy(m_reg, path);
    // Control characters at the ends go, as the dialog's trimming removes
    // them; an ideographic space stays.
    QCOMPARE(cli({"new", path, "--series", "3", "--type", UL, "--ext", "\t\u3000203\n", "--dept", "\x01営業部\x1f",
                  "--user", RegisterDocument::markerLine(5)})
                 .code,
             0);
    RegisterDocument doc;
    doc.load(path);
    QCOMPARE(doc.headerOfEntry(3).extension, QStringLiteral("\u3000203"));
    QCOMPARE(doc.headerOfEntry(3).department, QStringLiteral("営業部"));
    QCOMPARE(doc.headerOfEntry(3).userName, QStringLiteral("5"));
    QCOMPARE(cli({"check", path}).code, 0);
}

void TestCli::inputRule_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const QString kichi = QStringLiteral("\U00020BB7");
    const QStringList add{"new", "--series", "3", "--type", UL};
    QTest::newRow("new: 40-digit extension") << add + QStringList{"--ext", QString(40, u'9')} << 1
                                             << "内線番号は 14 文字以内で入力してください（40 文字あります）。";
    QTest::newRow("new: user outside Shift-JIS") << add + QStringList{"--ext", "990", "--user", kichi + "田"} << 1
                                                 << "使用者名の文字「" + kichi + "」(U+20BB7)";
    QTest::newRow("new: department of 33") << add + QStringList{"--ext", "990", "--dept", QString(33, u'D')} << 1
                                           << "部署は 32 文字以内";
    QTest::newRow("text: outside Shift-JIS") << QStringList{"text", "--entry", "1", "--cell", "5", "--", "a" + kichi} << 1
                                             << "文字「" + kichi + "」";
    QTest::newRow("format: size 100000") << QStringList{"format", "--entry", "1", "--cell", "5", "--size", "100000"} << 2
                                         << "--size takes a whole number of points from 1 to 999";
    QTest::newRow("format: face outside Shift-JIS") << QStringList{"format", "--entry", "1", "--cell", "5", "--font", "Señor"}
                                                    << 1 << "フォント名の文字「ñ」";
    QTest::newRow("format: face with a tab") << QStringList{"format", "--entry", "1", "--cell", "5", "--font", "A\tB"}
                                             << 2 << "--font takes a face name on one line";
    // Entry and cell numbers: ASCII digits only; a number that names nothing,
    // however large, is bad data.
    QTest::newRow("text: entry with a sign") << QStringList{"text", "--entry", "+1", "--cell", "5", "x"} << 2 << "--entry";
    QTest::newRow("text: cell with a space") << QStringList{"text", "--entry", "1", "--cell", " 5", "x"} << 2 << "--cell";
    QTest::newRow("render: entry with a space") << QStringList{"render", "--entry", " 1", "-o", "/dev/null"} << 2 << "--entry";
    QTest::newRow("format: entry with a sign") << QStringList{"format", "--entry", "+1", "--cell", "5", "--bold", "1"} << 2
                                               << "--entry";
    QTest::newRow("text: entry past any register") << QStringList{"text", "--entry", "99999999999", "--cell", "5", "x"}
                                                   << 1 << "エントリ 99999999999 がありません。";
    QTest::newRow("text: cell past any strip") << QStringList{"text", "--entry", "1", "--cell", "99999999999", "x"} << 1
                                               << "セル 99999999999 はこのエントリにありません。";
    QTest::newRow("format: entry 0") << QStringList{"format", "--entry", "0", "--cell", "5", "--bold", "1"} << 1
                                     << "エントリ 0 がありません。";
    QTest::newRow("format: range past the last entry")
        << QStringList{"format", "--entries", "1-2000000", "--cell", "5", "--bold", "1"} << 1 << "エントリ 3 がありません。";
    QTest::newRow("format: cell past any strip")
        << QStringList{"format", "--entry", "1", "--cells", "0,99999999999", "--bold", "1"} << 1 << "セル 99999999999";
    QTest::newRow("print: entry past any register") << QStringList{"print", "-o", "/dev/null", "--entries", "2,99999999999"}
                                                    << 1 << "エントリ 99999999999 がありません。";
    QTest::newRow("render: empty -o") << QStringList{"render", "--entry", "1", "-o", ""} << 2 << "-o needs a file name";
    QTest::newRow("print: empty -o") << QStringList{"print", "-o", ""} << 2 << "-o needs a file name";
    QTest::newRow("replace: tab") << QStringList{"replace", "総務部", "経\t理"} << 1 << "置換後の文字列に制御文字 (U+0009)";
    QTest::newRow("replace: outside Shift-JIS") << QStringList{"replace", "総務部", kichi} << 1
                                                << "置換後の文字列の文字「" + kichi + "」";
}

void TestCli::inputRule()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray before = fileBytes(m_reg);
    args.insert(1, m_reg);
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCli::inputMappedAndPlatesCut()
{
    const QString path = m_dir.filePath(QStringLiteral("mapped.TAV"));
    QFile::copy(m_reg, path);
    const QString typed = QStringLiteral("\u301C\u2212\u2016\u00A2\u00A3\u00AC\u2014");
    const QString stored = QStringLiteral("\uFF5E\uFF0D\u2225\uFFE0\uFFE1\uFFE2\u2015");
    const QString dept = QStringLiteral("Information Systems Dep"); // 23 characters
    const Run added = cli({"new", path, "--series", "3", "--type", UL, "--ext", "3" + typed, "--dept", dept});
    QCOMPARE(added.code, 0);
    QCOMPARE(added.out, "3\t3" + stored + "\n"); // the new entry's number and extension, as stored
    QCOMPARE(cli({"text", path, "--entry", "1", "--cell", "5", typed}).code, 0);
    RegisterDocument doc;
    doc.load(path);
    QCOMPARE(doc.headerOfEntry(3).extension, "3" + stored);
    // The plate holds the department cut to 20, the header all of it.
    const QStringList lines = doc.lines().toStringList().mid(doc.findEntry(3));
    QCOMPARE(lines.count(dept), 1);
    QCOMPARE(lines.count(dept.left(20)), 1);
    // Searching with what the input method typed finds the stored text.
    const Run found = cli({"find", path, typed});
    QCOMPARE(found.code, 0);
    QVERIFY2(found.out.startsWith(QStringLiteral("1\t5\t1\t201\t") + stored), qPrintable(found.out));
}

void TestCli::listShowsEntryNumbers()
{
    // Three entries, the marker of entry 2 damaged: the list shows entries 1
    // and 3, and the numbers it shows are the ones the other commands take.
    const QString path = m_dir.filePath(QStringLiteral("gap.TAV"));
    QFile::copy(m_reg, path);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(cli({"new", path, "--series", "0", "--type", "Ｋ－１２ボタン電話機", "--ext", "203"}).code, 0);
    RegisterDocument doc;
    doc.load(path);
    QStringList l = doc.lines().toStringList();
    l[doc.findEntry(2)] = QStringLiteral("2");
    textfile::write(path, l);
    const Run r = cli({"list", path});
    QCOMPARE(r.code, 0);
    const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows.at(0).startsWith(QStringLiteral("1\t")), qPrintable(rows.at(0)));
    QVERIFY2(rows.at(1).startsWith(QStringLiteral("3\t")) && rows.at(1).contains(QStringLiteral("\t203\t")),
             qPrintable(rows.at(1)));
    QCOMPARE(cli({"render", path, "--entry", "3", "-o", m_dir.filePath(QStringLiteral("gap.png"))}).code, 0);
    QCOMPARE(cli({"render", path, "--entry", "2", "-o", m_dir.filePath(QStringLiteral("gap.png"))}).code, 1);
    // --copy-from takes the entry number too: entry 2 is not listed, entry 3
    // is found. The copy is not written, though: a register check refuses
    // is never written over.
    Run copy = cli({"new", path, "--ext", "204", "--copy-from", "2"});
    QCOMPARE(copy.code, 1);
    QVERIFY2(copy.err.contains(QStringLiteral("複製元の示名条 2 が見つかりません。")), qPrintable(copy.err));
    copy = cli({"new", path, "--ext", "204", "--copy-from", "3"});
    QCOMPARE(copy.code, 1);
    QVERIFY2(copy.err.contains(QStringLiteral("に書き込みませんでした。")), qPrintable(copy.err));
}

void TestCli::textLinesCutWithoutSplittingPairs_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("stored");
    const QString face = QStringLiteral("\U0001F600");
    const QString a18(18, u'a'), a19(19, u'a');
    QTest::newRow("utf-8: pair at 20 and 21 dropped whole") << true << a19 + face << 0 << a19;
    QTest::newRow("utf-8: pair at 19 and 20 kept") << true << a18 + face + "b" << 0 << a18 + face;
    QTest::newRow("utf-8: twenty units cut plainly") << true << QString(25, u'x') << 0 << QString(20, u'x');
    QTest::newRow("cp932: pair at 20 and 21 dropped, no error") << false << a19 + face << 0 << a19;
    QTest::newRow("cp932: a kept pair is named on refusal") << false << a18 + face << 1 << "U+1F600";
}

void TestCli::textLinesCutWithoutSplittingPairs()
{
    QFETCH(bool, utf8);
    QFETCH(QString, line);
    QFETCH(int, code);
    QFETCH(QString, stored);
    const QString path = m_dir.filePath(QStringLiteral("cut.TAV"));
    QFile::remove(path);
    RegisterDocument doc;
    doc.load(m_reg);
    textfile::write(path, doc.lines().toStringList(), utf8 ? TextEncoding::Utf8Bom : TextEncoding::Cp932);
    const QByteArray before = fileBytes(path);
    const Run r = cli({"text", path, "--entry", "1", "--cell", "5", "--", line});
    QCOMPARE(r.code, code);
    if (code != 0) {
        QVERIFY2(r.err.contains(stored) && !r.err.contains(QStringLiteral("FFFD")), qPrintable(r.err));
        QCOMPARE(fileBytes(path), before);
        return;
    }
    QCOMPARE(r.out, "1\t5\t" + stored + "\n"); // the change, as stored
    doc.load(path);
    const int cell5 = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 5);
    QCOMPARE(doc.line(cell5 + 32), QStringLiteral("1"));
    QCOMPARE(doc.line(cell5 + 33), stored);
}

void TestCli::needsNoDisplayNorRuntimeFolder_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("list") << QStringList{"list"};
    QTest::newRow("check") << QStringList{"check"};
    QTest::newRow("render") << QStringList{"render", "--entry", "1", "-o", "PNG"};
    QTest::newRow("text") << QStringList{"text", "--entry", "1", "--cell", "5", "FAX"};
}

void TestCli::needsNoDisplayNorRuntimeFolder()
{
    QFETCH(QStringList, args);
    // A display that is gone and no runtime folder, as after a closed X
    // session, from cron or over ssh: every command works in silence.
    const QString path = m_dir.filePath(QStringLiteral("quiet.TAV"));
    QFile::remove(path);
    QFile::copy(m_reg, path);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    args.insert(1, path);
    const qsizetype png = args.indexOf(QStringLiteral("PNG"));
    if (png >= 0)
        args[png] = m_dir.filePath(QStringLiteral("quiet.png"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    const Run r = cli(args, env);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    if (png >= 0)
        QVERIFY(QImage(args.at(png)).width() > 100);
}

QTEST_GUILESS_MAIN(TestCli)
void TestCli::outputNeverReplacesTheRegister()
{
    const QString path = m_dir.filePath(QStringLiteral("self.TAV"));
    QFile::remove(path);
    QVERIFY(QFile::copy(m_reg, path));
    const QByteArray before = fileBytes(path);
    // The same file under another spelling is the same file.
    const QString other = m_dir.path() + QStringLiteral("/./self.TAV");
    const QList<QStringList> commands{{"print", path, "-o", other},
                                      {"print-list", path, "-o", path},
                                      {"render", path, "--entry", "1", "-o", other},
                                      {"export", path, "-o", path, "--force"},
                                      // Another register is no place for a PDF either.
                                      {"print", path, "-o", m_reg}};
    for (const QStringList &args : commands) {
        const Run r = cli(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("は示名条データのファイルです。")), qPrintable(r.err));
        QCOMPARE(fileBytes(path), before);
    }
    // A file that only ends in .TAV is no register.
    const QString notRegister = m_dir.filePath(QStringLiteral("pictures.TAV"));
    QFile f(notRegister);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("not a register\r\n");
    f.close();
    QCOMPARE(cli({"print-list", path, "-o", notRegister}).code, 0);
}

void TestCli::inputsFromPipes_data()
{
    QTest::addColumn<QString>("input"); // FIFO: a FIFO a thread writes the register into
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("FIFO") << "FIFO" << 0 << QString();
    QTest::newRow("/dev/stdin") << "/dev/stdin" << 0 << QString();
    QTest::newRow("folder") << "DIR" << 1 << "フォルダです。";
    QTest::newRow("device") << "/dev/zero" << 1 << "ファイルではありません。";
}

void TestCli::inputsFromPipes()
{
    QFETCH(QString, input);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray bytes = fileBytes(m_reg);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    std::thread writer;
    if (input == QLatin1String("FIFO")) {
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        writer = std::thread([&] {
            QFile f(fifo);
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
        });
        input = fifo;
    } else if (input == QLatin1String("DIR")) {
        input = dir.path();
    }
    const Run r = cliInShell(QString(), {"list", input}, bytes);
    if (writer.joinable()) {
        if (r.code != 0) { // the program never opened it: end the writer's wait
            QFile f(fifo);
            f.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        }
        writer.join();
    }
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (code == 0)
        QCOMPARE(r.out, cli({"list", m_reg}).out);
}

void TestCli::writePastFileSizeLimit_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("text, a small register") << QStringList{"text", "SMALL", "--entry", "1", "--cell", "5", "満"};
    QTest::newRow("text") << QStringList{"text", "REG", "--entry", "1", "--cell", "5", "満"};
    QTest::newRow("new") << QStringList{"new", "REG", "--series", "0", "--type", "Ｋ－１２ボタン電話機", "--ext", "299"};
    QTest::newRow("convert") << QStringList{"convert", "SMALL", "REG"};
}

void TestCli::writePastFileSizeLimit()
{
    // bash's ulimit -f counts kilobytes: 2 KB is under both registers and
    // under the buffers of the write, where a late failure was once lost.
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const QString reg = dir.filePath(QStringLiteral("r.TAV")), small = dir.filePath(QStringLiteral("small.TAV"));
    QVERIFY(QFile::copy(m_reg, reg));
    const QByteArray before = fileBytes(reg);
    QCOMPARE(cli({"new", small, "--series", "0", "--type", "Ｋ－１２ボタン電話機", "--ext", "202"}).code, 0);
    const QByteArray smallBefore = fileBytes(small); // 3.4 KB
    args.replaceInStrings(QStringLiteral("SMALL"), small).replaceInStrings(QStringLiteral("REG"), reg);
    const Run r = cliInShell(QStringLiteral("ulimit -f 2;"), args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("File too large")), qPrintable(r.err));
    QCOMPARE(fileBytes(reg), before);
    QCOMPARE(fileBytes(small), smallBefore);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestCli::damagedRegisterNotWritten_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output"); // a file the command would write, or empty
    // Most commands open the register as the window does; replace reads it
    // as strictly as check and refuses it on opening.
    const QString notWritten = QStringLiteral("に書き込みませんでした。登録内容に誤りがあります");
    QTest::addColumn<QString>("message");
    QTest::newRow("new") << QStringList{"new", "--series", "3", "--type", UL, "--ext", "990"} << QString() << notWritten;
    QTest::newRow("text") << QStringList{"text", "--entry", "1", "--cell", "0", "代表"} << QString() << notWritten;
    QTest::newRow("format") << QStringList{"format", "--entry", "1", "--cells", "0-3", "--size", "12"} << QString() << notWritten;
    QTest::newRow("replace") << QStringList{"replace", "総務部", "経理部"} << QString() << RegisterDocument::FormatErrorMessage;
    QTest::newRow("replace, dry run") << QStringList{"replace", "総務部", "経理部", "--dry-run"} << QString()
                                      << RegisterDocument::FormatErrorMessage;
    QTest::newRow("import") << QStringList{"import", "@CSV"} << QString() << notWritten;
    QTest::newRow("import, dry run") << QStringList{"import", "@CSV", "--dry-run"} << QString() << notWritten;
    QTest::newRow("convert") << QStringList{"convert", "@OUT"} << QStringLiteral("out.TAV") << notWritten;
}

void TestCli::damagedRegisterNotWritten()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(QString, message);
    // The register cut short in its second entry, as a copy broken off
    // part way leaves it: it opens, but check refuses it.
    const QString path = m_dir.filePath(QStringLiteral("cut.TAV"));
    const QByteArray whole = fileBytes(m_reg);
    const QByteArray cut = whole.left(whole.size() * 4 / 5);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(cut);
    }
    QCOMPARE(cli({"list", path}).code, 0);
    QCOMPARE(cli({"check", path}).code, 1);
    const QString csv = m_dir.filePath(QStringLiteral("one.csv"));
    {
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("995,総務部,佐藤,3,%1\r\n").arg(UL).toUtf8());
    }
    const QString out = m_dir.filePath(QStringLiteral("out.TAV"));
    QFile::remove(out);
    args.replaceInStrings(QStringLiteral("@CSV"), csv);
    args.replaceInStrings(QStringLiteral("@OUT"), out);
    args.insert(1, path);
    const Run r = cli(args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(path), cut);
    if (!output.isEmpty())
        QVERIFY(!QFile::exists(out));
}

void TestCli::lockOfAnotherProcess_data()
{
    // The lock file's holder, and whether a writing command leaves the
    // register alone without --force.
    QTest::addColumn<QString>("host");    // "" this host
    QTest::addColumn<int>("pid");         // 0: this test's own process (alive), -1: a process that is gone
    QTest::addColumn<int>("ageHours");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("command");
    const QStringList text{"text", "--entry", "1", "--cell", "3", "代表"};
    const QStringList format{"format", "--entry", "2", "--cells", "0-3", "--size", "12"};
    QTest::newRow("live, this host: text") << "" << 0 << 0 << true << text;
    QTest::newRow("live, this host: format") << "" << 0 << 0 << true << format;
    QTest::newRow("live, another host") << "elsewhere" << 4242 << 2 << true << text;
    QTest::newRow("live, this host: keylabels")
        << "" << 0 << 0 << true << QStringList{"keylabels", "--key", "1", "--entry", "1", "--cell", "3", "--defaults"};
    QTest::newRow("live, this host: --force as a face name")
        << "" << 0 << 0 << true << QStringList{"format", "--entry", "2", "--cells", "0-3", "--font", "--force"};
    QTest::newRow("gone: taken over") << "" << -1 << 0 << false << text;
    QTest::newRow("another host, over a day old") << "elsewhere" << 4242 << 30 << false << format;
    QTest::newRow("garbage: stale") << "garbage" << 0 << 0 << false << text;
}

void TestCli::lockOfAnotherProcess()
{
    QFETCH(QString, host);
    QFETCH(int, pid);
    QFETCH(int, ageHours);
    QFETCH(bool, refused);
    QFETCH(QStringList, command);
    const QString path = m_dir.filePath(QStringLiteral("locked.TAV"));
    QFile::remove(path);
    QVERIFY(QFile::copy(m_reg, path));
    qint64 holder = pid == 0 ? QCoreApplication::applicationPid() : pid;
    if (pid < 0) {
        // A process that has ended: its id names no process now.
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        holder = gone.processId();
        QVERIFY(gone.waitForFinished());
    }
    const QString lockPath = RegisterLock::lockPath(path);
    const QByteArray lock = host == QLatin1String("garbage")
                                ? QByteArray("\x01\x02 not a lock\n")
                                : (QStringLiteral("someone\n%1\n%2\n%3\n")
                                       .arg(host.isEmpty() ? QSysInfo::machineHostName() : host)
                                       .arg(holder)
                                       .arg(QDateTime::currentDateTimeUtc().addSecs(-3600 * ageHours).toString(Qt::ISODate)))
                                      .toUtf8();
    {
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lock);
    }
    const QByteArray before = fileBytes(path);
    command.insert(1, path);
    Run r = cli(command);
    QCOMPARE(r.code, refused ? 1 : 0);
    if (refused) {
        QCOMPARE(fileBytes(path), before);
        QVERIFY2(r.err.contains(QStringLiteral("someone")) && r.err.contains(QStringLiteral("--force")), qPrintable(r.err));
        // --force writes, and the holder keeps its lock.
        command.append(QStringLiteral("--force"));
        r = cli(command);
        QCOMPARE(r.code, 0);
        QVERIFY(fileBytes(path) != before);
        QCOMPARE(fileBytes(lockPath), lock);
    } else {
        QVERIFY(fileBytes(path) != before);
        QVERIFY(!QFile::exists(lockPath)); // taken over for the write, then removed
    }
    QCOMPARE(cli({"check", path}).code, 0);
    QFile::remove(lockPath);
}

#include "test_cli.moc"
