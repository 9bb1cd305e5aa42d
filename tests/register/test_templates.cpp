// Strip templates: which series a template is offered for, how its file
// name gives the strip type, and what an entry built from it holds.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/templates.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString K = QStringLiteral("Ｋシリーズ主装置");
const QString Mo = QStringLiteral("Ｍｏシリーズ主装置");
const QString UL = QStringLiteral("ｕＬシリーズ主装置");

QStringList templateCell(const QString &keyCode)
{
    return {"1", "1", "20", "6", "1", "1", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1",
            keyCode, "5", "1.5", "14", "4"};
}

QStringList makeTemplate(const QString &seriesLine, const QList<QStringList> &sections)
{
    QStringList t{seriesLine, QString::number(sections.size())};
    for (const QStringList &codes : sections) {
        t << "1" << "2" << "3" << "100" << "50" << QString::number(codes.size());
        for (const QString &c : codes)
            t << templateCell(c);
    }
    return t;
}

void writeTemplate(const QTemporaryDir &dir, const QString &fileName, const QStringList &lines)
{
    textfile::write(dir.filePath(fileName), lines);
}

EntryHeader header(const QString &type, const QString &ext = QStringLiteral("201"))
{
    return {ext, QStringLiteral("総務部"), QStringLiteral("山田"), QStringLiteral("2024/01/02 03:04"), K, type};
}

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listing();
    void listedInJapaneseOrder_data();
    void listedInJapaneseOrder();
    void typeNames_data();
    void typeNames();
    void instantiateKeys_data();
    void instantiateKeys();
    void entryFromTemplate();
    void noSectionsGivesSingleLine();
    void missingTemplateChangesNothing();
    void malformedTemplateChangesNothing_data();
    void malformedTemplateChangesNothing();
    void malformedTemplateNamesItsLine_data();
    void malformedTemplateNamesItsLine();
    void shippedTemplatesInstantiate();
    void foldersMerge_data();
    void foldersMerge();
    void userFolder_data();
    void userFolder();
};

void TestTemplates::listing()
{
    QTemporaryDir dir;
    writeTemplate(dir, QStringLiteral("b型.tpl"), makeTemplate(K + Mo, {{"001"}}));
    writeTemplate(dir, QStringLiteral("A.tpl"), makeTemplate(K, {{"001"}}));
    writeTemplate(dir, QStringLiteral("A.old.tpl"), makeTemplate(K, {{"001"}}));
    writeTemplate(dir, QStringLiteral("c.TPL"), makeTemplate(QStringLiteral("x ") + K, {{"001"}}));
    writeTemplate(dir, QStringLiteral("ul.tpl"), makeTemplate(UL, {{"001"}}));
    writeTemplate(dir, QStringLiteral("none.tpl"), makeTemplate(QStringLiteral("nothing"), {{"001"}}));
    writeTemplate(dir, QStringLiteral("other.txt"), makeTemplate(K, {{"001"}}));
    QDir(dir.path()).mkdir(QStringLiteral("folder.tpl"));
    QFile empty(dir.filePath(QStringLiteral("empty.tpl")));
    empty.open(QIODevice::WriteOnly);
    empty.close();

    QCOMPARE(templates::listTemplates(dir.path(), K), (QStringList{"A", "A", "b型", "c"}));
    QCOMPARE(templates::listTemplates(dir.path(), Mo), QStringList{"b型"});
    QCOMPARE(templates::listTemplates(dir.path(), UL), QStringList{"ul"});
    QCOMPARE(templates::listTemplates(dir.path(), QStringLiteral("ＳＩＰ対応電話機")), QStringList());
    QVERIFY(templates::templateExists(dir.path(), QStringLiteral("A")));
    QVERIFY(templates::templateExists(dir.path(), QStringLiteral("a"))); // file name letter case ignored
    QVERIFY(templates::templateExists(dir.path(), QStringLiteral("c")));
    QVERIFY(!templates::templateExists(dir.path(), QStringLiteral("other")));
    QVERIFY(!templates::templateExists(dir.path(), QStringLiteral("folder")));
    QVERIFY(!templates::templateExists(dir.path(), QString()));
    // Type A reads A.tpl, not A.old.tpl.
    QCOMPARE(QFileInfo(templates::templatePath(dir.path(), QStringLiteral("A"))).fileName(), QStringLiteral("A.tpl"));
}

void TestTemplates::listedInJapaneseOrder_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << "C";
    QTest::newRow("ja_JP") << "ja_JP";
    QTest::newRow("en_US") << "en_US";
}

void TestTemplates::listedInJapaneseOrder()
{
    // The user interface is Japanese: the types come in the Japanese order
    // (full-width letters before kanji) whatever the process locale says, so
    // that the dialog's first type, which Enter creates, is always the same.
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const QString folder = QStringLiteral(TAVREL_BINARY_DIR);
    const QStringList ul = templates::listTemplates(folder, UL);
    const QStringList mo = templates::listTemplates(folder, Mo);
    QLocale::setDefault(before);
    QCOMPARE(ul, (QStringList{"ｕＬ－１８ボタン電話機", "ｕＬ－６ボタン電話機", "ｕＬ・ｕＲ共通３０ボタン電話機"}));
    QCOMPARE(mo, (QStringList{"Ｍｏ－３０ボタン多機能電話機", "Ｍｏ－６０ボタンＤＳＳコンソール", "標準Ｍｏ電話機１２ボタン",
                              "標準Ｍｏ電話機２４ボタン"}));
}

void TestTemplates::typeNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");
    QTest::newRow("plain") << "標準Ｍｏ電話機.tpl" << "標準Ｍｏ電話機";
    QTest::newRow("two dots") << "A.B.tpl" << "A";
    QTest::newRow("upper case") << "X.TPL" << "X";
}

void TestTemplates::typeNames()
{
    QFETCH(QString, file);
    QFETCH(QString, type);
    QCOMPARE(templates::stripTypeOfFile(file), type);
}

void TestTemplates::instantiateKeys_data()
{
    QTest::addColumn<QString>("keyCode");
    QTest::addColumn<QStringList>("tail"); // cell lines 19 onwards
    const QStringList seven(7, QString());
    QTest::newRow("assignable") << "005" << (QStringList{"ＭＳ 明朝", "9", "0", "0", "0", "2"} + seven + QStringList{"0"});
    QTest::newRow("assignable, long code") << "012abc" << (QStringList{"ＭＳ 明朝", "9", "0", "0", "0", "2"} + seven + QStringList{"0"});
    QTest::newRow("preset with size") << "000 10保留" << (QStringList{"ＭＳ Ｐゴシック", "10", "0", "0", "0", "2"} + seven + QStringList{"1", "保留"});
    QTest::newRow("negative preset") << "-02 08スピーカ" << (QStringList{"ＭＳ Ｐゴシック", "8", "0", "0", "0", "2"} + seven + QStringList{"1", "スピーカ"});
    QTest::newRow("short code") << "000" << (QStringList{"ＭＳ Ｐゴシック", "9", "0", "0", "0", "2"} + seven + QStringList{"1", ""});
    QTest::newRow("six characters") << "-01 07" << (QStringList{"ＭＳ Ｐゴシック", "7", "0", "0", "0", "2"} + seven + QStringList{"1", ""});
    QTest::newRow("size not a number") << "000 xy転送" << (QStringList{"ＭＳ Ｐゴシック", "9", "0", "0", "0", "2"} + seven + QStringList{"1", "転送"});
    QTest::newRow("letters") << "abc" << (QStringList{"ＭＳ Ｐゴシック", "9", "0", "0", "0", "2"} + seven + QStringList{"1", ""});
    QTest::newRow("blank") << "" << (QStringList{"ＭＳ Ｐゴシック", "9", "0", "0", "0", "2"} + seven + QStringList{"1", ""});
}

void TestTemplates::instantiateKeys()
{
    QFETCH(QString, keyCode);
    QFETCH(QStringList, tail);
    const QStringList body = templates::instantiateBody(makeTemplate(K, {{keyCode}}));
    QCOMPARE(body.mid(0, 7), (QStringList{"1", "1", "2", "3", "100", "50", "1"}));
    QCOMPARE(body.mid(7, 19), templateCell(keyCode));
    QCOMPARE(body.mid(26), tail);
}

void TestTemplates::entryFromTemplate()
{
    QTemporaryDir dir;
    writeTemplate(dir, QStringLiteral("T1.tpl"), makeTemplate(K, {{"001", "000 09保留"}, {}}));
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("T1")));
    QCOMPARE(doc.line(0), RegisterDocument::VersionLine);
    QCOMPARE(doc.entryCount(), 1);
    QCOMPARE(doc.findEntry(1), 2);
    QCOMPARE(doc.headerOfEntry(1), header(QStringLiteral("T1")));
    QCOMPARE(doc.line(9), QStringLiteral("2"));
    QCOMPARE(doc.lineCount(), 2 + 7 + 1 + 6 + 33 + 34 + 6);
    templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("T1"), QStringLiteral("202")));
    QCOMPARE(doc.entryCount(), 2);
    // Entries are independent of their template.
    writeTemplate(dir, QStringLiteral("T1.tpl"), makeTemplate(K, {}));
    QCOMPARE(doc.lines().toStringList().mid(doc.findEntry(2) + 7), doc.lines().toStringList().mid(9, doc.findEntry(2) - 9));
}

void TestTemplates::noSectionsGivesSingleLine()
{
    QTemporaryDir dir;
    writeTemplate(dir, QStringLiteral("Z.tpl"), makeTemplate(K, {}) + QStringList{"ignored", "lines"});
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("Z")));
    QCOMPARE(doc.lines().toStringList().mid(9), QStringList{"0"});
}

void TestTemplates::missingTemplateChangesNothing()
{
    QTemporaryDir dir;
    RegisterDocument doc;
    try {
        templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("nope")));
        QFAIL("created an entry without a template");
    } catch (const TavrelError &e) {
        QCOMPARE(e.message(), QStringLiteral("テンプレートが存在しません。"));
    }
    QVERIFY(doc.isEmpty());
}

void TestTemplates::malformedTemplateChangesNothing_data()
{
    QTest::addColumn<QStringList>("lines");
    QStringList good = makeTemplate(K, {{"001", "002"}});
    QStringList badSections = good;
    badSections[1] = QStringLiteral("two");
    QStringList badCells = good;
    badCells[7] = QStringLiteral("x");
    QTest::newRow("empty") << QStringList();
    QTest::newRow("series line only") << QStringList{K};
    QTest::newRow("section count") << badSections;
    QTest::newRow("cell count") << badCells;
    QTest::newRow("truncated") << good.mid(0, good.size() - 3);
    QTest::newRow("huge count") << (QStringList{K, "2000000000"} + good.mid(2));
    // Lines the strip walk reads as numbers: written into the register they
    // would make an entry that check refuses.
    QStringList badWidth = good;
    badWidth[5] = QStringLiteral("wide");
    QStringList badKeyBox = good;
    badKeyBox[8] = QStringLiteral("000 09再ダイヤル");
    QStringList badKeyNumberSize = good;
    badKeyNumberSize[8 + 9] = QStringLiteral("ＭＳ Ｐゴシック");
    QStringList shifted = good; // one line of the first cell lost, the last cell padded
    shifted.removeAt(10);
    shifted << QStringLiteral("4");
    QTest::newRow("section width") << badWidth;
    QTest::newRow("cell key box") << badKeyBox;
    QTest::newRow("cell key number size") << badKeyNumberSize;
    QTest::newRow("cell records shifted") << shifted;
}

void TestTemplates::malformedTemplateChangesNothing()
{
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    writeTemplate(dir, QStringLiteral("good.tpl"), makeTemplate(K, {{"001"}}));
    writeTemplate(dir, QStringLiteral("bad.tpl"), lines);
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("good")));
    const QStringList before = doc.lines().toStringList();
    QVERIFY_THROWS_EXCEPTION(TavrelError, templates::appendEntryFromTemplate(doc, dir.path(), header(QStringLiteral("bad"))));
    QCOMPARE(doc.lines().toStringList(), before);
    QCOMPARE(doc.findEntry(2), -1);
}

void TestTemplates::malformedTemplateNamesItsLine_data()
{
    QTest::addColumn<int>("line"); // 0-based template line made bad
    QTest::addColumn<QString>("text");
    QTest::newRow("cell count") << 7 << "x";
    QTest::newRow("section origin") << 3 << "1..2";
    QTest::newRow("second cell's text area") << 8 + 19 + 15 << "abc";
    QTest::newRow("key number alignment") << 8 + 13 << "left";
}

void TestTemplates::malformedTemplateNamesItsLine()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QStringList lines = makeTemplate(K, {{"001", "002"}});
    lines[line] = text;
    try {
        templates::instantiateBody(lines, QStringLiteral("bad.tpl"));
        QFAIL("a malformed template was accepted");
    } catch (const TavrelError &e) {
        QCOMPARE(e.message(), QStringLiteral("テンプレート bad.tpl の書式に誤りがあります（%1 行目）。").arg(line + 1));
    }
}

void TestTemplates::shippedTemplatesInstantiate()
{
    // Every installed template builds an entry; the series table is covered.
    const QString folder = QStringLiteral(TAVREL_BINARY_DIR);
    const QStringList captions{K, Mo, QStringLiteral("ｕＲシリーズ主装置"), UL, QStringLiteral("ｕＴシリーズ主装置"),
                               QStringLiteral("ｕＶシリーズ主装置"), QStringLiteral("Ｄｏシリーズ主装置"),
                               QStringLiteral("ＳＩＰ対応電話機")};
    if (QDir(folder).entryList({QStringLiteral("*.tpl")}).isEmpty())
        QSKIP("no templates installed in the build folder");
    for (const QString &caption : captions) {
        const QStringList types = templates::listTemplates(folder, caption);
        QVERIFY2(types.size() >= 2, qPrintable(caption));
        for (const QString &t : types) {
            RegisterDocument doc;
            EntryHeader h = header(t);
            h.seriesCaption = caption;
            templates::appendEntryFromTemplate(doc, folder, h);
            QVERIFY(doc.lineCount() > 10);
        }
    }
}

void TestTemplates::foldersMerge_data()
{
    // Files as "folder:name:series", folder p(rogram), s(ite) or u(ser).
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("listed");  // type/source for series K
    QTest::addColumn<QString>("created");     // folder the type "A" is read from, "" when none
    QTest::newRow("program only") << QStringList{"p:A:K", "p:B:K"} << QStringList{"A/program", "B/program"} << "p";
    QTest::newRow("user adds a type")
        << QStringList{"p:B:K", "u:A:K"} << QStringList{"A/user", "B/program"} << "u";
    QTest::newRow("site before user, both listed")
        << QStringList{"u:A:K", "s:A:K"} << QStringList{"A/site", "A/user"} << "s";
    QTest::newRow("program first of three")
        << QStringList{"u:A:K", "s:A:K", "p:A:K"} << QStringList{"A/program", "A/site", "A/user"} << "p";
    QTest::newRow("other series left out") << QStringList{"u:A:Mo", "s:C:K"} << QStringList{"C/site"} << "u";
    QTest::newRow("extension case") << QStringList{"u:a.TPL:K"} << QStringList{"a/user"} << "u";
    QTest::newRow("none") << QStringList{"p:B:Mo"} << QStringList{} << "";
}

void TestTemplates::foldersMerge()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, listed);
    QFETCH(QString, created);
    QTemporaryDir program, site, user;
    const QMap<QString, QTemporaryDir *> dirs{{"p", &program}, {"s", &site}, {"u", &user}};
    for (const QString &f : files) {
        const QStringList parts = f.split(u':');
        const QString name = parts.at(1).contains(u'.') ? parts.at(1) : parts.at(1) + QStringLiteral(".tpl");
        writeTemplate(*dirs.value(parts.at(0)), name, makeTemplate(parts.at(2) == "K" ? K : Mo, {{"001"}}));
    }
    const templates::Folders folders(program.path(), site.path(), user.path());
    QStringList got;
    for (const templates::Listed &l : templates::listTemplateFiles(folders, K))
        got.append(l.stripType + u'/' + templates::sourceName(l.source));
    QCOMPARE(got, listed);
    templates::Source source = templates::Source::Program;
    const QString path = templates::templatePath(folders, QStringLiteral("A"), &source);
    QCOMPARE(path.isEmpty(), created.isEmpty());
    if (!created.isEmpty()) {
        QVERIFY(path.startsWith(dirs.value(created)->path()));
        QCOMPARE(templates::sourceName(source).left(1), created);
        // The entry is made from the file found first.
        RegisterDocument doc;
        templates::appendEntryFromTemplate(doc, folders, header(QStringLiteral("A")));
        QCOMPARE(doc.findEntry(1), 2);
    }
    // A name the program folder holds may not be saved elsewhere.
    QCOMPARE(templates::installedNameProblem(folders, QStringLiteral("A")).isEmpty(),
             !files.join(u' ').contains(QStringLiteral("p:A:")));
}

void TestTemplates::userFolder_data()
{
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set") << QByteArray("/srv/data") << "/srv/data/tavrel/templates/";
    QTest::newRow("trailing slash") << QByteArray("/srv/data/") << "/srv/data/tavrel/templates/";
    QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.local/share/tavrel/templates/";
    QTest::newRow("relative is ignored") << QByteArray("data") << QDir::homePath() + "/.local/share/tavrel/templates/";
}

void TestTemplates::userFolder()
{
    QFETCH(QByteArray, dataHome);
    QFETCH(QString, expected);
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);
    const QString got = templates::userFolder();
    if (before.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", before);
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestTemplates)
#include "test_templates.moc"
