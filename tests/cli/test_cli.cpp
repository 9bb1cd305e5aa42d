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
#include <QElapsedTimer>
#include <pwd.h>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <thread>
#include <unistd.h>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::cliInShell;
using clitest::fileBytes;

const QString UL = QStringLiteral("ｕＬ－１８ボタン電話機");

// Tests that run as root play a second user: `nobody` runs the command
// (through setpriv), and the files it is to own are given to it.
bool asSecondUser()
{
    return ::geteuid() == 0 && ::getpwnam("nobody") && QFileInfo::exists(QStringLiteral("/usr/bin/setpriv"));
}

Run cliAsSecondUser(const QStringList &args)
{
    if (!asSecondUser())
        return cli(args);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/usr/bin/setpriv"),
            QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", TAVREL_BINARY_DIR "/tavrel-cli"} + args);
    if (!p.waitForFinished(60000))
        return {-1, {}, {}};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void giveToSecondUser(const QString &path)
{
    if (asSecondUser()) {
        const passwd *pw = ::getpwnam("nobody");
        QCOMPARE(::lchown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid), 0);
    }
}

// What stands at a path, without following a link: "link -> target",
// "fifo", "folder", "file" and its bytes, or "none".
QString whatIsAt(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("none");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link -> ") + QFile::symLinkTarget(path);
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("fifo");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("folder");
    return QStringLiteral("file %1 %2").arg(st.st_mode & 07777, 0, 8).arg(QString::fromUtf8(fileBytes(path).toHex()));
}

// A lock of this host as a holder writes it, the optional lines after the
// fourth given as they are.
QByteArray lockText(const QString &user, qint64 pid, const QByteArray &more = {})
{
    return (user + u'\n' + QSysInfo::machineHostName() + u'\n' + QString::number(pid) + u'\n'
            + QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + u'\n')
               .toUtf8()
           + more;
}

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
    void storedControlCharactersKept_data();
    void storedControlCharactersKept();
    void needsNoDisplayNorRuntimeFolder_data();
    void needsNoDisplayNorRuntimeFolder();
    void damagedRegisterNotWritten_data();
    void damagedRegisterNotWritten();
    void outputNeverReplacesTheRegister();
    void lockOfAnotherProcess_data();
    void lockOfAnotherProcess();
    void lockPathNotALock_data();
    void lockPathNotALock();
    void lockedUnderAnotherName_data();
    void lockedUnderAnotherName();
    void concurrentWriters();
    void inputsFromPipes_data();
    void inputsFromPipes();
    void writePastFileSizeLimit_data();
    void writePastFileSizeLimit();
    void outputsRefusedAtOnce_data();
    void outputsRefusedAtOnce();
    void listsMergedBeforeUse_data();
    void listsMergedBeforeUse();

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
        QCOMPARE(cols.size(), 4);
        QCOMPARE(cols.at(0), QStringLiteral("3"));
        QCOMPARE(cols.at(3), QStringLiteral("program"));
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
    QTest::newRow("site folder without value") << QStringList{"--site-templates"} << 2
                                               << "--site-templates needs a value";
    QTest::newRow("user folder given twice")
        << QStringList{"--user-templates", "/tmp", "--user-templates", "/tmp", "templates"} << 2
        << "--user-templates is given twice";
    QTest::newRow("user folder that is a file")
        << QStringList{"--user-templates", TAVREL_SOURCE_DIR "/README.md", "templates"} << 2 << "README.md is no folder";
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
    QTest::newRow("utf-8: 19 letters and an emoji are 20 characters, kept") << true << a19 + face << 0 << a19 + face;
    QTest::newRow("utf-8: 18 letters, an emoji, a letter kept") << true << a18 + face + "b" << 0 << a18 + face + "b";
    QTest::newRow("utf-8: 21 characters cut after the pair") << true << a19 + face + "b" << 0 << a19 + face;
    QTest::newRow("utf-8: twenty units cut plainly") << true << QString(25, u'x') << 0 << QString(20, u'x');
    QTest::newRow("cp932: 19 letters and an emoji refused, named") << false << a19 + face << 1 << "U+1F600";
    QTest::newRow("cp932: an emoji past the cut refused too") << false << QString(25, u'a') + face << 1 << "U+1F600";
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

void TestCli::storedControlCharactersKept_data()
{
    // A register from elsewhere with a tab and a U+0001 in cell texts: every
    // command works on it, and what it writes keeps them.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output"); // a file written instead of the register, or empty
    QTest::newRow("check") << QStringList{"check"} << QString();
    QTest::newRow("convert") << QStringList{"convert", "@OUT"} << QStringLiteral("out.TAV");
    QTest::newRow("text, another cell") << QStringList{"text", "--entry", "1", "--cell", "4", "代表"} << QString();
    QTest::newRow("text, another entry") << QStringList{"text", "--entry", "2", "--cell", "0", "代表"} << QString();
    QTest::newRow("format, the cell itself") << QStringList{"format", "--entry", "1", "--cells", "0-5", "--size", "12"} << QString();
    QTest::newRow("replace") << QStringList{"replace", "総務部", "経理部"} << QString();
    QTest::newRow("new") << QStringList{"new", "--series", "3", "--type", UL, "--ext", "990"} << QString();
}

void TestCli::storedControlCharactersKept()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    const QString path = m_dir.filePath(QStringLiteral("tab.TAV"));
    QFile::remove(path);
    RegisterDocument doc;
    doc.load(m_reg);
    const int cell5 = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 5);
    QStringList l = doc.lines().toStringList();
    l[cell5 + 32] = QStringLiteral("2");
    l.insert(cell5 + 33, QStringLiteral("外線\t発信"));
    l.insert(cell5 + 34, QStringLiteral("x\x01y"));
    textfile::write(path, l);
    const QByteArray before = fileBytes(path);
    const QString out = m_dir.filePath(QStringLiteral("out.TAV"));
    QFile::remove(out);
    args.replaceInStrings(QStringLiteral("@OUT"), out);
    args.insert(1, path);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    if (args.at(0) == QLatin1String("check")) {
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(QStringLiteral(":%1: ").arg(cell5 + 34)) && r.err.contains(QStringLiteral("(U+0009)"))
                     && r.err.contains(QStringLiteral("(U+0001)")),
                 qPrintable(r.err));
    }
    const QString written = output.isEmpty() ? path : out;
    if (args.at(0) == QLatin1String("check") || !output.isEmpty())
        QCOMPARE(fileBytes(written), before);
    doc.load(written);
    const int kept = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 5);
    QCOMPARE(doc.lines().mid(kept + 33, 2), (QStringList{QStringLiteral("外線\t発信"), QStringLiteral("x\x01y")}));
    QCOMPARE(cli({"check", written}).code, 0);
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
    // FIFO: a FIFO a thread writes the register into; SOCKET: a listening
    // local socket; SPARSE: a regular file past the 1 GiB limit, holding
    // nothing; DIR: a folder. prefix runs in the shell first; the register
    // is on standard input.
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("-") << "-" << QString() << 0 << QString();
    QTest::newRow("/dev/stdin") << "/dev/stdin" << QString() << 0 << QString();
    QTest::newRow("process substitution") << "/dev/fd/3" << "exec 3< <(cat \"$REG\");" << 0 << QString();
    QTest::newRow("named FIFO refused at once") << "FIFO" << QString() << 1 << "ファイルではありません。";
    QTest::newRow("socket") << "SOCKET" << QString() << 1 << "ファイルではありません。";
    QTest::newRow("folder") << "DIR" << QString() << 1 << "フォルダです。";
    QTest::newRow("device") << "/dev/zero" << QString() << 1 << "ファイルではありません。";
    QTest::newRow("file past the limit, refused before reading")
        << "SPARSE" << "ulimit -v 1000000;" << 1 << "1 GiB を超えています。";
    // Other inputs named as a FIFO: a CSV file and a picture.
    QTest::newRow("CSV FIFO") << "FIFO" << "import:" << 1 << "ファイルではありません。";
    QTest::newRow("picture FIFO") << "FIFO" << "picture:" << 1 << "ファイルを読み込めません。";
}

void TestCli::inputsFromPipes()
{
    QFETCH(QString, input);
    QFETCH(QString, prefix);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QByteArray bytes = fileBytes(m_reg);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(m_reg, dir.filePath(QStringLiteral("r.TAV")))); // for the commands that read more
    const QString fifo = dir.filePath(prefix == QLatin1String("picture:") ? QStringLiteral("logo.bmp") : QStringLiteral("fifo"));
    std::thread writer;
    int listening = -1;
    std::signal(SIGPIPE, SIG_IGN); // the writer of a FIFO refused may find its reader gone
    if (input == QLatin1String("FIFO")) {
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        writer = std::thread([&] {
            QFile f(fifo);
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
        });
        input = fifo;
    } else if (input == QLatin1String("SOCKET")) {
        input = dir.filePath(QStringLiteral("socket.TAV"));
        listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = {};
        a.sun_family = AF_UNIX;
        qstrncpy(a.sun_path, QFile::encodeName(input).constData(), sizeof a.sun_path);
        QCOMPARE(::bind(listening, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        QCOMPARE(::listen(listening, 1), 0);
    } else if (input == QLatin1String("SPARSE")) {
        input = dir.filePath(QStringLiteral("sparse.TAV"));
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        QVERIFY(f.resize((qint64(3) << 29) + 1)); // 1.5 GiB
    } else if (input == QLatin1String("DIR")) {
        input = dir.path();
    }
    prefix.replace(QStringLiteral("$REG"), m_reg);
    QStringList args{"list", input};
    if (prefix == QLatin1String("import:")) {
        args = QStringList{"import", dir.filePath(QStringLiteral("r.TAV")), input, "--dry-run"};
        prefix.clear();
    } else if (prefix == QLatin1String("picture:")) {
        args = QStringList{"picture", dir.filePath(QStringLiteral("r.TAV")), "--entry", "1", "--cell", "0", "--attach", input};
        prefix.clear();
    }
    const Run r = cliInShell(prefix, args, bytes);
    if (writer.joinable()) {
        if (r.code != 0) // the program never read it: end the writer's wait, if it still waits
            ::close(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK));
        writer.join();
    }
    if (listening >= 0)
        ::close(listening);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (code == 0)
        QCOMPARE(r.out, cli({"list", m_reg}).out);
}

// Outputs that would never be read, or that are the register being read:
// refused at once with a message, the register byte for byte as it was.
// FIFO names a FIFO nobody reads; "> REG" appends standard output to the
// register.
void TestCli::outputsRefusedAtOnce_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("redirect");
    QTest::addColumn<QString>("message");
    const QString noReader = QStringLiteral("読み出すプログラムがありません。");
    const QString same = QStringLiteral("読み込んでいるファイルと同じです。");
    QTest::newRow("print to a FIFO") << QStringList{"print", "REG", "-o", "FIFO"} << QString() << noReader;
    QTest::newRow("print-list to a FIFO") << QStringList{"print-list", "REG", "-o", "FIFO"} << QString() << noReader;
    QTest::newRow("calibrate to a FIFO") << QStringList{"calibrate", "--format", "A", "-o", "FIFO"} << QString()
                                         << noReader;
    QTest::newRow("render to a FIFO") << QStringList{"render", "REG", "--entry", "1", "-o", "FIFO"} << QString()
                                      << noReader;
    QTest::newRow("export to a FIFO") << QStringList{"export", "REG", "-o", "FIFO"} << QString() << noReader;
    QTest::newRow("print to /dev/stdout appended to the register")
        << QStringList{"print", "REG", "-o", "/dev/stdout"} << "exec >> \"$REG\";" << same;
    QTest::newRow("print to - appended to the register")
        << QStringList{"print", "REG", "-o", "-"} << "exec >> \"$REG\";" << same;
    QTest::newRow("export to /dev/stdout appended to the register")
        << QStringList{"export", "REG", "-o", "/dev/stdout"} << "exec >> \"$REG\";" << same;
    QTest::newRow("render to /proc/self/fd/1 appended to the register")
        << QStringList{"render", "REG", "--entry", "1", "-o", "/proc/self/fd/1"} << "exec >> \"$REG\";" << QString();
}

void TestCli::outputsRefusedAtOnce()
{
    QFETCH(QStringList, args);
    QFETCH(QString, redirect);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString reg = dir.filePath(QStringLiteral("r.TAV")), fifo = dir.filePath(QStringLiteral("out.pdf"));
    QVERIFY(QFile::copy(m_reg, reg));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray before = fileBytes(reg);
    args.replaceInStrings(QStringLiteral("REG"), reg).replaceInStrings(QStringLiteral("FIFO"), fifo);
    redirect.replace(QStringLiteral("$REG"), reg);
    const Run r = cliInShell(redirect, args);
    QVERIFY2(r.code == 1 || r.code == 2, qPrintable(QString::number(r.code) + r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(reg), before);
    QCOMPARE(cli({"check", reg}).code, 0);
}

// Entry and cell lists are merged as ranges before any number is listed:
// repeating a range costs nothing (here under a 1 GB address-space
// limit, where a thousand expanded copies of 1-1000000 would not fit).
void TestCli::listsMergedBeforeUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text"); // on standard output (code 0) or standard error
    QStringList thousand;
    for (int i = 0; i < 1000; ++i)
        thousand << QStringLiteral("1-1000000");
    const QString many = thousand.join(u',');
    QTest::newRow("list, 1000 × 1-1000000") << QStringList{"list", "REG", "--entries", many} << 1
                                             << "エントリ 3 がありません。";
    QTest::newRow("list, overlapping ranges") << QStringList{"list", "REG", "--entries", "2,1-2,2-2,1"} << 0
                                              << "1\t";
    QTest::newRow("print, 1000 × 1-1000000") << QStringList{"print", "REG", "-o", "/dev/null", "--entries", many}
                                              << 1 << "エントリ 3 がありません。";
    QTest::newRow("format, 1000 × cells 0-1000000")
        << QStringList{"format", "REG", "--entry", "1", "--cells", many, "--bold", "1"} << 1 << "セル";
}

void TestCli::listsMergedBeforeUse()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString reg = dir.filePath(QStringLiteral("r.TAV"));
    QVERIFY(QFile::copy(m_reg, reg));
    const QByteArray before = fileBytes(reg);
    args.replaceInStrings(QStringLiteral("REG"), reg);
    const Run r = cliInShell(QStringLiteral("ulimit -v 1000000;"), args);
    QCOMPARE(r.code, code);
    QVERIFY2((code == 0 ? r.out : r.err).contains(text), qPrintable(r.out + r.err));
    QCOMPARE(fileBytes(reg), before);
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
    QTest::addColumn<QByteArray>("more"); // the lines after the fourth; "@" this boot and this test's start time
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("shown");   // how the refusal names the user
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("command");
    const QStringList text{"text", "--entry", "1", "--cell", "3", "代表"};
    const QStringList format{"format", "--entry", "2", "--cells", "0-3", "--size", "12"};
    const QString s = QStringLiteral("someone");
    QTest::newRow("live, this host: text") << "" << 0 << 0 << QByteArray() << s << s << true << text;
    QTest::newRow("live, this host: format") << "" << 0 << 0 << QByteArray() << s << s << true << format;
    QTest::newRow("live, another host") << "elsewhere" << 4242 << 2 << QByteArray() << s << s << true << text;
    QTest::newRow("live, this host: keylabels")
        << "" << 0 << 0 << QByteArray() << s << s << true
        << QStringList{"keylabels", "--key", "1", "--entry", "1", "--cell", "3", "--defaults"};
    QTest::newRow("live, this host: --force as a face name")
        << "" << 0 << 0 << QByteArray() << s << s << true
        << QStringList{"format", "--entry", "2", "--cells", "0-3", "--font", "--force"};
    QTest::newRow("gone: taken over") << "" << -1 << 0 << QByteArray() << s << s << false << text;
    QTest::newRow("another host, over a day old") << "elsewhere" << 4242 << 30 << QByteArray() << s << s << false << format;
    QTest::newRow("garbage: stale") << "garbage" << 0 << 0 << QByteArray() << s << s << false << text;
    // The holder is alive only while it is the process that wrote the lock.
    QTest::newRow("live, with boot id and start time") << "" << 0 << 0 << QByteArray("@") << s << s << true << text;
    QTest::newRow("process id reused (PID 1, another start time)")
        << "" << 1 << 0 << QByteArray("@boot\n999999999999\ntavrel\n") << s << s << false << text;
    QTest::newRow("another boot") << "" << 0 << 0 << QByteArray("0f0f0f0f-another-boot\n1\ntavrel\n") << s << s
                                  << false << text;
    // A name read from the lock reaches the terminal escaped and bounded.
    QTest::newRow("escape sequences in the name")
        << "" << 0 << 0 << QByteArray() << QStringLiteral("ev\x1b]0;owned\x07il\u0085\x1b[2J\u202e!")
        << QStringLiteral("ev\\x1b]0;owned\\x07il\\x85\\x1b[2J\\u202e!") << true << text;
    QTest::newRow("a very long name") << "" << 0 << 0 << QByteArray() << QString(1000, u'長')
                                      << QString(64, u'長') + u'…' << true << text;
}

void TestCli::lockOfAnotherProcess()
{
    QFETCH(QString, host);
    QFETCH(int, pid);
    QFETCH(int, ageHours);
    QFETCH(QByteArray, more);
    QFETCH(QString, user);
    QFETCH(QString, shown);
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
                                : (QStringLiteral("%4\n%1\n%2\n%3\n")
                                       .arg(host.isEmpty() ? QSysInfo::machineHostName() : host)
                                       .arg(holder)
                                       .arg(QDateTime::currentDateTimeUtc().addSecs(-3600 * ageHours).toString(Qt::ISODate), user))
                                          .toUtf8()
                                      + (more == "@" ? (RegisterLock::bootId() + u'\n'
                                                        + QString::number(RegisterLock::processStartTime(holder)) + u'\n')
                                                           .toUtf8()
                                                     : QByteArray(more).replace("@boot", RegisterLock::bootId().toUtf8()));
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
        QVERIFY2(r.err.contains(shown) && r.err.contains(QStringLiteral("--force")), qPrintable(r.err));
        QVERIFY(!r.err.contains(u'\x1b') && !r.err.contains(u'\x07') && !r.err.contains(QChar(0x202e)));
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

void TestCli::lockPathNotALock_data()
{
    // What another user of a shared (mode 1777) folder leaves at the lock's
    // path. Each is held by someone unknown: the write is refused, --force
    // writes the register only, and the thing at the lock's path stays as
    // it was, as does whatever it points to.
    QTest::addColumn<QString>("plant");
    QTest::newRow("link to the writer's own file") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("lock the writer cannot read") << "unreadable";
}

void TestCli::lockPathNotALock()
{
    QFETCH(QString, plant);
    QTemporaryDir shared;
    QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    const QString path = shared.filePath(QStringLiteral("site.TAV"));
    const QString notes = shared.filePath(QStringLiteral("notes.txt"));
    QVERIFY(QFile::copy(m_reg, path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    giveToSecondUser(path);
    {
        QFile f(notes);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("the writer's own notes\n");
    }
    giveToSecondUser(notes);
    const QString lockPath = RegisterLock::lockPath(path);
    const QByteArray lockName = QFile::encodeName(lockPath);
    if (plant == "link")
        QVERIFY(QFile::link(notes, lockPath));
    else if (plant == "dangling")
        QVERIFY(QFile::link(shared.filePath(QStringLiteral("made-elsewhere")), lockPath));
    else if (plant == "fifo")
        QCOMPARE(::mkfifo(lockName.constData(), 0666), 0);
    else if (plant == "folder")
        QVERIFY(QDir().mkdir(lockPath));
    else {
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // A holder that would be dead if the lock could be read.
        f.write(lockText(QStringLiteral("holder"), 1, "another-boot\n999999999999\ntavrel\n"));
        f.close();
        QCOMPARE(::chmod(lockName.constData(), asSecondUser() ? 0600 : 0), 0); // the planter's own, 0600
    }
    const QString planted = whatIsAt(lockPath);
    const QByteArray before = fileBytes(path);
    const QString notesBefore = whatIsAt(notes);

    QStringList command{"text", path, "--entry", "1", "--cell", "3", "代表"};
    Run r = cliAsSecondUser(command);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("不明な相手")) && r.err.contains(QStringLiteral("--force")), qPrintable(r.err));
    QCOMPARE(fileBytes(path), before);
    command.append(QStringLiteral("--force"));
    r = cliAsSecondUser(command);
    QCOMPARE(r.code, 0);
    QVERIFY(fileBytes(path) != before);
    QCOMPARE(whatIsAt(lockPath), planted);
    QCOMPARE(whatIsAt(notes), notesBefore);
    QCOMPARE(whatIsAt(shared.filePath(QStringLiteral("made-elsewhere"))), QStringLiteral("none"));
    // Nothing else was left in the folder (no lock moved aside, no
    // temporary file).
    QCOMPARE(QDir(shared.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System).size(), 3);
    QCOMPARE(cli({"check", path}).code, 0);
}

void TestCli::lockedUnderAnotherName_data()
{
    // The register is open (locked by this test's process, file flocked as
    // the window does); a writer names it another way.
    QTest::addColumn<QString>("name");
    QTest::newRow("symbolic link") << "symlink";
    QTest::newRow("hard link") << "hardlink";
    QTest::newRow("relative path with ..") << "dotdot";
}

void TestCli::lockedUnderAnotherName()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("real")) && QDir(dir.path()).mkpath(QStringLiteral("other")));
    const QString real = dir.filePath(QStringLiteral("real/r.TAV"));
    QVERIFY(QFile::copy(m_reg, real));
    RegisterLock held;
    QCOMPARE(held.take(real, false).state, RegisterLock::State::Ours);
    QVERIFY(held.holdFile(real, 0));
    QString other = dir.filePath(QStringLiteral("other/link.TAV"));
    if (name == "symlink")
        QVERIFY(QFile::link(real, other));
    else if (name == "hardlink")
        QCOMPARE(::link(QFile::encodeName(real).constData(), QFile::encodeName(other).constData()), 0);
    else
        other = dir.filePath(QStringLiteral("other/../real/r.TAV"));
    const QByteArray before = fileBytes(real);
    const Run r = cli({"text", other, "--entry", "1", "--cell", "3", "代表"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(name == "hardlink" ? QStringLiteral("別の名前") : QStringLiteral("プロセス %1").arg(QCoreApplication::applicationPid())),
             qPrintable(r.err));
    QCOMPARE(fileBytes(real), before);
    QVERIFY(!QFile::exists(RegisterLock::lockPath(other)) || RegisterLock::lockPath(other) == RegisterLock::lockPath(real));
    held.release();
    QCOMPARE(cli({"text", other, "--entry", "1", "--cell", "3", "代表"}).code, 0);
}

void TestCli::concurrentWriters()
{
    // Eight writers on eight entries, started together, thirty times: each
    // change that exits 0 is in the file; a writer that does not get its
    // turn says so and exits 1. Every other round starts from a dead lock
    // all of them take over at once.
    constexpr int Writers = 8, Rounds = 30;
    const QString base = m_dir.filePath(QStringLiteral("eight.TAV"));
    QFile::remove(base);
    for (int e = 1; e <= Writers; ++e)
        QCOMPARE(cli({"new", base, "--series", "3", "--type", UL, "--ext", QString::number(300 + e)}).code, 0);
    const QString path = m_dir.filePath(QStringLiteral("raced.TAV"));
    const QString lockPath = RegisterLock::lockPath(path);
    int written = 0, refused = 0, lost = 0;
    QElapsedTimer took;
    took.start();
    for (int round = 0; round < Rounds; ++round) {
        QFile::remove(path);
        QVERIFY(QFile::copy(base, path));
        if (round % 2) {
            QFile f(lockPath);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::NewOnly));
            f.write(lockText(QStringLiteral("gone"), 1, (RegisterLock::bootId() + QStringLiteral("\n999999999999\ntavrel-cli\n")).toUtf8()));
        }
        std::vector<std::unique_ptr<QProcess>> writers;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (int e = 1; e <= Writers; ++e) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->setProcessEnvironment(env);
            writers.back()->start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"),
                                  {"text", path, "--entry", QString::number(e), "--cell", "3",
                                   QStringLiteral("R%1W%2").arg(round).arg(e)});
        }
        QList<QByteArray> expected;
        for (int e = 1; e <= Writers; ++e) {
            QProcess &p = *writers.at(size_t(e - 1));
            QVERIFY(p.waitForFinished(60000));
            const QString err = QString::fromUtf8(p.readAllStandardError());
            if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
                ++written;
                // The line as stored (the input rule may widen it).
                const QString stored = QString::fromUtf8(p.readAllStandardOutput()).section(u'\t', 2).trimmed();
                QByteArray bytes;
                QVERIFY(textfile::encodeCp932(stored, bytes));
                expected.append(bytes);
            } else {
                QCOMPARE(p.exitCode(), 1);
                QVERIFY2(err.contains(QStringLiteral("書き込みませんでした")), qPrintable(err));
                if (!refused)
                    qInfo("refused: %s", qPrintable(err.trimmed()));
                ++refused;
            }
        }
        const QByteArray after = fileBytes(path);
        for (const QByteArray &line : expected)
            lost += after.contains(line) ? 0 : 1;
        QCOMPARE(cli({"check", path}).code, 0);
        QVERIFY(!QFile::exists(lockPath));
    }
    qInfo("%d writers x %d rounds: %d written, %d refused with the message, %d lost (%lld ms)", Writers, Rounds,
          written, refused, lost, qint64(took.elapsed()));
    QCOMPARE(lost, 0);
    QVERIFY(written > 0);
}

#include "test_cli.moc"
