// The detail view and the overview of the main window: the elements built
// for each kind of cell, the selection by pointer and keyboard with the cell
// command state after each gesture, the view switches with their scrolling,
// the overview's double-clicks and the limits of a strip.

#include "platform/textfile.h"
#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/nameplate.h"
#include "register/registerhistory.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "strip/cellformat.h"
#include "strip/cellpicture.h"
#include "strip/picture.h"
#include "strip/stripimage.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/strip/stripdisplay.h"

#include <QAccessible>
#include <QBuffer>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <QToolButton>
#include <QTreeView>

using SD = StripDisplay;
Q_DECLARE_METATYPE(StripDisplay::CellCommands)

namespace {

const QString Sip = series::caption(7);

// Cells 0-7 assignable keys 001-008 (section with key numbers); cells 8-11
// with the key codes 012, 000, abc and a blank one in a section without key
// numbers; then a section with no cells.
QStringList selectionTemplate()
{
    return uitest::templateLines(Sip, {{1, "10", "10", "40", "85", {"001", "002", "003", "004", "005", "006", "007", "008"}},
                                       {0, "60", "10", "40", "45", {"012", "000", "abc", ""}},
                                       {1, "110", "10", "40", "40", {}}});
}

class Fixture
{
public:
    // beforeStart may change the register file before the window opens it
    // (a register from elsewhere may hold what no template makes).
    explicit Fixture(const QString &type, const QStringList &templateText, bool detail = true,
                     const std::function<void(const QString &)> &beforeStart = {})
    {
        uitest::writeTemplate(env.programFolder(), type, templateText);
        path = env.writeRegister("v.TAV", {{7, type, "201", "総務部", "山田"}, {7, "ＳＩＰ電話機", "202", "", "佐藤"}});
        if (beforeStart)
            beforeStart(path);
        env.writeSettings({"[Position]", "MainWState=0", "[Checked]", detail ? "DispLayout=0" : "DispLayout=1"});
        env.start(path);
    }
    ~Fixture() { env.dialogs.answers << UserDialogs::Answer::No; }

    SD &d() { return FMain->display(); }
    void press(int cell, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(uitest::sheet(), button, mods, uitest::cellPoint(cell));
    }
    void release(int cell, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseRelease(uitest::sheet(), Qt::LeftButton, mods, uitest::cellPoint(cell));
    }
    void click(int cell, Qt::KeyboardModifiers mods = {})
    {
        press(cell, mods);
        release(cell, mods);
    }
    QList<int> selected() { return d().selectedCells(); }

    uitest::Environment env;
    QString path;
};

// A view's sheet as it paints itself, without the cell editors.
QImage paintedSheet(int view)
{
    QWidget *sheet = uitest::sheet(view);
    QImage image(sheet->size(), QImage::Format_RGB32);
    sheet->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

// The strip image of the shown entry, with nothing selected.
QImage stripImage(int view)
{
    const RegisterDocument &doc = FMain->document();
    return strip::renderStrip(doc.lines(), FMain->display().shownHeaderLine(), view == 0 ? strip::View::Detail
                                                                               : strip::View::Overview);
}

} // namespace

class TestStripViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elementsByKind_data();
    void elementsByKind();
    void screenIsTheStripImage_data();
    void screenIsTheStripImage();
    void displayFollowsTheDocument_data();
    void displayFollowsTheDocument();
    void entryWithoutCells();
    void shiftAndCtrlPresses();
    void rightPressSelectsBeforeMenu();
    void tabMovesBetweenAssignableKeys();
    void viewSwitchesResetCurrentCell();
    void singleCellScrollsToHalf();
    void overviewDoubleClicks_data();
    void overviewDoubleClicks();
    void zeroSectionEndsSearch();
    void longLinesStay();
    void limits_data();
    void limits();
    void pictureCell();
    void malformedCellIsReported();
    void screenReaderReadsTheCells();
};

void TestStripViews::elementsByKind_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<bool>("assignable");
    QTest::addColumn<bool>("areaShown");
    QTest::addColumn<bool>("numberShown");
    QTest::newRow("key 007") << 6 << true << true << true;
    QTest::newRow("key 012, section without numbers") << 8 << true << true << false;
    QTest::newRow("preset 000") << 9 << false << true << false;
    QTest::newRow("abc") << 10 << false << true << false;
    QTest::newRow("blank key code") << 11 << false << false << false;
}

void TestStripViews::elementsByKind()
{
    QFETCH(int, cell);
    QFETCH(bool, assignable);
    QFETCH(bool, areaShown);
    QFETCH(bool, numberShown);
    // The selection template with one more key, 013, after the other cells.
    Fixture f("選択試験", uitest::templateLines(Sip, {{1, "10", "10", "40", "85", {"001", "002", "003", "004", "005", "006", "007", "008"}},
                                                  {0, "60", "10", "40", "55", {"012", "000", "abc", "", "013"}},
                                                  {1, "110", "10", "40", "40", {}}}));
    QCOMPARE(f.d().cellCount(), 13);
    const SD::CellElements &e = f.d().cell(cell);
    QCOMPARE(f.d().isAssignable(cell), assignable);
    QCOMPARE(e.keyNumberShown, numberShown);
    for (int v : {0, 1}) {
        const strip::View view = v == 0 ? strip::View::Detail : strip::View::Overview;
        // What the pointer finds on the text area, on the frame's ring and
        // on the key number.
        QCOMPARE(f.d().hitTest(view, uitest::cellPoint(cell, v)).part, areaShown ? SD::Part::Text : SD::Part::Sheet);
        const QRect frame = e.frameRect[v];
        QCOMPARE(f.d().hitTest(view, QPoint(frame.left(), frame.center().y())).part,
                 assignable ? SD::Part::Frame : SD::Part::Sheet);
        QCOMPARE(frame, e.textRect[v].adjusted(-2, -2, 2, 2));
        if (numberShown)
            QCOMPARE(f.d().hitTest(view, e.keyNumberRect[v].center()), (SD::Hit{SD::Part::KeyNumber, cell}));
    }
    QCOMPARE(uitest::frameOutline(cell), assignable ? 1 : 0);
    QVERIFY(!f.d().editor(cell)->isVisible());

    // A click selects an assignable key alone; other cells ignore it.
    f.click(3);
    QCOMPARE(f.selected(), QList<int>{3});
    f.click(cell);
    QCOMPARE(f.selected(), assignable ? QList<int>{cell} : QList<int>{3});
    QCOMPARE(f.d().currentCell(), assignable ? cell : 3);

    // すべてを選択 and a Shift range take every built cell; a cell that is no
    // assignable key shows no frame for it. 削除 then empties it too.
    QList<int> all;
    for (int c = 0; c < 13; ++c)
        all.append(c);
    RegisterDocument &doc = FMain->document();
    strip::writeCellText(doc, f.d().shownHeaderLine(), cell, {QStringLiteral("保留")});
    f.click(3);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.selected(), all);
    QCOMPARE(uitest::frameOutline(cell), assignable ? 2 : 0);
    f.click(8);
    QCOMPARE(f.selected(), QList<int>{8});
    f.press(12, Qt::ShiftModifier);
    f.release(12, Qt::ShiftModifier);
    QCOMPARE(f.selected(), (QList<int>{8, 9, 10, 11, 12}));
    f.click(0);
    f.press(12, Qt::ShiftModifier);
    f.release(12, Qt::ShiftModifier);
    QCOMPARE(f.selected(), all);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_Delete, Qt::ControlModifier);
    const int b = strip::locateCell(doc.lines(), f.d().shownHeaderLine(), cell);
    QCOMPARE(doc.line(b + regfmt::cell::TextCount), QStringLiteral("0"));
    // Focus changes and plain clicks select assignable keys alone.
    f.click(3);
    QCOMPARE(f.selected(), QList<int>{3});
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_Tab);
    QCOMPARE(f.selected(), QList<int>{4});
}

void TestStripViews::screenIsTheStripImage_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QList<int>>("selected");
    // An entry shown before: none, one of another strip type, or a copy of
    // the same type (whose sheets are taken over).
    QTest::addColumn<QString>("before");
    QTest::newRow("detail") << 0 << QList<int>{} << "";
    QTest::newRow("overview") << 1 << QList<int>{} << "";
    QTest::newRow("detail, one cell selected") << 0 << QList<int>{2} << "";
    QTest::newRow("detail, a range selected") << 0 << QList<int>{3, 4, 5} << "";
    QTest::newRow("detail, after another type") << 0 << QList<int>{} << "other";
    QTest::newRow("overview, after the same type") << 1 << QList<int>{} << "same";
    QTest::newRow("detail, after the same type, one selected") << 0 << QList<int>{2} << "same";
}

void TestStripViews::screenIsTheStripImage()
{
    QFETCH(int, view);
    QFETCH(QList<int>, selected);
    QFETCH(QString, before);
    Fixture f("選択試験", selectionTemplate(), view == 0);
    if (!before.isEmpty()) {
        RegisterDocument &doc = FMain->document();
        if (before == "same")
            nameplate::appendEntryAsCopy(doc, doc.headerOfEntry(1), 1);
        uitest::clickRow(before == "same" ? 2 : 1);
        paintedSheet(view);
        uitest::clickRow(0);
    }
    if (!selected.isEmpty()) {
        f.click(selected.constFirst());
        f.click(selected.constLast(), Qt::ShiftModifier);
    }
    QCOMPARE(f.selected(), selected);
    const QImage screen = paintedSheet(view);
    QImage image = stripImage(view);
    // The image shows nothing selected: a selected cell's frame has a
    // second black ring inside the first.
    QPainter p(&image);
    p.setPen(Qt::black);
    for (int c : selected)
        p.drawRect(f.d().cell(c).frameRect[0].adjusted(1, 1, -2, -2));
    p.end();
    QCOMPARE(screen, image);
}

void TestStripViews::displayFollowsTheDocument_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("caption"); // the caption's end afterwards
    QTest::newRow("a format line, no step") << "line" << "山田";
    QTest::newRow("a cell's text, one step") << "text" << "山田";
    QTest::newRow("format of two cells") << "format" << "山田";
    QTest::newRow("picture attached") << "picture" << "山田";
    QTest::newRow("header") << "header" << "鈴木";
    QTest::newRow("undo of a header") << "undo header" << "山田";
    QTest::newRow("strip type: built anew") << "type" << "山田";
    QTest::newRow("a key box moved: built anew") << "key box" << "山田";
    QTest::newRow("records rewritten with what they held") << "rewrite" << "山田";
    QTest::newRow("document emptied") << "reset" << "";
    QTest::newRow("last entry shown, entry 1 grows above it") << "lines above" << "佐藤";
}

void TestStripViews::displayFollowsTheDocument()
{
    QFETCH(QString, change);
    QFETCH(QString, caption);
    Fixture f("選択試験", selectionTemplate());
    RegisterDocument &doc = FMain->document();
    if (change == "lines above") {
        // A copy of the first entry at the end, picked in the list; then the
        // first entry's text gets longer, so that the shown entry's lines
        // move down.
        EntryHeader copy = doc.headerOfEntry(1);
        copy.userName = QStringLiteral("佐藤");
        nameplate::appendEntryAsCopy(doc, copy, 1);
        const int last = doc.entryCount();
        uitest::clickRow(last - 1);
        QCOMPARE(FMain->display().shownEntryNumber(), last);
        strip::writeCellText(doc, doc.findEntry(1) + 1, 5, {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")});
        QCOMPARE(FMain->display().shownHeaderLine(), doc.findEntry(last) + 1);
        change = "line";
    }
    f.click(3);
    const int h = FMain->display().shownHeaderLine();
    const auto record = [&](int cell) { return strip::locateCell(doc.lines(), h, cell); };
    EntryHeader header = doc.headerOfEntry(1);
    // Through the core alone: no command, no call on the display.
    if (change == "line") {
        doc.setLine(record(2) + regfmt::cell::Colours, QStringLiteral("0,255")); // red background
    } else if (change == "text") {
        strip::writeCellText(doc, h, 5, {QStringLiteral("一行目"), QStringLiteral("二行目")});
    } else if (change == "format") {
        strip::FormatChange blue;
        blue.background = 0xFF0000;
        strip::applyFormat(doc, h, {1, 6}, blue);
    } else if (change == "picture") {
        QImage red(4, 4, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "BMP");
        strip::attachPicture(doc, h, 4, {4}, QStringLiteral(".bmp"), bmp);
    } else if (change == "header" || change == "undo header") {
        header.userName = QStringLiteral("鈴木");
        {
            RegisterStep step(doc, QStringLiteral("示名条の編集"));
            doc.updateEntryHeader(1, header);
        }
        if (change == "undo header")
            doc.undo();
    } else if (change == "key box") {
        doc.setLine(record(2) + regfmt::cell::KeyBox, QStringLiteral("1.5"));
    } else if (change == "rewrite") {
        // Cells 1 and 2 taken out and put back as they were, in one step.
        const int from = record(1), to = record(3);
        QStringList held;
        for (int i = from; i < to; ++i)
            held << doc.line(i);
        RegisterStep step(doc, QStringLiteral("書き直し"));
        doc.removeLines(from, to - from);
        doc.insertLines(from, held);
    } else if (change == "type") {
        header.stripType = QStringLiteral("別の型");
        doc.updateEntryHeader(1, header);
    } else if (change == "reset") {
        doc.reset();
    }
    const QString shown = uitest::part<QLabel>("entryCaption")->text();
    QVERIFY2(caption.isEmpty() ? shown.isEmpty() : shown.endsWith(caption), qPrintable(shown));
    if (change == "reset") {
        QCOMPARE(f.d().cellCount(), 0);
        QVERIFY(uitest::part<StripSheet>("detailSheet")->size().isEmpty() && uitest::part<StripSheet>("overviewSheet")->size().isEmpty());
        return;
    }
    QCOMPARE(f.d().cellCount(), 12);
    // A change within the cells keeps the selection; a strip built anew starts
    // without one.
    const bool builtAnew = change == "type" || change == "key box";
    QCOMPARE(f.selected(), builtAnew ? QList<int>() : QList<int>{3});
    // Both views show the document as it is now (cell 0 selected).
    f.click(0);
    QImage image = stripImage(0);
    QPainter p(&image);
    p.setPen(Qt::black);
    p.drawRect(f.d().cell(0).frameRect[0].adjusted(1, 1, -2, -2));
    p.end();
    QCOMPARE(paintedSheet(0), image);
    QCOMPARE(paintedSheet(1), stripImage(1));
}

void TestStripViews::entryWithoutCells()
{
    for (bool detail : {true, false}) {
        Fixture f("空の電話機", uitest::templateLines(Sip, {{1, "10", "10", "40", "40", {}}}), detail);
        QCOMPARE(f.d().cellCount(), 0);
        QCOMPARE(uitest::part<QLabel>("entryCaption")->text(), QStringLiteral("内線：201 電話機のタイプ：空の電話機 使用者名：山田"));
        QVERIFY(!uitest::part<QScrollArea>("detailScroll")->isVisible() && !uitest::part<QScrollArea>("overviewScroll")->isVisible());
        QCOMPARE(f.d().cellCommands(), SD::NoCellCommands);
    }
}

void TestStripViews::shiftAndCtrlPresses()
{
    Fixture f("選択試験", selectionTemplate());
    QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible());
    QCOMPARE(f.d().cellCommands(), SD::allCellCommands());
    f.click(3);
    QCOMPARE(f.d().currentCell(), 3);
    QCOMPARE(f.d().cellCommands(), SD::textCellCommands());
    QVERIFY(!uitest::part<QAction>("ActionEditPicOff")->isEnabled());

    f.press(7, Qt::ShiftModifier);
    QCOMPARE(f.selected(), (QList<int>{3, 4, 5, 6, 7}));
    QCOMPARE(f.d().currentCell(), 3);
    QCOMPARE(f.d().cellCommands(), SD::selectionCellCommands());
    QVERIFY(f.d().modifierPress());
    f.release(7, Qt::ShiftModifier);
    QCOMPARE(f.d().cellCommands(), SD::textCellCommands());
    QCOMPARE(f.selected(), (QList<int>{3, 4, 5, 6, 7})); // the click keeps the range
    QSignalSpy edits(&f.d(), &SD::editRequested);
    QTest::mouseDClick(uitest::sheet(), Qt::LeftButton, Qt::ShiftModifier, uitest::cellPoint(7));
    QCOMPARE(edits.count(), 0); // a double-click after a Shift press does not edit

    f.press(1, Qt::ShiftModifier);
    QCOMPARE(f.selected(), (QList<int>{1, 2, 3}));
    QCOMPARE(f.d().currentCell(), 3);

    // Ctrl: the current cell and the pressed one.
    f.press(6, Qt::ControlModifier);
    QCOMPARE(f.selected(), (QList<int>{3, 6}));
    QCOMPARE(f.d().cellCommands(), SD::selectionCellCommands());
    // Ctrl on the current cell while it is the only one selected: nothing.
    f.click(2);
    f.press(2, Qt::ControlModifier);
    QCOMPARE(f.selected(), QList<int>{2});
    QCOMPARE(f.d().currentCell(), 2);
    // Ctrl on the current cell with another selected: the press first
    // re-enters the current cell, so it stays the only one.
    f.press(5, Qt::ControlModifier);
    QCOMPARE(f.selected(), (QList<int>{2, 5}));
    f.press(2, Qt::ControlModifier);
    QCOMPARE(f.selected(), QList<int>{2});
    // Shift on the current cell: a single selection, all but detaching.
    f.press(5, Qt::ControlModifier);
    f.press(2, Qt::ShiftModifier);
    QCOMPARE(f.selected(), QList<int>{2});
    QCOMPARE(f.d().cellCommands(), SD::textCellCommands());

    // A plain press clears the mark; its click selects the cell alone, and a
    // double-click then asks to edit it.
    f.click(0);
    QVERIFY(!f.d().modifierPress());
    QCOMPARE(f.selected(), QList<int>{0});
    QTest::mouseDClick(uitest::sheet(), Qt::LeftButton, {}, uitest::cellPoint(0));
    QCOMPARE(edits.count(), 1);
    QCOMPARE(edits.at(0).at(0).toInt(), 0);
    // A click on the sheet leaves the current cell as the only selection.
    f.press(4, Qt::ShiftModifier);
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(f.selected(), QList<int>{0});
}

void TestStripViews::rightPressSelectsBeforeMenu()
{
    Fixture f("選択試験", selectionTemplate());
    f.click(1);
    f.press(4, {}, Qt::RightButton);
    QCOMPARE(f.selected(), QList<int>{4});
    QCOMPARE(f.d().currentCell(), 4);
    QTRY_VERIFY(uitest::part<QMenu>("cellMenu")->isVisible());
    QCOMPARE(f.d().cellCommands(), SD::textCellCommands());
    uitest::part<QMenu>("cellMenu")->close();
    // The menu's focus does not count as leaving the cell.
    QCOMPARE(f.selected(), QList<int>{4});
}

void TestStripViews::tabMovesBetweenAssignableKeys()
{
    Fixture f("選択試験", selectionTemplate());
    f.click(7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(f.d().currentCell(), 8); // 012
    QCOMPARE(f.selected(), QList<int>{8});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(f.d().currentCell(), 7);
    QCOMPARE(f.selected(), QList<int>{7});

    // Tab and Shift+Tab cycle among the assignable keys only (0 to 8): no
    // stop on anything else of the window, round from the last to the first.
    QList<int> forward, backward;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), uitest::part<StripSheet>("detailSheet"));
        forward << f.d().currentCell();
    }
    QCOMPARE(forward, (QList<int>{8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1}));
    QCOMPARE(f.selected(), QList<int>{1});
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        backward << f.d().currentCell();
    }
    QCOMPARE(backward, (QList<int>{0, 8, 7, 6}));
    QCOMPARE(f.selected(), QList<int>{6});
}

void TestStripViews::viewSwitchesResetCurrentCell()
{
    Fixture f("選択試験", selectionTemplate());
    f.click(6);
    uitest::part<QToolButton>("ToolButtonShowAll")->click();
    QVERIFY(uitest::part<QScrollArea>("overviewScroll")->isVisible() && !uitest::part<QScrollArea>("detailScroll")->isVisible());
    QVERIFY(uitest::part<QAction>("ActionShowAll")->isChecked() && !uitest::part<QToolButton>("ToolButtonShowDetail")->isChecked());
    QCOMPARE(f.d().cellCommands(), SD::NoCellCommands);
    uitest::part<QScrollArea>("detailScroll")->verticalScrollBar()->setValue(50);
    uitest::part<QAction>("ActionShowDetail")->trigger();
    QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible() && uitest::part<QToolButton>("ToolButtonShowDetail")->isChecked());
    QCOMPARE(f.d().currentCell(), 0);
    QCOMPARE(f.selected(), QList<int>{0});
    QCOMPARE(uitest::part<QScrollArea>("detailScroll")->verticalScrollBar()->value(), 0);
    QCOMPARE(f.d().cellCommands(), SD::allCellCommands());
    // Choosing the active view again changes nothing.
    f.click(5);
    uitest::part<QAction>("ActionShowDetail")->trigger();
    QCOMPARE(f.d().currentCell(), 5);
}

void TestStripViews::singleCellScrollsToHalf()
{
    for (bool detail : {true, false}) {
        Fixture f("一個電話機", uitest::templateLines(Sip, {{1, "10", "10", "40", "20", {"001"}}}), detail);
        QCOMPARE(f.d().cellCount(), 1);
        QScrollArea *view = detail ? uitest::part<QScrollArea>("detailScroll") : uitest::part<QScrollArea>("overviewScroll");
        QScrollBar *v = view->verticalScrollBar();
        QVERIFY(v->maximum() > 0);
        QCOMPARE(v->value(), std::min(v->maximum(), view->widget()->height() / 2));
        QVERIFY(v->value() > 0);
    }
}

void TestStripViews::overviewDoubleClicks_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("opened"); // -1: nothing happens
    QTest::newRow("text image of key 5") << "cell" << 4;
    QTest::newRow("section 1 outside its cells") << "section 1" << 8;
    QTest::newRow("blank sheet") << "blank" << -1;
    QTest::newRow("section without cells") << "empty section" << -1;
}

void TestStripViews::overviewDoubleClicks()
{
    QFETCH(QString, where);
    QFETCH(int, opened);
    Fixture f("選択試験", selectionTemplate(), false);
    QVERIFY(uitest::part<QScrollArea>("overviewScroll")->isVisible());
    const auto inside = [](const strip::EdgeRect &r) {
        return QPoint(r.left.toPixels() + 2, r.bottom.toPixels() - 2);
    };
    if (where == "cell") {
        QTest::mouseDClick(uitest::sheet(1), Qt::LeftButton, {}, uitest::cellPoint(4, 1, QPoint(2, 2)));
    } else {
        const QPoint at = where == "section 1"       ? inside(f.d().sectionRect(1))
                          : where == "empty section" ? inside(f.d().sectionRect(2))
                                                     : QPoint(uitest::part<StripSheet>("overviewSheet")->width() - 3, uitest::part<StripSheet>("overviewSheet")->height() - 3);
        QTest::mouseDClick(uitest::part<StripSheet>("overviewSheet"), Qt::LeftButton, {}, at);
    }
    if (opened < 0) {
        QVERIFY(uitest::part<QScrollArea>("overviewScroll")->isVisible());
        QVERIFY(FMain->overviewSelected());
        return;
    }
    QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible() && !uitest::part<QScrollArea>("overviewScroll")->isVisible());
    QVERIFY(!FMain->overviewSelected() && uitest::part<QToolButton>("ToolButtonShowDetail")->isChecked());
    QCOMPARE(f.d().currentCell(), opened);
    QCOMPARE(f.selected(), QList<int>{opened});
    QCOMPARE(f.d().cellCommands(), SD::allCellCommands());
}

void TestStripViews::zeroSectionEndsSearch()
{
    // A section of zero width at the sheet's left edge, as a register from
    // elsewhere may hold it (a template may not: its check refuses it).
    Fixture f("零区画", uitest::templateLines(Sip, {{1, "10", "10", "40", "20", {"001"}},
                                                   {1, "0", "10", "7.5", "20", {}},
                                                   {1, "60", "10", "40", "20", {"002"}}}),
              false, [](const QString &path) {
                  RegisterDocument doc;
                  doc.load(path);
                  const QStringList header{"1", "0", "10", "7.5", "20", "0"};
                  for (int i = doc.findEntry(1); i + 6 <= doc.lines().size(); ++i)
                      if (doc.lines().mid(i, 6) == header) {
                          doc.setLine(i + 3, QStringLiteral("0"));
                          break;
                      }
                  doc.save(path);
              });
    QCOMPARE(f.d().cellCount(), 2);
    const strip::EdgeRect r = f.d().sectionRect(2);
    QTest::mouseDClick(uitest::part<StripSheet>("overviewSheet"), Qt::LeftButton, {},
                       QPoint(r.right.toPixels() - 2, r.bottom.toPixels() - 2));
    QVERIFY(uitest::part<QScrollArea>("overviewScroll")->isVisible());
    const strip::EdgeRect r0 = f.d().sectionRect(0);
    QTest::mouseDClick(uitest::part<StripSheet>("overviewSheet"), Qt::LeftButton, {},
                       QPoint(r0.right.toPixels() - 2, r0.bottom.toPixels() - 2));
    QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible());
}

void TestStripViews::longLinesStay()
{
    uitest::Environment env;
    const QString path = env.writeRegister("v.TAV", {{7, "ＳＩＰ電話機", "201", "", ""}});
    const QStringList held{QString(30, u'あ'), "短い", QString(19, u'い') + QStringLiteral("\U0001F600")};
    {
        RegisterDocument doc;
        doc.load(path);
        const int cell = doc.findEntry(1) + 14;
        doc.setLine(cell + 32, "3");
        doc.insertLines(cell + 33, held);
        textfile::write(path, doc.lines().toStringList(), TextEncoding::Utf8Bom); // the emoji needs a UTF-8 register
    }
    env.start(path);
    // Shown, the lines stay as stored; the editor holds them whole.
    const int cell = FMain->document().findEntry(1) + 14;
    QCOMPARE(FMain->document().lines().mid(cell + 33, 3), held);
    QVERIFY(!FMain->document().isModified());
    QCOMPARE(FMain->display().editor(0)->toPlainText(), held.join(u'\n') + "\n");
}

void TestStripViews::limits_data()
{
    QTest::addColumn<QList<int>>("cellsPerSection");
    QTest::addColumn<int>("built");
    QTest::newRow("101 sections") << QList<int>(101, 0) << 0;
    QTest::newRow("60 and 41 cells") << QList<int>{60, 41} << 60;
    QTest::newRow("exactly 100 cells") << QList<int>{60, 40} << 100;
}

void TestStripViews::limits()
{
    QFETCH(QList<int>, cellsPerSection);
    QFETCH(int, built);
    const bool over = cellsPerSection.size() > 100 || built < 100;
    // The template check refuses a strip over the limits, so such a strip
    // comes from the register (as one from elsewhere may hold it): the
    // template makes what it may, and the register gets the rest.
    const QList<int> made = cellsPerSection.size() > 100 ? QList<int>{0} : over ? QList<int>{60, 40} : cellsPerSection;
    QList<uitest::TemplateSection> sections;
    for (int n : made) {
        uitest::TemplateSection s{1, "1", "1", "20", "20", {}};
        for (int i = 0; i < n; ++i)
            s.keyCodes << QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        sections << s;
    }
    Fixture f("大型電話機", uitest::templateLines(Sip, sections), true, [&](const QString &path) {
        if (!over)
            return;
        RegisterDocument doc;
        doc.load(path);
        const int h = doc.findEntry(1) + 1;
        if (cellsPerSection.size() > 100) {
            const int first = h + regfmt::entry::FirstSection;
            const QStringList header = doc.lines().mid(first, regfmt::section::HeaderLines);
            doc.setLine(h + regfmt::entry::SectionCount, QString::number(cellsPerSection.size()));
            for (int i = 1; i < cellsPerSection.size(); ++i)
                doc.insertLines(first + regfmt::section::HeaderLines, header);
        } else {
            const int last = strip::locateCell(doc.lines(), h, 99);
            const QStringList cell =
                doc.lines().mid(last, regfmt::cell::FixedLines + doc.line(last + regfmt::cell::TextCount).toInt());
            doc.insertLines(last + int(cell.size()), cell);
            doc.setLine(strip::locateCell(doc.lines(), h, 60) - 1, QString::number(cellsPerSection.last()));
        }
        doc.save(path);
    });
    QCOMPARE(f.env.dialogs.texts("error"),
             over ? QStringList{QStringLiteral("ボタンの数が多すぎます。")} : QStringList());
    QCOMPARE(f.d().cellCount(), built);
    QCOMPARE(uitest::part<QScrollArea>("detailScroll")->isVisible(), !over);
    // The rest goes on: another entry shows, and a view command shows what was built.
    uitest::clickRow(1);
    QCOMPARE(f.d().cellCount(), 2);
    QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible());
    if (built == 60) {
        uitest::clickRow(0);
        QVERIFY(!uitest::part<QScrollArea>("detailScroll")->isVisible() && !uitest::part<QScrollArea>("overviewScroll")->isVisible());
        uitest::part<QAction>("ActionShowAll")->trigger();
        uitest::part<QAction>("ActionShowDetail")->trigger();
        QVERIFY(uitest::part<QScrollArea>("detailScroll")->isVisible());
        QCOMPARE(f.d().cellCount(), 60);
    }
}

void TestStripViews::pictureCell()
{
    uitest::Environment env;
    const QString path = env.writeRegister("v.TAV", {{7, "ＳＩＰ電話機", "201", "", ""}});
    {
        QImage red(4, 4, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(red.save(&buffer, "BMP"));
        RegisterDocument doc;
        doc.load(path);
        const int cell = doc.findEntry(1) + 14;
        doc.setLine(cell + 30, ".bmp");
        doc.setLine(cell + 31, strip::encodeBase64(bmp));
        doc.save(path);
    }
    env.writeSettings({"[Position]", "MainWState=0", "[Checked]", "DispLayout=0"});
    env.start(path);
    SD &d = FMain->display();
    const SD::CellElements &e = d.cell(0);
    QVERIFY(e.showsPicture);
    for (strip::View v : {strip::View::Detail, strip::View::Overview})
        QCOMPARE(d.hitTest(v, uitest::cellPoint(0, strip::StripScene::index(v))).part, SD::Part::Picture);
    QCOMPARE(d.editor(0)->width(), 0);
    QCOMPARE(d.hitTest(strip::View::Detail, uitest::cellPoint(1)).part, SD::Part::Text);

    QSignalSpy attach(&d, &SD::attachPictureRequested);
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QCOMPARE(d.selectedCells(), QList<int>{0});
    QCOMPARE(d.cellCommands(), SD::pictureCellCommands());
    uitest::whenPictureDialogShown([](TFViewImage &dialog) { dialog.reject(); });
    QTest::mouseDClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QCOMPARE(attach.count(), 1);
    // A right press on another cell's picture selects it and opens its menu.
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(1, 0, QPoint(2, 2)));
    QCOMPARE(d.cellCommands(), SD::textCellCommands());
    QTest::mousePress(uitest::part<StripSheet>("detailSheet"), Qt::RightButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QCOMPARE(d.selectedCells(), QList<int>{0});
    QCOMPARE(d.cellCommands(), SD::pictureCellCommands());
    QTRY_VERIFY(uitest::part<QMenu>("pictureMenu")->isVisible());
    uitest::part<QMenu>("pictureMenu")->close();
}

void TestStripViews::malformedCellIsReported()
{
    uitest::Environment env;
    const QString path = env.writeRegister("v.TAV", {{7, "ＳＩＰ電話機", "201", "", ""}, {7, "ＳＩＰ電話機", "202", "", ""}});
    {
        RegisterDocument doc;
        doc.load(path);
        doc.setLine(doc.findEntry(2) + 14 + 20, "大"); // the text size of entry 2's first cell
        doc.save(path);
    }
    env.start(path);
    for (int row : {1, 0}) // through the event loop, as a user's click
        uitest::clickRow(row);
    QCOMPARE(env.dialogs.texts("exception").size(), 1);
    QVERIFY(env.dialogs.texts("exception").constFirst().contains(QStringLiteral("大")));
    QCOMPARE(FMain->display().shownEntryNumber(), 1);
    QCOMPARE(FMain->display().cellCount(), 2);
    QVERIFY(uitest::part<QScrollArea>("overviewScroll")->isVisible());
}

// A screen reader walks the shown sheet: one item per cell, named by its key
// number and text, at the cell's frame, with the selection and the current
// cell as the pointer left them.
void TestStripViews::screenReaderReadsTheCells()
{
    Fixture f("選択試験", selectionTemplate());
    RegisterDocument &doc = FMain->document();
    strip::writeCellText(doc, f.d().shownHeaderLine(), 0, {QStringLiteral("代表"), QStringLiteral("内線")});
    strip::writeCellText(doc, f.d().shownHeaderLine(), 2, {QStringLiteral("総務")});
    f.click(1);
    f.press(3, Qt::ShiftModifier);
    f.release(3, Qt::ShiftModifier);

    QAccessibleInterface *sheet = QAccessible::queryAccessibleInterface(uitest::sheet());
    QVERIFY(sheet);
    QCOMPARE(sheet->role(), QAccessible::List);
    QCOMPARE(sheet->text(QAccessible::Name), QStringLiteral("詳細画面"));
    QVERIFY(sheet->state().multiSelectable);
    QVERIFY(sheet->childCount() >= f.d().cellCount());
    QStringList names;
    for (int i = 0; i < f.d().cellCount(); ++i) {
        QAccessibleInterface *cell = sheet->child(i);
        QVERIFY(cell && cell->isValid());
        QCOMPARE(cell->role(), QAccessible::ListItem);
        QCOMPARE(cell->parent(), sheet);
        QCOMPARE(sheet->indexOfChild(cell), i);
        QCOMPARE(cell->state().selected, f.d().isSelected(i));
        QCOMPARE(cell->state().selectable, f.d().isAssignable(i));
        QCOMPARE(cell->state().active, i == 1);
        names << cell->text(QAccessible::Name);
        // The item lies where the cell is drawn: asking the sheet at its
        // middle gives the item back.
        const QRect r = cell->rect();
        QVERIFY(!r.isEmpty());
        QCOMPARE(r.topLeft(), uitest::sheet()->mapToGlobal(f.d().cellRect(strip::View::Detail, i).topLeft()));
        if (f.d().isAssignable(i))
            QCOMPARE(sheet->childAt(r.center().x(), r.center().y()), cell);
    }
    QCOMPARE(names.mid(0, 4), (QStringList{QStringLiteral("1 代表 内線"), QStringLiteral("2"),
                                          QStringLiteral("3 総務"), QStringLiteral("4")}));
    QCOMPARE(f.selected(), (QList<int>{1, 2, 3}));
}

TAVREL_UI_TEST_MAIN(TestStripViews)
#include "test_stripviews.moc"
