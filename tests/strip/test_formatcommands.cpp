// The formatting commands and the toolbar that follows the current cell,
// driven through the toolbar's buttons, lists and the scripted choosers:
// every selected cell rewritten, restyled and redrawn; nothing in the
// overview; the toolbar set from a cell without writing into the cells.

#include "cellfixture.h"
#include "strip/cellformat.h"
#include "strip/colourline.h"
#include "windows/main/application.h"
#include "windows/strip/formatcommands.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QToolButton>

using namespace regfmt::cell;
using FontChoice = UserDialogs::FontChoice;

namespace {

TestEntry cells(int n)
{
    return entryWithCells({n});
}

// Opens the font list with a click and picks the item with the keyboard.
void pickFont(const QString &face)
{
    QComboBox *box = uitest::part<QComboBox>("ComboBoxFont");
    const int target = box->findText(face, Qt::MatchFixedString);
    QVERIFY2(target >= 0, qPrintable(face));
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QTRY_VERIFY(box->view()->isVisible());
    const int from = box->view()->currentIndex().row();
    for (int i = from; i < target; ++i)
        QTest::keyClick(box->view(), Qt::Key_Down);
    for (int i = from; i > target; --i)
        QTest::keyClick(box->view(), Qt::Key_Up);
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
}

QLineEdit *sizeEdit()
{
    return uitest::part<QComboBox>("ComboBoxFontSize")->lineEdit();
}

} // namespace

class TestFormatCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fontLists();
    void overviewChangesNothing();
    void fontDialogWithoutSelection();
    void fontDialogOverSelection();
    void colours_data();
    void colours();
    void sizeBox();
    void sizeOverLimit_data();
    void sizeOverLimit();
    void boldOverMixedCells_data();
    void boldOverMixedCells();
    void fontListPick();
    void missingFaceShowsFirstFont();
    void alignment_data();
    void alignment();
    void followingWritesNothing();
};

void TestFormatCommands::fontLists()
{
    CellFixture f(cells(2));
    QComboBox *box = uitest::part<QComboBox>("ComboBoxFont");
    const QStringList names = FMain->formatCommands().fontNames();
    for (const QString &face : strip::registerFaces())
        QVERIFY2(names.contains(face), qPrintable(face));
    QVERIFY(names.contains(QStringLiteral("IPAGothic")));
    const QStringList &marks = FMain->formatCommands().fontMarks();
    QCOMPARE(marks.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        QVERIFY(marks.at(i).startsWith(names.at(i)));
        QCOMPARE(marks.at(i).size(), names.at(i).size() + 1);
        QVERIFY(marks.at(i).endsWith(u't') || marks.at(i).endsWith(u'u'));
    }
    QVERIFY(marks.contains(QStringLiteral("ＭＳ 明朝t")));
    QCOMPARE(box->view()->sizeHintForRow(0), 16);
    QStringList sizes;
    for (int i = 0; i < uitest::part<QComboBox>("ComboBoxFontSize")->count(); ++i)
        sizes.append(uitest::part<QComboBox>("ComboBoxFontSize")->itemText(i));
    QCOMPARE(sizes, QString("4 5 6 7 8 9 10 11 12 14 16 18 20 22 24 26 28 36 48 72").split(u' '));
    QVERIFY(box->isEnabled());
    QVERIFY(uitest::part<QComboBox>("ComboBoxFontSize")->isEnabled());
    QVERIFY(uitest::part<QAction>("ActionFormatFont")->isEnabled());
}

void TestFormatCommands::overviewChangesNothing()
{
    CellFixture f(cells(3), {}, false);
    QVERIFY(!f.d().detailActive());
    QCOMPARE(f.d().cellCount(), 3);
    const QStringList before = f.doc().lines().toStringList();
    f.env.dialogs.fonts << FontChoice{QStringLiteral("IPAMincho"), 20, 255, true, true};
    f.env.dialogs.colours << QColor(Qt::red) << QColor(Qt::green);
    uitest::part<QAction>("ActionFormatFont")->trigger();
    for (QToolButton *b : {uitest::part<QToolButton>("ToolButtonColor"), uitest::part<QToolButton>("ToolButtonBColor"), uitest::part<QToolButton>("ToolButtonBold"),
                           uitest::part<QToolButton>("ToolButtonItalic"), uitest::part<QToolButton>("ToolButtonLeft"), uitest::part<QToolButton>("ToolButtonRight")})
        QTest::mouseClick(b, Qt::LeftButton);
    pickFont(QStringLiteral("ＭＳ 明朝"));
    QTest::mouseClick(uitest::part<QComboBox>("ComboBoxFontSize"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(sizeEdit(), "20");
    QCOMPARE(f.doc().lines().toStringList(), before);
    QVERIFY(!f.doc().isModified());
    QVERIFY(f.env.dialogs.texts("font").isEmpty()); // the choosers do not even open
}

void TestFormatCommands::fontDialogWithoutSelection()
{
    TestEntry e = cells(3);
    e.sections[0].cells[0].colours = "255,65280";
    e.sections[0].cells[0].size = "11";
    CellFixture f(e);
    QVERIFY(f.d().selectedCells().isEmpty()); // nothing selected after the build
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QVERIFY(uitest::part<QToolButton>("ToolButtonBold")->isChecked());
    f.env.dialogs.fonts << FontChoice{QStringLiteral("IPAMincho"), 20, 0, true, false};
    uitest::part<QAction>("ActionFormatFont")->trigger();
    const auto &shown = f.env.dialogs.shown.last();
    QCOMPARE(shown.kind, QStringLiteral("font"));
    // Preset from the current cell.
    QCOMPARE(shown.font, (FontChoice{QStringLiteral("ＭＳ Ｐゴシック"), 11, 255, false, false}));
    QCOMPARE(shown.text.split(u'\n'), FMain->formatCommands().fontNames()); // the toolbar's faces
    QVERIFY(!f.doc().isModified());
    QVERIFY(!uitest::part<QToolButton>("ToolButtonBold")->isChecked()); // the toolbar shows the cell again
}

void TestFormatCommands::fontDialogOverSelection()
{
    TestEntry e = cells(4);
    e.sections[0].cells[1].colours = "0,65280";
    CellFixture f(e);
    f.selectRange(1, 2);
    f.env.dialogs.fonts << std::nullopt << FontChoice{QStringLiteral("IPAMincho"), 14, 255, true, true};
    uitest::part<QAction>("ActionFormatFont")->trigger(); // cancelled
    QVERIFY(!f.doc().isModified());
    uitest::part<QAction>("ActionFormatFont")->trigger();
    for (int c : {1, 2}) {
        // The substitute the chooser returns is stored as the face it stands for.
        QCOMPARE(f.line(c, Face), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(f.line(c, Size), QStringLiteral("14"));
        QCOMPARE(f.line(c, Bold), QStringLiteral("1"));
        QCOMPARE(f.line(c, Italic), QStringLiteral("1"));
        QVERIFY(f.editor(c)->font().bold());
        QVERIFY(f.editor(c)->font().italic());
    }
    QCOMPARE(f.line(1, Colours), QStringLiteral("255,65280")); // the background stays
    QCOMPARE(f.line(2, Colours), QStringLiteral("255,16777215"));
    QCOMPARE(f.line(0, Face), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(f.line(3, Bold), QStringLiteral("0"));
    QVERIFY(uitest::part<QToolButton>("ToolButtonBold")->isChecked());
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFont")->currentText(), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->currentText(), QStringLiteral("14"));
}

void TestFormatCommands::colours_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("text");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("after");
    QTest::newRow("255, green background") << "255" << false << 65280 << "255,65280";
    QTest::newRow("255, green text") << "255" << true << 65280 << "65280,16777215";
    QTest::newRow("black on white, red text") << "0,16777215" << true << 255 << "255,16777215";
    QTest::newRow("black on white, black background") << "0,16777215" << false << 0 << "0,0";
}

void TestFormatCommands::colours()
{
    QFETCH(QString, before);
    QFETCH(bool, text);
    QFETCH(int, colour);
    QFETCH(QString, after);
    TestEntry e = cells(3);
    e.sections[0].cells[1].colours = before;
    CellFixture f(e);
    f.click(1);
    QToolButton *button = text ? uitest::part<QToolButton>("ToolButtonColor") : uitest::part<QToolButton>("ToolButtonBColor");
    f.env.dialogs.colours << QColor() << strip::toQColor(colour) << QColor(Qt::blue);
    QTest::mouseClick(button, Qt::LeftButton); // cancelled
    QVERIFY(!f.doc().isModified());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.line(1, Colours), after);
    QCOMPARE(f.line(0, Colours), QStringLiteral("0"));
    const QPalette pal = f.editor(1)->palette();
    QCOMPARE(text ? pal.color(QPalette::Text) : pal.color(QPalette::Base), strip::toQColor(colour));
    // One chooser for both commands: it opens on the colour confirmed last,
    // black the first time.
    QTest::mouseClick(text ? uitest::part<QToolButton>("ToolButtonBColor") : uitest::part<QToolButton>("ToolButtonColor"), Qt::LeftButton);
    const QList<QColor> presets{f.env.dialogs.shown.at(f.env.dialogs.shown.size() - 3).initialColour,
                                f.env.dialogs.shown.at(f.env.dialogs.shown.size() - 1).initialColour};
    QCOMPARE(presets, (QList<QColor>{QColor(Qt::black), strip::toQColor(colour)}));
}

void TestFormatCommands::sizeBox()
{
    CellFixture f(cells(4));
    f.selectRange(1, 2);
    // The click into the size box moves the focus out of the strip; the
    // selection stays.
    QTest::mouseClick(uitest::part<QComboBox>("ComboBoxFontSize"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(sizeEdit()->hasFocus());
    QCOMPARE(f.d().selectedCells(), (QList<int>{1, 2}));
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(sizeEdit(), "0");
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(sizeEdit(), "-3");
    QGuiApplication::clipboard()->setText(QStringLiteral("1x"));
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(sizeEdit(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(sizeEdit()->text(), QStringLiteral("1x"));
    QVERIFY(!f.doc().isModified());
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(sizeEdit(), "13");
    for (int c : {1, 2})
        QCOMPARE(f.line(c, Size), QStringLiteral("13"));
    QCOMPARE(f.line(0, Size), QStringLiteral("9"));
    QCOMPARE(f.editor(1)->font().pixelSize(), 17); // 13 points at 96 dpi
    QTest::keyClick(sizeEdit(), Qt::Key_Return);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->count(), 20); // nothing is added to the list
    // Picked from the list.
    uitest::part<QComboBox>("ComboBoxFontSize")->showPopup();
    QTRY_VERIFY(uitest::part<QComboBox>("ComboBoxFontSize")->view()->isVisible());
    QAbstractItemView *view = uitest::part<QComboBox>("ComboBoxFontSize")->view();
    view->setCurrentIndex(view->model()->index(19, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(f.line(2, Size), QStringLiteral("72"));
}

void TestFormatCommands::sizeOverLimit_data()
{
    // Typed (or pasted) into the size box over two selected cells of size 9:
    // a number over 999 is refused, and the cells and the box keep the size
    // accepted last.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("1000 typed: 100 stays") << "1000" << false << "100";
    QTest::newRow("9999 typed: 999 stays") << "9999" << false << "999";
    QTest::newRow("12345 typed: 123 stays") << "12345" << false << "123";
    QTest::newRow("5000 pasted: 9 stays") << "5000" << true << "9";
}

void TestFormatCommands::sizeOverLimit()
{
    QFETCH(QString, typed);
    QFETCH(bool, pasted);
    QFETCH(QString, kept);
    CellFixture f(cells(4));
    f.selectRange(1, 2);
    QTest::mouseClick(uitest::part<QComboBox>("ComboBoxFontSize"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(sizeEdit()->hasFocus());
    QTest::keyClick(sizeEdit(), Qt::Key_A, Qt::ControlModifier);
    if (pasted) {
        QGuiApplication::clipboard()->setText(typed);
        QTest::keyClick(sizeEdit(), Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(sizeEdit(), typed);
    }
    QCOMPARE(sizeEdit()->text(), kept);
    for (int c : {1, 2})
        QCOMPARE(f.line(c, Size), kept);
    QCOMPARE(f.line(0, Size), QStringLiteral("9"));
    QTest::keyClick(sizeEdit(), Qt::Key_Return);
    QCOMPARE(sizeEdit()->text(), kept);
    QCOMPARE(f.line(1, Size), kept);
    QCOMPARE(f.doc().history().count(), kept == QLatin1String("9") ? 0 : 1);
}

void TestFormatCommands::boldOverMixedCells_data()
{
    QTest::addColumn<bool>("buttonDown");
    QTest::newRow("button goes down: all bold") << false;
    QTest::newRow("button goes up: all plain") << true;
}

void TestFormatCommands::boldOverMixedCells()
{
    QFETCH(bool, buttonDown);
    TestEntry e = cells(4);
    e.sections[0].cells[2].size = "9";
    CellFixture f(e);
    f.setLine(2, Bold, QStringLiteral("1"));
    f.click(buttonDown ? 2 : 1); // the toolbar follows the cell clicked first
    QCOMPARE(uitest::part<QToolButton>("ToolButtonBold")->isChecked(), buttonDown);
    f.click(3, Qt::ShiftModifier);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    const QString expected = buttonDown ? QStringLiteral("0") : QStringLiteral("1");
    const QList<int> selected = f.d().selectedCells();
    QCOMPARE(selected.size(), buttonDown ? 2 : 3);
    for (int c : selected) {
        QCOMPARE(f.line(c, Bold), expected);
        QCOMPARE(f.editor(c)->font().bold(), !buttonDown);
    }
    QCOMPARE(f.line(0, Bold), QStringLiteral("0"));
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonItalic"), Qt::LeftButton);
    for (int c : selected)
        QCOMPARE(f.line(c, Italic), QStringLiteral("1"));
}

void TestFormatCommands::fontListPick()
{
    CellFixture f(cells(4));
    f.selectRange(0, 1);
    pickFont(QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(f.d().selectedCells(), (QList<int>{0, 1}));
    for (int c : {0, 1}) {
        QCOMPARE(f.line(c, Face), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(f.editor(c)->font().family(), QStringLiteral("ＭＳ 明朝"));
    }
    QCOMPARE(f.line(2, Face), QStringLiteral("ＭＳ Ｐゴシック"));
    QVERIFY(f.doc().isModified());
    // Changed back: the register is as it was saved.
    pickFont(QStringLiteral("ＭＳ Ｐゴシック"));
    QVERIFY(!f.doc().isModified());
}

void TestFormatCommands::missingFaceShowsFirstFont()
{
    TestEntry e = cells(3);
    e.sections[0].cells[1].face = QStringLiteral("No Such Face");
    CellFixture f(e);
    f.click(0);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFont")->currentText(), QStringLiteral("ＭＳ Ｐゴシック"));
    f.click(1);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFont")->currentIndex(), 0);
    QCOMPARE(f.line(1, Face), QStringLiteral("No Such Face"));
    QVERIFY(!f.doc().isModified());
    pickFont(QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(f.line(1, Face), QStringLiteral("ＭＳ ゴシック"));
}

void TestFormatCommands::alignment_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("pressedAfter"); // button down once the cell is current
    QTest::newRow("1") << "1" << "ToolButtonLeft";
    QTest::newRow("3") << "3" << "ToolButtonRight";
    QTest::newRow("0 leaves the buttons") << "0" << "ToolButtonCenter";
    QTest::newRow("4 leaves the buttons") << "4" << "ToolButtonCenter";
}

void TestFormatCommands::alignment()
{
    QFETCH(QString, stored);
    QFETCH(QString, pressedAfter);
    CellFixture f(cells(3));
    f.setLine(1, Alignment, stored);
    f.click(0); // alignment 2
    QVERIFY(uitest::part<QToolButton>("ToolButtonCenter")->isChecked());
    f.click(1);
    QVERIFY(FMain->findChild<QToolButton *>(pressedAfter)->isChecked());
    f.click(0, Qt::ShiftModifier);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonRight"), Qt::LeftButton);
    QCOMPARE(f.line(0, Alignment), QStringLiteral("3"));
    QCOMPARE(f.line(1, Alignment), QStringLiteral("3"));
    QCOMPARE(f.line(2, Alignment), QStringLiteral("2"));
    QVERIFY(uitest::part<QToolButton>("ToolButtonRight")->isChecked());
    QVERIFY(!uitest::part<QToolButton>("ToolButtonCenter")->isChecked() && !uitest::part<QToolButton>("ToolButtonLeft")->isChecked());
    // A click on the button already down keeps it down; in the overview,
    // where the command formats nothing, a click leaves the buttons as
    // they were.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonRight"), Qt::LeftButton);
    QVERIFY(uitest::part<QToolButton>("ToolButtonRight")->isChecked());
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonShowAll"), Qt::LeftButton);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonLeft"), Qt::LeftButton);
    QVERIFY(uitest::part<QToolButton>("ToolButtonRight")->isChecked() && !uitest::part<QToolButton>("ToolButtonLeft")->isChecked());
    QCOMPARE(f.line(1, Alignment), QStringLiteral("3"));
}

void TestFormatCommands::followingWritesNothing()
{
    TestEntry e = cells(3);
    e.sections[0].cells[1].size = "14";
    e.sections[0].cells[1].face = QStringLiteral("ＭＳ 明朝");
    e.sections[0].cells[2].size = "13"; // not in the size list
    e.sections[0].cells[0].size = "11";
    CellFixture f(e);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->currentText(), QStringLiteral("11")); // cell 0 after the build
    f.click(0);
    f.click(1); // the toolbar follows cell 1 while cell 0 was selected
    f.click(2);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->currentText(), QStringLiteral("13"));
    QCOMPARE(f.line(0, Size), QStringLiteral("11"));
    QCOMPARE(f.line(1, Face), QStringLiteral("ＭＳ 明朝"));
    QVERIFY(!f.doc().isModified());
    // Typing a cell's text while the toolbar follows does not format it.
    f.doubleClick(1);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFont")->currentText(), QStringLiteral("ＭＳ 明朝"));
    QTest::keyClicks(f.editor(1), "z");
    f.click(0);
    QCOMPARE(f.line(1, Size), QStringLiteral("14"));
}

TAVREL_UI_TEST_MAIN(TestFormatCommands)
#include "test_formatcommands.moc"
