// tavrel-cli template and the template folders: check, from-entry, grid,
// where a template may be saved, and the folder column of templates.

#include "clirun.h"

#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/registerformat.h"
#include "register/series.h"
#include "register/stripwalk.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using clitest::cli;
using clitest::Run;

namespace {

const QString Bin = QStringLiteral(TAVREL_BINARY_DIR);
const QString Sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");

// Section headers and the cells' lines 0 to 18 of an entry: its geometry
// and key codes.
QStringList stripBody(const RegisterDocument &doc, int headerLine)
{
    struct Collect : strip::StripVisitor
    {
        const RegisterLines &lines;
        QStringList out;
        explicit Collect(const RegisterLines &l) : lines(l) {}
        bool section(const strip::Section &s) override
        {
            out += lines.mid(s.line, regfmt::section::HeaderLines);
            return true;
        }
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            out += lines.mid(c.line, regfmt::cell::TextArea + 4);
            return true;
        }
    } collect(doc.lines());
    strip::walkStrip(doc.lines(), headerLine, collect, strip::WalkGeometry::Skip);
    return collect.out;
}

} // namespace

class TestCliTemplate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void installedPassCheck_data();
    void installedPassCheck();
    void checkMessages_data();
    void checkMessages();
    void fromEntryRemakesEntry_data();
    void fromEntryRemakesEntry();
    void destinations_data();
    void destinations();
    void gridIsListedForItsSeries();

private:
    // tavrel-cli with the program folder of the build and the site and user
    // folders of this test.
    Run run(const QStringList &args) const
    {
        return cli(QStringList{"--templates-dir", Bin, "--site-templates", m_site.path(), "--user-templates",
                               m_user.path()}
                       + args,
                   m_env);
    }
    QTemporaryDir m_dir, m_site, m_user, m_data;
    QProcessEnvironment m_env;
};

void TestCliTemplate::init()
{
    for (QTemporaryDir *d : {&m_site, &m_user})
        for (const QString &f : QDir(d->path()).entryList(QDir::Files))
            QFile::remove(d->filePath(f));
    // No real settings or data folder is read.
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("APPDATA"), m_data.path());
    m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_data.path());
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
}

void TestCliTemplate::installedPassCheck_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(TAVREL_SOURCE_DIR "/templates"));
    for (const QString &name : dir.entryList({QStringLiteral("*.tpl")}, QDir::Files))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestCliTemplate::installedPassCheck()
{
    QFETCH(QString, path);
    const Run r = run({"template", "check", path});
    QCOMPARE(r.code, 0);
    QVERIFY2(!r.out.contains(QStringLiteral(": エラー: ")), qPrintable(r.out));
}

void TestCliTemplate::checkMessages_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("firstLine"); // after "FILE:"
    const QStringList cell{"5", "2", "20", "8", "6", "2.5", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "3",
                           "001", "10", "2.5", "14", "7"};
    const QStringList good = QStringList{series::caption(7), "1", "1", "5", "5", "100", "50", "1"} + cell;
    QStringList noSeries = good;
    noSeries[0] = QStringLiteral("電話機");
    QStringList outside = good;
    outside[8] = QStringLiteral("90");
    QTest::newRow("sound") << good << 0 << QString();
    QTest::newRow("error") << noSeries << 1 << "1: エラー: シリーズの行に主装置のシリーズ名がありません。";
    QTest::newRow("warning only") << outside << 0 << "9: 警告: 区画 1 のセル 1: キーの枠が区画の外にあります。";
    QTest::newRow("truncated") << good.mid(0, 20) << 1
                               << "20: エラー: 区画 1 のセル 1: ファイルが終わっています（区画 1 のセル 1 にはあと 7 行が必要です）。";
}

void TestCliTemplate::checkMessages()
{
    QFETCH(QStringList, lines);
    QFETCH(int, code);
    QFETCH(QString, firstLine);
    const QString path = m_dir.filePath(QStringLiteral("t.tpl"));
    textfile::write(path, lines);
    const Run r = run({"template", "check", path});
    QCOMPARE(r.code, code);
    QCOMPARE(r.out.section(u'\n', 0, 0), firstLine.isEmpty() ? QString() : path + u':' + firstLine);
}

void TestCliTemplate::fromEntryRemakesEntry_data()
{
    QTest::addColumn<int>("entry");
    for (int n = 1; n <= 14; ++n)
        QTest::newRow(qPrintable(QStringLiteral("entry %1").arg(n))) << n;
}

void TestCliTemplate::fromEntryRemakesEntry()
{
    QFETCH(int, entry);
    RegisterDocument original;
    original.load(Sample);
    const int h = original.findEntry(entry) + 1;
    QVERIFY(h > 0);
    const int seriesIndex = series::indexOfCaption(original.lines().line(h + regfmt::entry::SeriesCaption));
    QVERIFY(seriesIndex >= 0);
    const QString type = QStringLiteral("写し%1").arg(entry);
    Run r = run({"template", "from-entry", Sample, "--entry", QString::number(entry), "--user", "--type", type});
    QCOMPARE(r.code, 0);
    const QString saved = m_user.filePath(type + QStringLiteral(".tpl"));
    QCOMPARE(r.out, saved + u'\n');
    QVERIFY(!run({"template", "check", saved}).out.contains(QStringLiteral("エラー")));

    const QString reg = m_dir.filePath(QStringLiteral("new%1.TAV").arg(entry));
    QFile::remove(reg);
    r = run({"new", reg, "--series", QString::number(seriesIndex), "--type", type, "--ext", "300"});
    QCOMPARE(r.code, 0);
    QCOMPARE(run({"check", reg}).code, 0);
    RegisterDocument made;
    made.load(reg);
    const QStringList want = stripBody(original, h);
    QVERIFY(!want.isEmpty());
    QCOMPARE(stripBody(made, made.findEntry(1) + 1), want);
    QCOMPARE(made.lines().line(made.findEntry(1) + 1 + regfmt::entry::SectionCount),
             original.lines().line(h + regfmt::entry::SectionCount));
}

void TestCliTemplate::destinations_data()
{
    QTest::addColumn<QStringList>("args"); // after "template from-entry SAMPLE --entry 1"; OUT is a file of the test
    QTest::addColumn<bool>("withSite");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // in standard error
    QTest::newRow("no destination") << QStringList{} << true << 2 << "give one of -o FILE, --user and --site";
    QTest::newRow("two destinations") << QStringList{"-o", "OUT", "--user", "--type", "A"} << true << 2
                                      << "give one of";
    QTest::newRow("user without type") << QStringList{"--user"} << true << 2 << "--type needs a name";
    QTest::newRow("type with a dot") << QStringList{"--user", "--type", "a.b"} << true << 2 << "cannot hold .";
    QTest::newRow("installed name") << QStringList{"--user", "--type", "ｕＬ－６ボタン電話機"} << true << 1
                                    << "「ｕＬ－６ボタン電話機」はインストールされたテンプレートの名前です。";
    QTest::newRow("installed name, site") << QStringList{"--site", "--type", "ｕＬ－６ボタン電話機"} << true << 1
                                          << "インストールされたテンプレートの名前です。";
    QTest::newRow("no site folder") << QStringList{"--site", "--type", "A"} << false << 2 << "no site template folder";
    QTest::newRow("into the program folder") << QStringList{"-o", Bin + QStringLiteral("/新しい.tpl")} << true << 1
                                             << "インストールされたテンプレートのフォルダには書き込みません。";
    QTest::newRow("file exists") << QStringList{"-o", "EXISTING"} << true << 1 << "は既にあります（置き換えるには --force）。";
    QTest::newRow("file exists, forced") << QStringList{"-o", "EXISTING", "--force"} << true << 0 << "";
    QTest::newRow("site") << QStringList{"--site", "--type", "A"} << true << 0 << "";
    QTest::newRow("series list") << QStringList{"-o", "OUT", "--series", "3,9"} << true << 2 << "--series takes";
}

void TestCliTemplate::destinations()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withSite);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QString existing = m_dir.filePath(QStringLiteral("existing.tpl"));
    textfile::write(existing, {QStringLiteral("old")});
    const QByteArray before = clitest::fileBytes(existing);
    for (QString &a : args)
        a = a == "OUT" ? m_dir.filePath(QStringLiteral("out.tpl")) : a == "EXISTING" ? existing : a;
    QStringList full{"template", "from-entry", Sample, "--entry", "1"};
    full += args;
    const Run r = withSite ? run(full)
                           : cli(QStringList{"--templates-dir", Bin, "--user-templates", m_user.path()} + full, m_env);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (code != 0 || !args.contains(QStringLiteral("--force")))
        QCOMPARE(clitest::fileBytes(existing), before);
    QVERIFY(!QFile::exists(Bin + QStringLiteral("/新しい.tpl")));
    if (code == 0)
        QCOMPARE(r.out.trimmed().isEmpty(), false);
}

void TestCliTemplate::gridIsListedForItsSeries()
{
    Run r = run({"template", "grid", "--series", "7", "--rows", "9", "--key-width", "28", "--key-height", "9",
                 "--first-key", "11", "--user", "--type", "九"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    r = run({"template", "check", m_user.filePath(QStringLiteral("九.tpl"))});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString()); // no warning either
    r = run({"templates", "--series", "7"});
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.contains(QStringLiteral("7\tＳＩＰ対応電話機\t九\tuser")));
    for (const QString &l : lines)
        QCOMPARE(l.split(u'\t').size(), 4);
    QVERIFY(lines.contains(QStringLiteral("7\tＳＩＰ対応電話機\tＳＩＰ－１２キー電話機\tprogram")));
    // An entry made from it holds the keys 11 to 19.
    const QString reg = m_dir.filePath(QStringLiteral("grid.TAV"));
    QFile::remove(reg);
    QCOMPARE(run({"new", reg, "--series", "7", "--type", "九", "--ext", "1"}).code, 0);
    QCOMPARE(run({"check", reg}).code, 0);
    RegisterDocument doc;
    doc.load(reg);
    const QStringList body = stripBody(doc, doc.findEntry(1) + 1);
    QCOMPARE(body.at(6 + 8 * 19 + regfmt::cell::KeyCode), QStringLiteral("019"));
}

QTEST_GUILESS_MAIN(TestCliTemplate)
#include "test_clitemplate.moc"
