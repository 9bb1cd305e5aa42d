// The template model: read and written unchanged a template is the same
// file; the check names each damage; every edit is one undo step that gives
// the lines back byte for byte; grids and renumbering.

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templatecheck.h"
#include "register/templates.h"
#include "template/snapping.h"
#include "template/templatemodel.h"

#include <QDir>
#include <QTest>
#include <functional>

using tpl::CellData;
using tpl::CellRef;
using tpl::TemplateModel;

namespace {

Fixed4 mm(const char *text)
{
    return Fixed4::parse(QString::fromLatin1(text));
}

QStringList cellLines(const QString &x, const QString &code)
{
    const Fixed4 left = Fixed4::parse(x);
    auto at = [&](const char *d) { return (left + mm(d)).toString(); };
    return {x, "2", "20", "8", at("1"), "2.5", "3", "3", "ＭＳ Ｐゴシック", "6", "0", "0", "0", "3",
            code, at("5"), "2.5", "14", "7"};
}

// Series K, one section at (5, 5) of 100 × 50 with two keys: assignable key
// 1 at x 5 (lines 8 to 26) and a preset key at x 30 (lines 27 to 45).
QStringList base()
{
    return QStringList{series::caption(0), "1", "1", "5", "5", "100", "50", "2"} + cellLines("5", "001")
           + cellLines("30", "000 09保留");
}

QStringList installedTemplates()
{
    QStringList out;
    const QDir dir(QStringLiteral(TAVREL_SOURCE_DIR "/templates"));
    for (const QString &name : dir.entryList({QStringLiteral("*.tpl")}, QDir::Files))
        out.append(dir.filePath(name));
    return out;
}

} // namespace

class TestTemplateModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installedRoundTrip_data();
    void installedRoundTrip();
    void damage_data();
    void damage();
    void edits_data();
    void edits();
    void grid_data();
    void grid();
    void snapping_data();
    void snapping();
    void unreadableLoadKeepsModel();
    void creationRefusesCheckErrors();
    void writtenTemplatesMakeEntries_data();
    void writtenTemplatesMakeEntries();
};

void TestTemplateModel::installedRoundTrip_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &p : installedTemplates())
        QTest::newRow(qPrintable(QFileInfo(p).fileName())) << p;
}

void TestTemplateModel::installedRoundTrip()
{
    QFETCH(QString, path);
    const QByteArray bytes = textfile::readBytes(path);
    TemplateModel model;
    model.load(path);
    QCOMPARE(model.bytes(), bytes);
    QVERIFY(!model.isModified());
    const QList<templates::Problem> problems = model.check();
    for (const templates::Problem &p : problems)
        QVERIFY2(!p.isError(), qPrintable(p.text()));
    // Every cell read into values and written back gives the same lines.
    TemplateModel copy;
    copy.load(path);
    for (const CellRef &r : copy.allCells())
        copy.setCell(r, copy.cell(r));
    QCOMPARE(copy.bytes(), bytes);
}

void TestTemplateModel::damage_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("error");   // the problem expected is an error (else a warning)
    QTest::addColumn<QString>("text"); // its text
    auto with = [](int line, const QString &text) {
        QStringList l = base();
        l[line] = text;
        return l;
    };
    QStringList hundredOne{series::caption(0), "1", "1", "0", "0", "500", "500", "101"};
    for (int i = 0; i < 101; ++i)
        hundredOne += cellLines(QString::number(i * 4), QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')));
    QStringList manySections{series::caption(0), "101"};
    for (int i = 0; i < 101; ++i)
        manySections << "1" << "0" << "0" << "10" << "10" << "0";

    QTest::newRow("empty file") << QStringList() << true << "ファイルが空です。";
    QTest::newRow("no series") << with(0, "電話機") << true << "1 行目: シリーズの行に主装置のシリーズ名がありません。";
    QTest::newRow("section count") << with(1, "one") << true << "2 行目: 区画の数「one」が整数ではありません。";
    QTest::newRow("cell count") << with(7, "2.0") << true << "8 行目: 区画 1: セルの数「2.0」が整数ではありません。";
    QTest::newRow("fewer lines") << base().mid(0, 40) << true
                                 << "40 行目: 区画 1 のセル 2: ファイルが終わっています（区画 1 のセル 2 にはあと 6 行が必要です）。";
    QTest::newRow("101 sections") << manySections << true << "2 行目: 区画が 101 個あります（100 個まで）。";
    QTest::newRow("101 cells") << hundredOne << true << "8 行目: 区画 1: セルが 100 個を超えます。";
    QTest::newRow("section width zero") << with(5, "0") << true << "6 行目: 区画 1: 区画の幅が 0 以下です。";
    QTest::newRow("key height negative") << with(11, "-1") << true << "12 行目: 区画 1 のセル 1: キーの枠の高さが 0 以下です。";
    QTest::newRow("text width zero") << with(44, "0.0") << true << "45 行目: 区画 1 のセル 2: 文字の枠の幅が 0 以下です。";
    QTest::newRow("decimal refused") << with(8, "1..5") << true << "9 行目: 区画 1 のセル 1: キーの枠の X「1..5」が数値ではありません。";
    QTest::newRow("key number size") << with(17, "big") << true
                                     << "18 行目: 区画 1 のセル 1: キー番号の文字サイズ「big」が整数ではありません。";
    QTest::newRow("key outside section") << with(27, "85") << false
                                         << "28 行目: 区画 1 のセル 2: キーの枠が区画の外にあります。";
    QTest::newRow("text area outside section") << with(43, "45") << false
                                               << "43 行目: 区画 1 のセル 2: 文字の枠が区画の外にあります。";
    QTest::newRow("text area outside key") << with(42, "49") << false
                                           << "43 行目: 区画 1 のセル 2: 文字の枠がキーの枠の外にあります。";
    QTest::newRow("key number box outside key") << with(12, "1") << false
                                                << "13 行目: 区画 1 のセル 1: キー番号の枠がキーの枠の外にあります。";
    QStringList overlapping = base();
    overlapping.replace(27, "20");
    overlapping.replace(31, "21");
    overlapping.replace(42, "25");
    QTest::newRow("overlapping keys") << overlapping << false
                                      << "28 行目: 区画 1 のセル 2: キーの枠が区画 1 のセル 1 のキーと重なっています。";
    QTest::newRow("same key number") << with(41, "001") << false
                                     << "42 行目: 区画 1 のセル 2: キー番号 1 は区画 1 のセル 1 と同じです。";
    QTest::newRow("control character in preset") << with(41, QStringLiteral("000 09保\t留")) << true
                                                 << "42 行目: 区画 1 のセル 2: 固定の文字列に制御文字 (U+0009) があります。";
    QTest::newRow("undecodable bytes") << with(16, QStringLiteral("ＭＳ\uFFFD")) << true
                                       << "17 行目: 読み込めないバイト列があります。";
    QTest::newRow("preset text not storable") << with(41, QStringLiteral("000 09保留\u00e9")) << false
                                              << QString();
}

void TestTemplateModel::damage()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, error);
    QFETCH(QString, text);
    QVERIFY(!templates::hasErrors(templates::checkTemplate(base())));
    QVERIFY(templates::checkTemplate(base()).isEmpty());
    const QList<templates::Problem> problems = templates::checkTemplate(lines);
    QCOMPARE(templates::hasErrors(problems), error);
    QVERIFY(!problems.isEmpty());
    const templates::Problem &first = problems.constFirst();
    QCOMPARE(first.isError(), error);
    if (text.isEmpty()) // a character named by the text rule's own message
        QVERIFY2(first.text().startsWith(QStringLiteral("42 行目: 区画 1 のセル 2: 固定の文字列に登録できない文字があります")),
                 qPrintable(first.text()));
    else
        QCOMPARE(first.text(), text);
    // Creation refuses exactly the templates with errors.
    bool made = true;
    try {
        templates::instantiateBody(lines, QStringLiteral("t.tpl"));
    } catch (const TavrelError &) {
        made = false;
    }
    QCOMPARE(made, !error);
}

void TestTemplateModel::edits_data()
{
    using Edit = std::function<void(TemplateModel &)>;
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("cells");       // cells after the edit
    QTest::addColumn<QString>("changed"); // a line after the edit, "index=text"
    const QList<CellRef> both{{0, 0}, {0, 1}};
    QTest::newRow("move right") << Edit([=](TemplateModel &m) { m.moveCells(both, mm("0.1"), Fixed4()); }) << 2
                                << "8=5.1";
    QTest::newRow("move up a millimetre") << Edit([=](TemplateModel &m) { m.moveCells({{0, 1}}, Fixed4(), mm("-1")); })
                                          << 2 << "43=1.5";
    QTest::newRow("resize") << Edit([](TemplateModel &m) {
        CellData d = m.cell({0, 0});
        d.keyBox.width = mm("22.25");
        m.setCell({0, 0}, d);
    }) << 2 << "10=22.25";
    QTest::newRow("preset text") << Edit([](TemplateModel &m) {
        CellData d = m.cell({0, 0});
        d.keyCode = CellData::presetCode(10, QStringLiteral("内線"));
        m.setCell({0, 0}, d);
    }) << 2 << "22=000 10内線";
    QTest::newRow("add section") << Edit([](TemplateModel &m) { m.addSection({mm("5"), mm("60"), mm("50"), mm("20")}); })
                                 << 2 << "1=2";
    QTest::newRow("remove section") << Edit([](TemplateModel &m) { m.removeSection(0); }) << 0 << "1=0";
    QTest::newRow("add a column of keys") << Edit([](TemplateModel &m) {
        tpl::GridSpec g;
        g.rows = 3;
        g.firstNumber = 7;
        g.firstY = mm("12");
        m.addCells(0, g.cells());
    }) << 5 << "7=5";
    QTest::newRow("remove cells") << Edit([=](TemplateModel &m) { m.removeCells({{0, 1}, {0, 0}}); }) << 0 << "7=0";
    QTest::newRow("duplicate") << Edit([=](TemplateModel &m) { m.duplicateCells({{0, 0}}, Fixed4(), mm("10")); }) << 3
                               << "47=12";
    QTest::newRow("renumber from 5") << Edit([](TemplateModel &m) { m.renumber(5); }) << 2 << "22=005";
    QTest::newRow("series") << Edit([](TemplateModel &m) { m.setOfferedSeries({0, 7}); }) << 2
                            << "0=" + series::caption(0) + series::caption(7);
    QTest::newRow("key numbers hidden") << Edit([](TemplateModel &m) { m.setKeyNumbersShown(0, false); }) << 2 << "2=0";
}

void TestTemplateModel::edits()
{
    using Edit = std::function<void(TemplateModel &)>;
    QFETCH(Edit, edit);
    QFETCH(int, cells);
    QFETCH(QString, changed);
    TemplateModel model;
    model.loadLines(base());
    const QByteArray before = model.bytes();
    int signals = 0;
    connect(&model, &TemplateModel::changed, this, [&] { ++signals; });
    edit(model);
    QCOMPARE(signals, 1); // one announcement per edit, however many lines
    QVERIFY(model.isModified());
    QCOMPARE(model.totalCells(), cells);
    const int eq = int(changed.indexOf(u'='));
    QCOMPARE(model.lines().value(changed.left(eq).toInt()), changed.mid(eq + 1));
    const QByteArray after = model.bytes();
    QVERIFY(!templates::hasErrors(model.check()));
    QVERIFY(model.canUndo());
    model.undo();
    QCOMPARE(model.bytes(), before);
    QVERIFY(!model.isModified());
    QVERIFY(!model.canUndo()); // the edit was one step
    model.redo();
    QCOMPARE(model.bytes(), after);
    QCOMPARE(model.totalCells(), cells);
}

void TestTemplateModel::grid_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("probe");       // a key by its place in numbering order
    QTest::addColumn<QString>("keyCode"); // its key code
    QTest::addColumn<QString>("place");   // its key box x,y
    QTest::newRow("one column of 9") << 1 << 9 << false << 8 << "009" << "1.5,81.5";
    QTest::newRow("rows across") << 3 << 2 << false << 4 << "005" << "33.5,11.5";
    QTest::newRow("columns down") << 3 << 2 << true << 4 << "005" << "65.5,1.5";
}

void TestTemplateModel::grid()
{
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(bool, down);
    QFETCH(int, probe);
    QFETCH(QString, keyCode);
    QFETCH(QString, place);
    tpl::GridSpec g;
    g.columns = columns;
    g.rows = rows;
    g.downColumns = down;
    QVERIFY(g.problem().isEmpty());
    const QList<CellData> cells = g.cells();
    QCOMPARE(cells.size(), columns * rows);
    QCOMPARE(cells.at(probe).keyCode, keyCode);
    QCOMPARE(cells.at(probe).keyBox.x.toString() + u',' + cells.at(probe).keyBox.y.toString(), place);
    // The whole template is sound: no error and no warning.
    const QStringList lines = tpl::gridTemplate(g, series::caption(7), mm("5"), mm("5"));
    QCOMPARE(templates::checkTemplate(lines), QList<templates::Problem>());
    // Renumbering a grid numbered down the columns gives reading order.
    TemplateModel model;
    model.loadLines(lines);
    model.renumber();
    QList<int> numbers;
    QList<std::pair<Fixed4, Fixed4>> places;
    for (const CellRef &r : model.allCells())
        places.append({model.cell(r).keyBox.y, model.cell(r).keyBox.x});
    QList<std::pair<Fixed4, Fixed4>> sorted = places;
    std::sort(sorted.begin(), sorted.end());
    for (const CellRef &r : model.allCells())
        numbers.append(int(sorted.indexOf(places.at(model.flatIndex(r)))) + 1);
    for (const CellRef &r : model.allCells())
        QCOMPARE(model.cell(r).keyNumber(), numbers.at(model.flatIndex(r)));
}

void TestTemplateModel::snapping_data()
{
    QTest::addColumn<QString>("moving"); // x,width of the moved box
    QTest::addColumn<QString>("delta");
    QTest::addColumn<QString>("other");  // x,width of another box, "" for none
    QTest::addColumn<bool>("grid");
    QTest::addColumn<bool>("edges");
    QTest::addColumn<QString>("result"); // the move made
    QTest::newRow("onto the half-millimetre grid") << "1.23,5" << "0.1" << "" << true << true << "0.27";
    QTest::newRow("right edge onto another's left") << "10,5" << "0.1" << "16,4" << false << true << "1";
    QTest::newRow("left edge onto another's right") << "10,5" << "-1.5" << "7.7,1" << false << true << "-1.3";
    QTest::newRow("edge out of reach") << "10,5" << "-1" << "16,4" << false << true << "-1";
    QTest::newRow("nearer target wins") << "10,5" << "0.1" << "9.7,0.1" << true << true << "0";
    QTest::newRow("snapping off") << "1.23,5" << "0.1" << "1.5,3" << false << false << "0.1";
    QTest::newRow("negative positions") << "-2.2,1" << "0" << "" << true << false << "0.2";
}

void TestTemplateModel::snapping()
{
    QFETCH(QString, moving);
    QFETCH(QString, delta);
    QFETCH(QString, other);
    QFETCH(bool, grid);
    QFETCH(bool, edges);
    QFETCH(QString, result);
    auto rect = [](const QString &xw) {
        const QStringList p = xw.split(u',');
        return strip::MmRect{Fixed4::parse(p.at(0)), Fixed4::fromInt(3), Fixed4::parse(p.at(1)), Fixed4::fromInt(2)};
    };
    tpl::SnapOptions o;
    o.grid = grid;
    o.edges = edges;
    QList<strip::MmRect> others;
    if (!other.isEmpty())
        others.append(rect(other));
    const auto [dx, dy] = tpl::snapMove(rect(moving), Fixed4::parse(delta), Fixed4(), others, o);
    QCOMPARE(dx.toString(), result);
    // The other axis has nothing near but the grid: y 3 stays.
    QCOMPARE(dy, Fixed4());
}

void TestTemplateModel::unreadableLoadKeepsModel()
{
    TemplateModel model;
    model.loadLines(base());
    const QByteArray before = model.bytes();
    QStringList broken = base();
    broken[7] = QStringLiteral("9");
    try {
        model.loadLines(broken);
        QFAIL("a template whose counts run past its end was read");
    } catch (const TavrelError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("区画 1 のセル 3")), qPrintable(e.message()));
    }
    QCOMPARE(model.bytes(), before);
    QCOMPARE(model.totalCells(), 2);
}

void TestTemplateModel::creationRefusesCheckErrors()
{
    // An entry made from the model's lines passes the register check.
    TemplateModel model;
    model.loadLines(base());
    model.addSection({mm("5"), mm("60"), mm("120"), mm("40")});
    tpl::GridSpec g;
    g.rows = 3;
    model.addCells(1, g.cells());
    const QStringList body = templates::instantiateBody(model.lines(), QStringLiteral("t.tpl"));
    QStringList doc{RegisterDocument::VersionLine, "1", RegisterDocument::markerLine(1), "201", "", "", "",
                    series::caption(0), "t"};
    QVERIFY(checkRegister(RegisterLines(doc + body)).isEmpty());
}

void TestTemplateModel::writtenTemplatesMakeEntries_data()
{
    // The seeds of the template fuzzer and the installed templates.
    QTest::addColumn<QString>("path");
    QDir corpus(QStringLiteral(TAVREL_SOURCE_DIR "/tests/fuzz/corpus/template"));
    for (const QString &name : corpus.entryList(QDir::Files))
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    for (const QString &p : installedTemplates())
        QTest::newRow(qPrintable(QFileInfo(p).fileName())) << p;
}

void TestTemplateModel::writtenTemplatesMakeEntries()
{
    // What the writer writes after the designer's edits passes the check
    // without errors and makes an entry that the register check accepts;
    // undoing every edit gives the file back.
    QFETCH(QString, path);
    const QByteArray bytes = textfile::readBytes(path);
    if (templates::hasErrors(templates::checkTemplate(textfile::decode(bytes).lines)))
        QSKIP("a template with errors is not edited");
    TemplateModel model;
    model.loadBytes(bytes);
    const QByteArray initial = model.bytes();
    const QList<CellRef> cells = model.allCells();
    model.moveCells(cells, mm("0.1"), mm("-1"));
    if (model.sectionCount() < 100 && model.totalCells() + 3 <= 100) {
        tpl::GridSpec column;
        column.rows = 3;
        model.addCells(model.addSection(column.sectionAround(mm("1"), mm("1"))), column.cells());
    }
    if (!cells.isEmpty()) {
        CellData d = model.cell(cells.first());
        d.keyCode = CellData::presetCode(10, QStringLiteral("保留"));
        model.setCell(cells.first(), d);
    }
    model.renumber();
    const QStringList written = textfile::decode(model.bytes()).lines;
    for (const templates::Problem &p : templates::checkTemplate(written))
        QVERIFY2(!p.isError(), qPrintable(p.text()));
    const QStringList body = templates::instantiateBody(written, QStringLiteral("w.tpl"));
    const QStringList doc{RegisterDocument::VersionLine, "1", RegisterDocument::markerLine(1), "1", "", "", "",
                          series::caption(0), "w"};
    const QList<RegisterProblem> problems = checkRegister(RegisterLines(doc + body));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.isEmpty() ? QString() : problems.first().message));
    while (model.canUndo())
        model.undo();
    QCOMPARE(model.bytes(), initial);
}

QTEST_GUILESS_MAIN(TestTemplateModel)
#include "test_templatemodel.moc"
