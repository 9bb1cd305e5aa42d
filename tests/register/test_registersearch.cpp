// Find and replace over cell texts: the dialog's step from its start point,
// the comparison, positions with two-character line breaks, the replacement
// in the register line, and the whole-register find and replace.

#include "../strip/stripfixture.h"

#include "register/registersearch.h"
#include "register/stripwalk.h"

#include <QTest>

namespace {

// A register written compactly: one string per entry, cells separated by
// ';', text lines of a cell by '/'; a cell starting with '#' shows a picture.
RegisterDocument makeRegister(const QStringList &entries)
{
    QList<TestEntry> list;
    for (const QString &spec : entries) {
        TestEntry e;
        TestSection s;
        for (QString cellSpec : spec.split(u';')) {
            TestCell c;
            if (cellSpec.startsWith(u'#')) {
                cellSpec.remove(0, 1);
                c.pictureType = QStringLiteral(".bmp");
                c.pictureData = QStringLiteral("Qk0=");
            }
            c.text = cellSpec.isEmpty() ? QStringList() : cellSpec.split(u'/');
            s.cells.append(c);
        }
        e.sections.append(s);
        list.append(e);
    }
    RegisterDocument doc;
    doc.setLines(RegisterLines(registerLines(list)));
    return doc;
}

QString describe(const regsearch::StepResult &r)
{
    if (!r.found)
        return QStringLiteral("-");
    return QStringLiteral("%1:%2:%3").arg(r.occurrence.entry).arg(r.occurrence.cell).arg(r.occurrence.position);
}

QStringList cellText(const RegisterDocument &doc, int entry, int cell)
{
    const int b = strip::locateCell(doc.lines(), doc.findEntry(entry) + 1, cell);
    QStringList l;
    const regfmt::CellLines record(doc.lines(), b);
    for (int j = 0; j < record.textCount(); ++j)
        l << doc.line(record.firstTextLine() + j);
    return l;
}

} // namespace

class TestRegisterSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void comparison_data();
    void comparison();
    void findSteps_data();
    void findSteps();
    void replaceSteps_data();
    void replaceSteps();
    void changedCellNotReplaced();
    void findCellAnswersNone();
    void findAllAndPlan();
};

void TestRegisterSearch::comparison_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("index");
    QTest::newRow("exact") << "xabx" << "ab" << true << 1;
    QTest::newRow("ascii folded") << "xAbx" << "aB" << false << 1;
    QTest::newRow("ascii case-sensitive") << "xAbx" << "ab" << true << -1;
    QTest::newRow("full-width never folded") << QStringLiteral("Ａｂ") << QStringLiteral("ａｂ") << false << -1;
    QTest::newRow("full-width exact") << QStringLiteral("xＡｂ") << QStringLiteral("Ａｂ") << false << 1;
    QTest::newRow("only letters fold: [ and {") << "x[y" << "{" << false << -1;
    QTest::newRow("only letters fold: @ and `") << "x@y" << "`" << false << -1;
    QTest::newRow("text longer than line") << "ab" << "abc" << false << -1;
    QTest::newRow("at the end") << "xyzab" << "AB" << false << 3;
    QTest::newRow("empty text matches nothing") << "ab" << "" << false << -1;
}

void TestRegisterSearch::comparison()
{
    QFETCH(QString, line);
    QFETCH(QString, text);
    QFETCH(bool, caseSensitive);
    QFETCH(int, index);
    QCOMPARE(int(regsearch::indexIn(line, 0, text, caseSensitive)), index);
}

void TestRegisterSearch::findSteps_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("startEntry");
    QTest::addColumn<int>("startCell");
    QTest::addColumn<QStringList>("steps"); // entry:cell:position per press, "-" for none

    QTest::newRow("current cell: earlier cells not examined")
        << QStringList{"ab;cd;ab", "ab"} << "ab" << false << 1 << 1 << QStringList{"1:2:1", "2:0:1", "-", "-"};
    QTest::newRow("current entry: earlier entries not examined")
        << QStringList{"ab", "x;ab"} << "ab" << false << 2 << 0 << QStringList{"2:1:1", "-"};
    QTest::newRow("from the first entry: entry 1 cell 0 first")
        << QStringList{"ab", "ab"} << "ab" << false << 1 << 0 << QStringList{"1:0:1", "2:0:1", "-"};
    QTest::newRow("after the last cell: cell 0 of the next entry")
        << QStringList{"x;ab", "ab;x"} << "ab" << false << 1 << 1 << QStringList{"1:1:1", "2:0:1", "-"};
    QTest::newRow("two copies: resumes two after the occurrence")
        << QStringList{"abab"} << "ab" << false << 1 << 0 << QStringList{"1:0:1", "-"};
    QTest::newRow("gap of one: found again") << QStringList{"abXab"} << "ab" << false << 1 << 0
                                             << QStringList{"1:0:1", "1:0:4", "-"};
    QTest::newRow("ascii folding") << QStringList{"xAbx"} << "aB" << false << 1 << 0 << QStringList{"1:0:2"};
    QTest::newRow("case-sensitive") << QStringList{"xAbx;ab"} << "ab" << true << 1 << 0 << QStringList{"1:1:1"};
    QTest::newRow("full-width not folded") << QStringList{QStringLiteral("ａｂ;Ａｂ")} << QStringLiteral("Ａｂ") << false
                                           << 1 << 0 << QStringList{"1:1:1", "-"};
    QTest::newRow("never across lines") << QStringList{"ab/cd"} << "bc" << false << 1 << 0 << QStringList{"-"};
    QTest::newRow("line break counts two") << QStringList{"ab/cd/xcd"} << "cd" << false << 1 << 0
                                           << QStringList{"1:0:5", "1:0:10", "-"};
    QTest::newRow("picture cells skipped") << QStringList{"#ab;ab"} << "ab" << false << 1 << 0
                                           << QStringList{"1:1:1", "-"};
    QTest::newRow("text longer than every line") << QStringList{"ab;cd"} << "abcd" << false << 1 << 0
                                                 << QStringList{"-"};
    QTest::newRow("cells without text") << QStringList{";;ab"} << "ab" << false << 1 << 0 << QStringList{"1:2:1"};
    QTest::newRow("start cell past the entry's cells") << QStringList{"ab", "ab"} << "ab" << false << 1 << 7
                                                       << QStringList{"2:0:1"};
}

void TestRegisterSearch::findSteps()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(bool, caseSensitive);
    QFETCH(int, startEntry);
    QFETCH(int, startCell);
    QFETCH(QStringList, steps);
    RegisterDocument doc = makeRegister(entries);
    const QStringList before = doc.lines().toStringList();
    regsearch::State state;
    regsearch::StepRequest req;
    req.text = text;
    req.caseSensitive = caseSensitive;
    req.startEntry = startEntry;
    req.startCell = startCell;
    req.entryCount = int(entries.size());
    for (const QString &expected : steps) {
        const regsearch::StepResult r = regsearch::step(doc, state, req);
        QCOMPARE(describe(r), expected);
        QVERIFY(!r.replaced);
    }
    QCOMPARE(doc.lines().toStringList(), before); // finding never changes a line
}

void TestRegisterSearch::replaceSteps_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replacement");
    // Per press: the occurrence shown ("-" none), then "r<caret>" when a
    // replacement was made, "refused<length>" when it was refused.
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QStringList>("cell0"); // text of entry 1, cell 0 at the end

    QTest::newRow("four characters to three, caret after")
        << QStringList{"abcd"} << "ab" << "x" << QStringList{"1:0:1", "- r1"} << QStringList{"xcd"};
    QTest::newRow("replace shows the next occurrence")
        << QStringList{"ab;ab"} << "ab" << "ZZZ" << QStringList{"1:0:1", "1:1:1 r3", "- r3"} << QStringList{"ZZZ"};
    QTest::newRow("following text moves with the replacement")
        << QStringList{"abXab"} << "ab" << "c" << QStringList{"1:0:1", "1:0:3 r1", "- r3"} << QStringList{"cXc"};
    QTest::newRow("second line: caret in editor characters")
        << QStringList{"xy/abcd"} << "ab" << "Q" << QStringList{"1:0:5", "- r4"} << QStringList{"xy", "Qcd"};
    QTest::newRow("growing past 20 refused, then passed over")
        << QStringList{"abcdefghijklmnopqrst;a"} << "a" << "xx" << QStringList{"1:0:1", "- refused21", "1:1:1", "- r2"}
        << QStringList{"abcdefghijklmnopqrst"};
    QTest::newRow("exactly 20 accepted") << QStringList{"abcdefghijklmnopqrs"} << "a" << "xx"
                                         << QStringList{"1:0:1", "- r2"} << QStringList{"xxbcdefghijklmnopqrs"};
    QTest::newRow("case folded replace") << QStringList{"AB"} << "ab" << "c" << QStringList{"1:0:1", "- r1"}
                                         << QStringList{"c"};
}

void TestRegisterSearch::replaceSteps()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(QString, replacement);
    QFETCH(QStringList, presses);
    QFETCH(QStringList, cell0);
    RegisterDocument doc = makeRegister(entries);
    regsearch::State state;
    regsearch::StepRequest req;
    req.text = text;
    req.replacement = replacement;
    req.replace = true;
    req.entryCount = int(entries.size());
    for (qsizetype i = 0; i < presses.size(); ++i) {
        const QStringList before = doc.lines().toStringList();
        const regsearch::StepResult r = regsearch::step(doc, state, req);
        QString got = describe(r);
        if (r.replaced)
            got += QStringLiteral(" r%1").arg(r.caret);
        if (r.refused)
            got += QStringLiteral(" refused%1").arg(r.refusedLength);
        QCOMPARE(got, presses.at(i));
        if (i == 0 || r.refused)
            QCOMPARE(doc.lines().toStringList(), before); // the first press only shows
    }
    QCOMPARE(cellText(doc, 1, 0), cell0);
}

void TestRegisterSearch::changedCellNotReplaced()
{
    // The shown occurrence is changed before the replace press: nothing is
    // replaced, neither there nor at the same position of the next cell,
    // which is shown instead.
    RegisterDocument doc = makeRegister({"abcd;ab"});
    regsearch::State state;
    regsearch::StepRequest req;
    req.text = QStringLiteral("ab");
    req.replacement = QStringLiteral("x");
    req.replace = true;
    req.entryCount = 1;
    QCOMPARE(describe(regsearch::step(doc, state, req)), QStringLiteral("1:0:1"));
    const int b = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 0);
    doc.setLine(regfmt::CellLines(doc.lines(), b).firstTextLine(), QStringLiteral("zzcd"));
    const regsearch::StepResult r = regsearch::step(doc, state, req);
    QVERIFY(!r.replaced);
    QCOMPARE(describe(r), QStringLiteral("1:1:1"));
    QCOMPARE(cellText(doc, 1, 0), QStringList{"zzcd"});
    QCOMPARE(cellText(doc, 1, 1), QStringList{"ab"});
}

void TestRegisterSearch::findCellAnswersNone()
{
    RegisterDocument doc = makeRegister({"a;b", "c"});
    const int h = doc.findEntry(1) + 1;
    QVERIFY(strip::findCell(doc.lines(), h, 1) > h);
    QCOMPARE(strip::findCell(doc.lines(), h, 2), -1);
    QCOMPARE(strip::findCell(doc.lines(), h, -1), -1);
    QVERIFY_THROWS_EXCEPTION(TavrelError, strip::locateCell(doc.lines(), h, 2));
}

void TestRegisterSearch::findAllAndPlan()
{
    RegisterDocument doc = makeRegister({"aaaa/xa;#aa", "Aa"});
    QList<regsearch::Occurrence> all = regsearch::findAll(doc, QStringLiteral("aa"), false);
    QStringList got;
    for (const auto &o : all)
        got << QStringLiteral("%1:%2:%3").arg(o.entry).arg(o.cell).arg(o.position);
    QCOMPARE(got, (QStringList{"1:0:1", "1:0:3", "2:0:1"}));
    QCOMPARE(regsearch::findAll(doc, QStringLiteral("aa"), true).size(), 2);
    const QList<int> only2{2};
    QCOMPARE(regsearch::findAll(doc, QStringLiteral("aa"), false, &only2).size(), 1);

    regsearch::ReplacePlan plan = regsearch::planReplace(doc, QStringLiteral("a"), QStringLiteral("b"), true);
    QVERIFY(plan.tooLong.isEmpty());
    regsearch::applyReplace(doc, plan);
    QCOMPARE(cellText(doc, 1, 0), (QStringList{"bbbb", "xb"}));
    QCOMPARE(cellText(doc, 1, 1), QStringList{"aa"}); // picture cell untouched
    QCOMPARE(cellText(doc, 2, 0), QStringList{"Ab"});

    const QStringList before = doc.lines().toStringList();
    plan = regsearch::planReplace(doc, QStringLiteral("b"), QStringLiteral("123456"), false);
    QCOMPARE(plan.tooLong.size(), 1); // bbbb would hold 24 characters
    QCOMPARE(plan.tooLong.constFirst().length, 24);
    QVERIFY_THROWS_EXCEPTION(TavrelError, regsearch::applyReplace(doc, plan));
    QCOMPARE(doc.lines().toStringList(), before);
}

QTEST_GUILESS_MAIN(TestRegisterSearch)
#include "test_registersearch.moc"
