// tavrel-cli help: every command answers --help on standard output, the
// options the help names are the ones the parser takes, help never touches
// a file, and the manual page covers every command.

#include "clirun.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using clitest::Run;
using clitest::cli;
using clitest::fileBytes;

// Every command tavrel-cli has; a command missing from the help, or one the
// help lists that is not here, is a fault.
const QStringList Commands{"calibrate", "check",   "convert", "export",  "find",       "format", "help",
                           "import",    "keylabels", "list",  "new",        "picture", "print",
                           "print-list", "render", "replace", "template", "templates", "text"};

// Terminal columns of a line: full-width and CJK characters take two.
int columns(const QString &line)
{
    int n = 0;
    for (QChar c : line) {
        const char16_t u = c.unicode();
        n += (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xFF00 && u <= 0xFF60) ? 2 : 1;
    }
    return n;
}

// The names of the options in the help's Options list ("--entry", "-o").
QStringList listedOptions(const QString &help)
{
    QStringList names;
    const qsizetype start = help.indexOf(QLatin1String("\nOptions:\n"));
    if (start < 0)
        return names;
    static const QRegularExpression row(QStringLiteral("^  (-{1,2}[a-z][a-z-]*)"));
    for (const QString &line : help.mid(start + 10).split(u'\n')) {
        if (line.isEmpty())
            break;
        const QRegularExpressionMatch m = row.match(line);
        if (m.hasMatch() && m.captured(1) != QLatin1String("-h"))
            names << m.captured(1);
    }
    return names;
}

} // namespace

class TestCliHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void programHelpListsEveryCommand();
    void commandHelp_data();
    void commandHelp();
    void helpInsteadOfWork_data();
    void helpInsteadOfWork();
    void helpAsAValue_data();
    void helpAsAValue();
    void unknownOptionRefused_data();
    void unknownOptionRefused();
    void manualPageCoversEveryCommand_data();
    void manualPageCoversEveryCommand();

private:
    QTemporaryDir m_dir;
    QString m_reg;
};

void TestCliHelp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_reg = m_dir.filePath(QStringLiteral("r.TAV"));
    QVERIFY(QFile::copy(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV"), m_reg));
    QFile::setPermissions(m_reg, QFile::ReadOwner | QFile::WriteOwner);
}

void TestCliHelp::programHelpListsEveryCommand()
{
    for (const QStringList &args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
        const Run r = cli(args);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QVERIFY(r.out.startsWith(QStringLiteral("usage: tavrel-cli [--templates-dir DIR] [--site-templates DIR]")));
        const qsizetype start = r.out.indexOf(QLatin1String("\nCommands:\n"));
        QVERIFY(start > 0);
        QStringList listed;
        for (const QString &line : r.out.mid(start + 11).split(u'\n')) {
            if (line.isEmpty())
                break;
            if (!line.startsWith(QLatin1String("   "))) // not a wrapped summary
                listed << line.mid(2).section(u' ', 0, 0);
        }
        QCOMPARE(listed, Commands);
        for (const QString &line : r.out.split(u'\n'))
            QVERIFY2(columns(line) <= 79, qPrintable(line));
        QVERIFY(r.out.contains(QStringLiteral("データベース")));
        QVERIFY(r.out.contains(QStringLiteral("Exit status:\n  0 success, 1 bad data")));
    }
    // Without a command the short usage goes to standard error.
    const Run none = cli({});
    QCOMPARE(none.code, 2);
    QCOMPARE(none.out, QString());
    QVERIFY(none.err.startsWith(QStringLiteral("usage: tavrel-cli")));
}

void TestCliHelp::commandHelp_data()
{
    QTest::addColumn<QString>("command");
    for (const QString &c : Commands)
        QTest::newRow(qPrintable(c)) << c;
}

// Each command's help: on standard output with exit 0, the same through
// `help COMMAND`, within 79 columns, and every option it lists is one the
// parser knows (given without its value it is "needs a value", never
// "unknown option").
void TestCliHelp::commandHelp()
{
    QFETCH(QString, command);
    const Run r = cli({command, "--help"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QVERIFY2(r.out.startsWith(QStringLiteral("usage: tavrel-cli %1").arg(command)), qPrintable(r.out));
    QVERIFY(r.out.contains(QLatin1String("\nOptions:\n")));
    for (const QString &line : r.out.split(u'\n'))
        QVERIFY2(columns(line) <= 79, qPrintable(line));
    QCOMPARE(cli({command, "-h"}).out, r.out);
    QCOMPARE(cli({"help", command}).out, r.out);

    const QString usage = r.out.left(r.out.indexOf(QLatin1String("\n\n")));
    const QStringList options = listedOptions(r.out);
    for (const QString &option : options) {
        QVERIFY2(usage.contains(option), qPrintable(option + QStringLiteral(" is not in the usage")));
        const Run alone = cli({command, m_reg, option});
        QVERIFY2(!alone.err.contains(QLatin1String("unknown option")), qPrintable(option + u' ' + alone.err));
    }
}

void TestCliHelp::helpInsteadOfWork_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("format") << QStringList{"format", "@", "--cells", "0", "--bold", "1", "--help"};
    QTest::newRow("text") << QStringList{"text", "@", "--entry", "1", "--cell", "0", "-h", "新しい文字"};
    QTest::newRow("replace") << QStringList{"replace", "@", "総務", "経理", "--help"};
    QTest::newRow("picture") << QStringList{"picture", "@", "--entry", "1", "--cell", "0", "--detach", "--help"};
    QTest::newRow("new") << QStringList{"new", "@", "--help", "--series", "0", "--type", "x", "--ext", "999"};
}

// Asking for help does nothing else: the register stays byte for byte.
void TestCliHelp::helpInsteadOfWork()
{
    QFETCH(QStringList, args);
    args.replaceInStrings(QStringLiteral("@"), m_reg);
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("usage: tavrel-cli %1").arg(args.at(0))));
    QCOMPARE(fileBytes(m_reg), before);
}

void TestCliHelp::helpAsAValue_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    // After "--" it is a text; as the value of an option it is that value.
    QTest::newRow("text to find") << QStringList{"find", "@", "--", "--help"} << QString();
    QTest::newRow("search text as an option's value")
        << QStringList{"replace", "@", "--entries", "1", "--dry-run", "--", "--help", "x"} << QStringLiteral("0\n");
}

void TestCliHelp::helpAsAValue()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    args.replaceInStrings(QStringLiteral("@"), m_reg);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, output);

    // A cell line "--help" is written as text, not taken for a request.
    const QString copy = m_dir.filePath(QStringLiteral("text.TAV"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(m_reg, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(cli({"text", copy, "--entry", "1", "--cell", "0", "--", "--help"}).code, 0);
    const Run found = cli({"find", copy, "--", "--help"});
    QCOMPARE(found.code, 0);
    QVERIFY2(found.out.startsWith(QStringLiteral("1\t0\t1\t")), qPrintable(found.out));
}

void TestCliHelp::unknownOptionRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("list") << QStringList{"list", "@", "--cells", "1"};
    QTest::newRow("check") << QStringList{"check", "@", "--strict"};
    QTest::newRow("convert") << QStringList{"convert", "@", "@", "--overwrite"};
    QTest::newRow("templates") << QStringList{"templates", "--type", "x"};
    QTest::newRow("new") << QStringList{"new", "@", "--series", "0", "--type", "x", "--ext", "998", "--dpt", "総務"};
    QTest::newRow("render") << QStringList{"render", "@", "--entry", "1", "-o", "@.png", "--dpi", "300"};
    QTest::newRow("text") << QStringList{"text", "@", "--entry", "1", "--cell", "0", "--line", "x"};
    QTest::newRow("print") << QStringList{"print", "@", "-o", "@.pdf", "--copy", "2"};
    QTest::newRow("print-list") << QStringList{"print-list", "@", "-o", "@.pdf", "--entries", "1"};
    QTest::newRow("keylabels") << QStringList{"keylabels", "--series", "0", "--write-default"};
    QTest::newRow("format") << QStringList{"format", "@", "--cells", "0", "--underline", "1"};
}

// An option a command does not have is bad usage (exit 2, the command's
// usage on standard error) and changes nothing, for every command: a
// misspelt option must not be dropped silently while the command goes on.
void TestCliHelp::unknownOptionRefused()
{
    QFETCH(QStringList, args);
    const QString name = args.at(0);
    args.replaceInStrings(QStringLiteral("@"), m_reg);
    const QByteArray before = fileBytes(m_reg);
    const Run r = cli(args);
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(QLatin1String("unknown option")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("usage: tavrel-cli %1").arg(name)), qPrintable(r.err));
    QCOMPARE(fileBytes(m_reg), before);
    QVERIFY(!QFile::exists(m_reg + QStringLiteral(".png")));
    QVERIFY(!QFile::exists(m_reg + QStringLiteral(".pdf")));
}

void TestCliHelp::manualPageCoversEveryCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("name"); // the NAME section's heading
    QTest::newRow("English") << QStringList{"--manpage"} << "NAME";
    QTest::newRow("Japanese") << QStringList{"--manpage", "ja"} << "名前";
}

// Both pages come from the same tables: every command and option is there,
// and the Japanese page has a Japanese text for every text of the tables
// (tavrel-cli names those that lack one on standard error).
void TestCliHelp::manualPageCoversEveryCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QVERIFY(r.out.startsWith(QStringLiteral(".TH TAVREL\\-CLI 1 ")));
    QVERIFY(r.out.contains(QStringLiteral("\n.SH %1\ntavrel\\-cli \\- ").arg(name)));
    for (const QString &c : Commands) {
        QString escaped = c;
        escaped.replace(u'-', QLatin1String("\\-"));
        QVERIFY2(r.out.contains(QStringLiteral("\n.SS %1\n").arg(escaped)), qPrintable(c));
        for (QString option : listedOptions(cli({c, "--help"}).out)) {
            option.replace(u'-', QLatin1String("\\-"));
            QVERIFY2(r.out.contains(QStringLiteral("\\fB%1\\fR").arg(option)), qPrintable(c + u' ' + option));
        }
    }
    // No line may start with a roff control character by accident: every
    // line is a request the page means, or text.
    for (const QString &line : r.out.split(u'\n')) {
        if (line.startsWith(u'.'))
            QVERIFY2(QRegularExpression(QStringLiteral("^\\.(TH|SH|SS|PP|TP|B|br|ad l)( |$)")).match(line).hasMatch(),
                     qPrintable(line));
        QVERIFY2(!line.startsWith(u'\''), qPrintable(line));
    }
    const Run wrong = cli({"--manpage", "de"});
    QCOMPARE(wrong.code, 2);
    QCOMPARE(wrong.out, QString());
}

QTEST_GUILESS_MAIN(TestCliHelp)
#include "test_clihelp.moc"
