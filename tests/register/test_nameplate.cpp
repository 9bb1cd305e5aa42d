// Name plates: placeholders in preset texts filled when an entry is made,
// rewritten by header edits and copies while the text is as it was made,
// left alone once the user changed it. The shipped templates all have one.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/celltext.h"
#include "register/nameplate.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "register/templates.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString K = QStringLiteral("Ｋシリーズ主装置");

QStringList templateCell(const QString &keyCode)
{
    return {"1", "1", "20", "6", "1", "1", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "1",
            keyCode, "5", "1.5", "14", "4"};
}

// One section: an assignable key, three plates, a fixed preset key.
QStringList plateTemplate()
{
    QStringList t{K, "1", "0", "2", "3", "100", "50", "5"};
    for (const QString &code : {QStringLiteral("001"), QStringLiteral("000 09内線 {内線番号}"),
                                QStringLiteral("-02 10{部署}／{使用者名}"), QStringLiteral("000 08{使用者名}"),
                                QStringLiteral("000 09保留")})
        t << templateCell(code);
    return t;
}

EntryHeader header(const QString &ext, const QString &dept, const QString &user)
{
    return {ext, dept, user, QStringLiteral("2024/01/02 03:04"), K, QStringLiteral("札")};
}

// The text lines of every cell of entry n, in cell order.
QList<QStringList> cellTexts(const RegisterDocument &doc, int n)
{
    struct Collect : strip::StripVisitor
    {
        const RegisterLines *lines;
        QList<QStringList> out;
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            out.append(lines->mid(c.line + 33, c.textLineCount));
            return true;
        }
    } collect;
    collect.lines = &doc.lines();
    strip::walkStrip(doc.lines(), doc.findEntry(n) + 1, collect, strip::WalkGeometry::Skip);
    return collect.out;
}

} // namespace

class TestNamePlate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fill_data();
    void fill();
    void filledAtCreation();
    void headerEditRewritesUntouchedPlates_data();
    void headerEditRewritesUntouchedPlates();
    void editingBackRestoresTheRegister();
    void longValuesCutAndFollowed();
    void copyFollowsTheNewHeader();
    void malformedStripKeepsItsLines();
    void shippedTemplatesHavePlates();

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + u'/'; }
};

void TestNamePlate::initTestCase()
{
    textfile::write(m_dir.filePath(QStringLiteral("札.tpl")), plateTemplate());
}

void TestNamePlate::fill_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filled");
    QTest::newRow("none") << "保留" << "保留";
    QTest::newRow("extension") << "内線 {内線番号}" << "内線 201";
    QTest::newRow("all three") << "{内線番号}{部署}{使用者名}" << "201総務{部署}山田";
    QTest::newRow("twice") << "{使用者名}・{使用者名}" << "山田・山田";
    QTest::newRow("unknown kept") << "{氏名} {内線" << "{氏名} {内線";
    QTest::newRow("braces around") << "{{内線番号}}" << "{201}";
}

void TestNamePlate::fill()
{
    QFETCH(QString, text);
    QFETCH(QString, filled);
    // The department holds a placeholder's name: it is not replaced again.
    QCOMPARE(nameplate::fill(text, header("201", "総務{部署}", "山田")), filled);
}

void TestNamePlate::filledAtCreation()
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("201", "総務部", "山田 太郎"));
    const QList<QStringList> texts = cellTexts(doc, 1);
    QCOMPARE(texts, (QList<QStringList>{{}, {"内線 201"}, {"総務部／山田 太郎"}, {"山田 太郎"}, {"保留"}}));
    // Empty values leave the rest of the text.
    templates::appendEntryFromTemplate(doc, folder(), header("202", "", ""));
    QCOMPARE(cellTexts(doc, 2).at(2), QStringList{"／"});
    QVERIFY(checkRegister(doc.lines()).isEmpty());
}

void TestNamePlate::headerEditRewritesUntouchedPlates_data()
{
    QTest::addColumn<int>("typedCell");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QList<QStringList>>("after");
    QTest::addColumn<int>("rewritten");
    // Header 201/総務部/山田 becomes 301/営業部/佐藤.
    QTest::newRow("nothing typed") << -1 << QStringList()
                                   << QList<QStringList>{{}, {"内線 301"}, {"営業部／佐藤"}, {"佐藤"}, {"保留"}} << 3;
    QTest::newRow("plate typed over") << 2 << QStringList{"受付"}
                                      << QList<QStringList>{{}, {"内線 301"}, {"受付"}, {"佐藤"}, {"保留"}} << 2;
    QTest::newRow("second line added") << 1 << QStringList{"内線 201", "直通"}
                                       << QList<QStringList>{{}, {"内線 201", "直通"}, {"営業部／佐藤"}, {"佐藤"}, {"保留"}} << 2;
    QTest::newRow("plate emptied") << 3 << QStringList()
                                   << QList<QStringList>{{}, {"内線 301"}, {"営業部／佐藤"}, {}, {"保留"}} << 2;
    QTest::newRow("typed the old value") << 3 << QStringList{"山田"}
                                         << QList<QStringList>{{}, {"内線 301"}, {"営業部／佐藤"}, {"佐藤"}, {"保留"}} << 3;
    QTest::newRow("assignable key holds the same text") << 0 << QStringList{"内線 201"}
                                         << QList<QStringList>{{"内線 201"}, {"内線 301"}, {"営業部／佐藤"}, {"佐藤"}, {"保留"}} << 3;
}

void TestNamePlate::headerEditRewritesUntouchedPlates()
{
    QFETCH(int, typedCell);
    QFETCH(QStringList, typed);
    QFETCH(QList<QStringList>, after);
    QFETCH(int, rewritten);
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("100", "別", "別"));
    templates::appendEntryFromTemplate(doc, folder(), header("201", "総務部", "山田"));
    if (typedCell >= 0)
        strip::writeCellText(doc, doc.findEntry(2) + 1, typedCell, typed);
    const QStringList firstEntry = doc.lines().mid(0, doc.findEntry(2));
    QCOMPARE(nameplate::updateEntryHeader(doc, 2, header("301", "営業部", "佐藤")), rewritten);
    QCOMPARE(cellTexts(doc, 2), after);
    QCOMPARE(doc.headerOfEntry(2), header("301", "営業部", "佐藤"));
    QCOMPARE(doc.lines().mid(0, doc.findEntry(2)), firstEntry); // other entries untouched
}

void TestNamePlate::editingBackRestoresTheRegister()
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("201", "総務部", "山田"));
    const QString path = m_dir.filePath(QStringLiteral("back.TAV"));
    doc.save(path);
    const QByteArray saved = textfile::readBytes(path);
    QCOMPARE(nameplate::updateEntryHeader(doc, 1, header("201", "経理部", "山田")), 1);
    QVERIFY(doc.isModified());
    // Only the department changed: the extension plate and the name plate
    // are not written at all.
    QCOMPARE(nameplate::updateEntryHeader(doc, 1, header("201", "総務部", "山田")), 1);
    QVERIFY(!doc.isModified());
    doc.save(path);
    QCOMPARE(textfile::readBytes(path), saved);
    // A value with a line break is refused before anything changes.
    QVERIFY_THROWS_EXCEPTION(TavrelError, nameplate::updateEntryHeader(doc, 1, header("201", "総\n務", "山田")));
    QVERIFY(!doc.isModified());
}

void TestNamePlate::longValuesCutAndFollowed()
{
    // A department may hold 32 characters; a plate line holds 20.
    const QString dept = QStringLiteral("Information Systems Dept 2");
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("201", dept, "山田"));
    QCOMPARE(cellTexts(doc, 1).at(2), QStringList{dept.left(20)});
    QCOMPARE(nameplate::updateEntryHeader(doc, 1, header("201", "Accounts", "山田")), 1);
    QCOMPARE(cellTexts(doc, 1).at(2), QStringList{"Accounts／山田"});
}

void TestNamePlate::copyFollowsTheNewHeader()
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("201", "総務部", "山田"));
    strip::writeCellText(doc, 3, 3, {"代表"});
    strip::writeCellText(doc, 3, 0, {"FAX"});
    const QStringList source = doc.lines().toStringList();
    nameplate::appendEntryAsCopy(doc, header("202", "総務部", "佐藤"), 1);
    QCOMPARE(cellTexts(doc, 2), (QList<QStringList>{{"FAX"}, {"内線 202"}, {"総務部／佐藤"}, {"代表"}, {"保留"}}));
    QCOMPARE(doc.lines().mid(2, int(source.size()) - 2), source.mid(2)); // the source entry as it was
    QVERIFY(checkRegister(doc.lines()).isEmpty());
}

void TestNamePlate::malformedStripKeepsItsLines()
{
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, folder(), header("201", "総務部", "山田"));
    const int count = doc.findEntry(1) + 1 + 6 + 1 + 5; // the first section's cell count
    doc.setLine(count, QStringLiteral("x"));
    const QStringList before = doc.lines().toStringList();
    QCOMPARE(nameplate::updateEntryHeader(doc, 1, header("301", "営業部", "佐藤")), 0);
    QCOMPARE(doc.headerOfEntry(1).extension, QStringLiteral("301"));
    QCOMPARE(doc.lines().toStringList().mid(10), before.mid(10));
}

void TestNamePlate::shippedTemplatesHavePlates()
{
    // Every shipped strip type of every series gets its plate filled, and
    // the register it makes passes the check.
    const QString shipped = QStringLiteral(TAVREL_BINARY_DIR "/");
    RegisterDocument doc;
    int made = 0;
    for (int s = 0; s < series::Count; ++s) {
        for (const QString &type : templates::listTemplates(shipped, series::caption(s))) {
            const QString ext = QString::number(1000 + made);
            templates::appendEntryFromTemplate(
                doc, shipped, {ext, QStringLiteral("営業部"), QStringLiteral("佐藤 花子"), "2024/01/02 03:04",
                               series::caption(s), type});
            ++made;
            const QList<QStringList> texts = cellTexts(doc, made);
            bool plate = false;
            for (const QStringList &t : texts) {
                for (const QString &line : t)
                    QVERIFY2(!line.contains(u'{'), qPrintable(type + u':' + line));
                plate = plate || t.join(u' ').contains(ext);
            }
            QVERIFY2(plate, qPrintable(type));
            QVERIFY(texts.size() <= regfmt::MaxCells);
        }
    }
    QVERIFY(made >= 16);
    QVERIFY(checkRegister(doc.lines()).isEmpty());
}

QTEST_GUILESS_MAIN(TestNamePlate)
#include "test_nameplate.moc"
