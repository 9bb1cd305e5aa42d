// In-place editing and the Edit commands on cells, driven through the real
// widgets: the editor's keys and its two-line and 20-character rules, the
// write-back when the editor loses the focus, cut, copy and paste with and
// without an open edit, delete, select all and selection reset.

#include "windows/main/application.h"
#include <QApplication>
#include "cellfixture.h"
#include "register/celltext.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/strip/cellediting.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>

using SD = StripDisplay;
using namespace regfmt::cell;

namespace {

TestEntry cells(int n)
{
    return entryWithCells({n});
}

// Opens the Edit menu from the menu bar and clicks one of its items.
void editMenu(const QString &item)
{
    QMenuBar *bar = FMain->menuBar();
    QAction *editAction = nullptr;
    for (QAction *a : bar->actions())
        if (a->text() == QStringLiteral("編集(&E)"))
            editAction = a;
    QVERIFY(editAction);
    QMenu *menu = editAction->menu();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(editAction).center());
    QTRY_VERIFY(menu->isVisible());
    QAction *target = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == item)
            target = a;
    QVERIFY(target);
    QVERIFY2(target->isEnabled(), qPrintable(item));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
    QTRY_VERIFY(!menu->isVisible());
}

const QString Bmp2x2 = QStringLiteral(
    "Qk1GAAAAAAAAADYAAAAoAAAAAgAAAAIAAAABABgAAAAAABAAAAATCwAAEwsAAAAAAAAAAAAA/wAAAP8AAAAAAP8AAP8AAAA=");

} // namespace

class TestCellEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typing_data();
    void typing();
    void escapeEndsEditAndFocusesCell();
    void longLineIsCut();
    void storedLinesStayWhole_data();
    void storedLinesStayWhole();
    void storedEmptyLineAndCopy();
    void copyKeepsPicture();
    void cutCopyPasteWholeCell();
    void pasteWithoutTextKeepsPicture();
    void editorSelectionThroughMenu();
    void editorKeysUseClipboard();
    void unsavableCharacters();
    void utf8RegisterTakesAnyCharacter();
    void inputRuleAtTheCellDoors_data();
    void inputRuleAtTheCellDoors();
    void deleteSelectedCells();
    void selectAllAndReset();
    void typingIntoPictureCell();
    void otherCellsAreNeverChanged_data();
    void otherCellsAreNeverChanged();
    void commandReachesEverySelectedCell_data();
    void commandReachesEverySelectedCell();
    void textCommandDuringEdit_data();
    void textCommandDuringEdit();
};

void TestCellEditing::typing_data()
{
    QTest::addColumn<QList<int>>("keys"); // 0 Enter, -1 a middle click on the editor, otherwise a character
    QTest::addColumn<QStringList>("stored");
    const int E = 0;
    QTest::newRow("abc Enter def Enter: second Enter ignored")
        << QList<int>{'a', 'b', 'c', E, 'd', 'e', 'f', E} << QStringList{"abc", "def"};
    QTest::newRow("abc Enter Enter accepted, then x, Enter ignored")
        << QList<int>{'a', 'b', 'c', E, E, 'x', E} << QStringList{"abc", "", "x"};
    QTest::newRow("Enter alone then text") << QList<int>{E, 'z'} << QStringList{"", "z"};
    QTest::newRow("nothing typed over the selection: empty") << QList<int>{} << QStringList{"内線1"};
    QTest::newRow("a middle click neither ends the edit nor opens the menu") << QList<int>{'a', -1, 'b'}
                                                                            << QStringList{"ab"};
}

void TestCellEditing::typing()
{
    QFETCH(QList<int>, keys);
    QFETCH(QStringList, stored);
    CellFixture f(cells(3));
    f.doubleClick(1);
    QPlainTextEdit *editor = f.editor(1);
    QVERIFY(editor->isVisible());
    QVERIFY(editor->hasFocus());
    QCOMPARE(uitest::frameOutline(1), 0); // the editor takes the frame's place
    QCOMPARE(editor->toPlainText(), QStringLiteral("内線2")); // the final break is gone
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("内線2"));
    QCOMPARE(f.d().selectedCells(), QList<int>{1});
    QCOMPARE(f.d().currentCell(), 1);
    QCOMPARE(f.d().cellCommands(), SD::allCellCommands());
    if (!keys.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    for (int k : keys) {
        if (k == -1) {
            QTest::mouseClick(editor->viewport(), Qt::MiddleButton, {}, QPoint(2, 2));
            QVERIFY(editor->isVisible());
            QVERIFY(!QApplication::activePopupWidget());
            QCOMPARE(FMain->cellEditing().editingCell(), 1);
        } else if (k == 0)
            QTest::keyClick(editor, Qt::Key_Return);
        else
            QTest::keyClick(editor, char(k));
    }
    const QStringList before = f.textLines(1);
    QCOMPARE(before, QStringList{"内線2"}); // nothing written while editing
    // A click on another cell ends the edit and writes it back.
    f.click(2);
    QVERIFY(!editor->isVisible());
    QCOMPARE(uitest::frameOutline(1), 1);
    QCOMPARE(f.textLines(1), keys.isEmpty() ? QStringList{"内線2"} : stored);
    QCOMPARE(f.line(1, TextCount), QString::number(keys.isEmpty() ? 1 : stored.size()));
    QCOMPARE(f.d().selectedCells(), QList<int>{2});
}

void TestCellEditing::escapeEndsEditAndFocusesCell()
{
    CellFixture f(cells(3));
    f.setLine(0, PictureType, QString()); // a write-back empties these anyway
    f.doubleClick(0);
    QTest::keyClicks(f.editor(0), "xy");
    QTest::keyClick(f.editor(0), Qt::Key_Escape);
    QVERIFY(!f.editor(0)->isVisible());
    QVERIFY(uitest::part<StripSheet>("detailSheet")->hasFocus());
    QCOMPARE(f.textLines(0), QStringList{"xy"});
    QCOMPARE(f.d().selectedCells(), QList<int>{0});
    QCOMPARE(FMain->cellEditing().editingCell(), -1);
}

void TestCellEditing::longLineIsCut()
{
    CellFixture f(cells(2));
    f.doubleClick(0);
    QTest::keyClicks(f.editor(0), "abcdefghijklmnopqrstuvwxy"); // 25 characters
    f.click(1);
    QCOMPARE(f.textLines(0), QStringList{"abcdefghijklmnopqrst"});
    f.doubleClick(0);
    QCOMPARE(f.editor(0)->toPlainText(), QStringLiteral("abcdefghijklmnopqrst"));
}

void TestCellEditing::storedLinesStayWhole_data()
{
    QTest::addColumn<QStringList>("held");  // cell 0's lines in the file
    QTest::addColumn<QString>("typed");     // after End; "\n" is Enter; empty: no key at all
    QTest::addColumn<QStringList>("stored");
    const QString long30 = QStringLiteral("ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ0123456789");
    QTest::newRow("30 characters, left unchanged") << QStringList{long30} << "" << QStringList{long30};
    QTest::newRow("30 characters, typed at the end: the new text cut")
        << QStringList{long30} << "z" << QStringList{long30.left(20)};
    QTest::newRow("30 characters, a second line typed: the first kept")
        << QStringList{long30} << "\nx" << QStringList{long30, "x"};
    QTest::newRow("tab, left unchanged") << QStringList{"a\tb"} << "" << QStringList{"a\tb"};
    QTest::newRow("tab, typed at the end: the stored tab stays") << QStringList{"a\tb"} << "c" << QStringList{"a\tbc"};
    QTest::newRow("empty last line, left unchanged") << QStringList{"abc", ""} << "" << QStringList{"abc", ""};
}

void TestCellEditing::storedLinesStayWhole()
{
    // Showing the entry and an edit that changes nothing keep every stored
    // line; only the text typed is held to the input rule.
    QFETCH(QStringList, held);
    QFETCH(QString, typed);
    QFETCH(QStringList, stored);
    const QString presetText = QStringLiteral("代表番号０３－１２３４－５６７８（平日９時から）");
    TestEntry e = cells(3);
    e.sections[0].cells[0].text = held;
    e.sections[0].cells[1].keyCode = QStringLiteral("000"); // a name plate: never edited
    e.sections[0].cells[1].text = QStringList{presetText};
    CellFixture f(e);
    const QByteArray bytes = textfile::readBytes(f.path);
    QCOMPARE(f.textLines(0), held);
    QCOMPARE(f.textLines(1), QStringList{presetText});
    QVERIFY(!f.doc().isModified());
    f.doubleClick(0);
    QCOMPARE(f.editor(0)->toPlainText(), held.join(u'\n'));
    if (!typed.isEmpty()) {
        QTest::keyClick(f.editor(0), Qt::Key_End, Qt::ControlModifier);
        const QStringList parts = typed.split(u'\n');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                QTest::keyClick(f.editor(0), Qt::Key_Return);
            typeText(f.editor(0), parts.at(i));
        }
    }
    f.click(2);
    QCOMPARE(f.textLines(0), stored);
    QCOMPARE(f.textLines(1), QStringList{presetText});
    QCOMPARE(f.doc().isModified(), !typed.isEmpty());
    QCOMPARE(uitest::part<QAction>("ActionEditUndo")->isEnabled(), !typed.isEmpty());
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!f.doc().isModified());
    if (typed.isEmpty())
        QCOMPARE(textfile::readBytes(f.path), bytes);
    QCOMPARE(f.env.dialogs.texts("message"), QStringList());
}

void TestCellEditing::storedEmptyLineAndCopy()
{
    TestEntry e = cells(2);
    e.sections[0].cells[0].text = QStringList{"abc", ""};
    CellFixture f(e);
    f.click(0);
    uitest::part<QAction>("ActionEditCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("abc\r\n\r\n"));
    QCOMPARE(f.textLines(0), (QStringList{"abc", ""}));
    QVERIFY(!f.doc().isModified());
}

void TestCellEditing::copyKeepsPicture()
{
    TestEntry e = cells(2);
    e.sections[0].cells[0].pictureType = ".bmp";
    e.sections[0].cells[0].pictureData = Bmp2x2;
    CellFixture f(e);
    // Entered with Tab, which makes every cell command available.
    f.click(1);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_Backtab);
    QCOMPARE(f.d().currentCell(), 0);
    QVERIFY(uitest::part<QAction>("ActionEditCopy")->isEnabled());
    editMenu(QStringLiteral("コピー(&C)"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("内線1\r\n"));
    QCOMPARE(f.line(0, PictureType), QStringLiteral(".bmp"));
    QCOMPARE(f.line(0, PictureData), Bmp2x2);
    QVERIFY(f.d().cell(0).showsPicture);
    QVERIFY(!f.doc().isModified());
}

void TestCellEditing::cutCopyPasteWholeCell()
{
    CellFixture f(cells(3));
    f.click(0);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("内線1\r\n"));
    QCOMPARE(f.line(0, TextCount), QStringLiteral("0"));
    f.click(2);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.textLines(2), QStringList{"内線1"});

    // Five lines pasted on a cell that is not edited: five lines, each cut.
    QGuiApplication::clipboard()->setText(
        QStringLiteral("one\r\ntwo\nthree\r\n123456789012345678901234\r\nfive"));
    f.click(1);
    uitest::part<QAction>("PopupPaste")->trigger();
    QCOMPARE(f.textLines(1), (QStringList{"one", "two", "three", "12345678901234567890", "five"}));
    QCOMPARE(f.d().selectedCells(), QList<int>{1});
    QCOMPARE(f.d().cellCommands(), SD::textCellCommands());
}

void TestCellEditing::pasteWithoutTextKeepsPicture()
{
    TestEntry e = cells(2);
    e.sections[0].cells[1].pictureType = ".bmp";
    e.sections[0].cells[1].pictureData = Bmp2x2;
    CellFixture f(e);
    auto *image = new QMimeData;
    image->setImageData(QImage(2, 2, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(image);
    f.click(0);
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_Tab);
    QCOMPARE(f.d().currentCell(), 1);
    uitest::part<QAction>("ActionEditPaste")->trigger();
    QCOMPARE(f.line(1, PictureType), QStringLiteral(".bmp"));
    // Text pasted on a picture cell replaces the picture by the text.
    QGuiApplication::clipboard()->setText(QStringLiteral("新"));
    uitest::part<QAction>("ActionEditPaste")->trigger();
    QVERIFY(f.line(1, PictureType).isEmpty());
    QVERIFY(f.line(1, PictureData).isEmpty());
    QCOMPARE(f.textLines(1), QStringList{"新"});
    QVERIFY(!f.d().cell(1).showsPicture);
}

void TestCellEditing::editorSelectionThroughMenu()
{
    CellFixture f(cells(2));
    f.doubleClick(0);
    QPlainTextEdit *editor = f.editor(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, "abcdef");
    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    // Opening the menu does not end the edit; 切り取り cuts the selection.
    editMenu(QStringLiteral("切り取り(&T)"));
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->toPlainText(), QStringLiteral("abcd"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ef"));
    QCOMPARE(f.textLines(0), QStringList{"内線1"}); // written when the edit ends
    editMenu(QStringLiteral("貼り付け(&P)"));
    editMenu(QStringLiteral("貼り付け(&P)"));
    QCOMPARE(editor->toPlainText(), QStringLiteral("abcdefef"));
    f.click(1);
    QCOMPARE(f.textLines(0), QStringList{"abcdefef"});
}

void TestCellEditing::editorKeysUseClipboard()
{
    CellFixture f(cells(2));
    f.doubleClick(0);
    QPlainTextEdit *editor = f.editor(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, "ab");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "cd");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab\r\ncd")); // CR LF between lines
    // Pasted text is not held to two lines.
    QGuiApplication::clipboard()->setText(QStringLiteral("1\r\n2\r\n3"));
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    f.click(1);
    QCOMPARE(f.textLines(0), (QStringList{"ab", "cd1", "2", "3"}));
}

void TestCellEditing::unsavableCharacters()
{
    CellFixture f(cells(2));
    f.doubleClick(0);
    QPlainTextEdit *editor = f.editor(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    typeText(editor, QStringLiteral("a①"));
    typeText(editor, QString::fromUtf8("\xEA\xB0\x80")); // hangul: refused as typed
    typeText(editor, QString::fromUtf8("\xF0\x9F\x98\x80")); // outside the basic plane
    QTest::keyClicks(editor, QStringLiteral("b"));
    QCOMPARE(editor->toPlainText(), QStringLiteral("a①b"));
    QCOMPARE(f.env.dialogs.texts("message").size(), 2);
    QVERIFY(f.env.dialogs.texts("message").at(0).contains(QString::fromUtf8("\xEA\xB0\x80")));
    // Pasting refuses the whole text.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("ok\xF0\x9F\x98\x80"));
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor->toPlainText(), QStringLiteral("a①b"));
    QVERIFY(editor->isVisible()); // the message did not end the edit
    f.click(1);
    uitest::part<QAction>("ActionEditPaste")->trigger();
    QCOMPARE(f.textLines(1), QStringList{"内線2"});
    QCOMPARE(f.env.dialogs.texts("message").size(), 4);
    // What was accepted saves.
    f.env.dialogs.fileNames << f.path;
    uitest::part<QAction>("ActionFileSave")->trigger();
    QVERIFY(!f.doc().isModified());
    QCOMPARE(f.env.dialogs.texts("error"), QStringList());
}

void TestCellEditing::utf8RegisterTakesAnyCharacter()
{
    CellFixture f(cells(2), {}, true, TextEncoding::Utf8Bom);
    f.doubleClick(0);
    QTest::keyClick(f.editor(0), Qt::Key_Delete);
    // 18 letters, a hangul syllable and an emoji are 20 characters.
    const QString line = QString(18, u'a') + QString::fromUtf8("\xEA\xB0\x80\xF0\x9F\x98\x80");
    typeText(f.editor(0), line);
    f.click(1);
    QCOMPARE(f.textLines(0), QStringList{line});
    QVERIFY(f.env.dialogs.texts("message").isEmpty());
}

void TestCellEditing::inputRuleAtTheCellDoors_data()
{
    QTest::addColumn<int>("door"); // 0 Ctrl+V on the cell, 1 Ctrl+V in its editor, 2 typed in its editor
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("refusal"); // part of the message; empty: accepted
    QTest::addColumn<QStringList>("stored");
    const QString typed = QStringLiteral("\u301C\u2212\u2016\u00A2\u00A3\u00AC\u2014");
    const QString own = QStringLiteral("\uFF5E\uFF0D\u2225\uFFE0\uFFE1\uFFE2\u2015");
    const QStringList unchanged{"内線2"};
    QTest::newRow("paste: tab") << 0 << "\tFAX" << "制御文字 (U+0009)" << unchanged;
    QTest::newRow("paste: form feed") << 0 << "a\fb" << "制御文字 (U+000C)" << unchanged;
    QTest::newRow("paste: U+0001") << 0 << "a\x01" << "制御文字 (U+0001)" << unchanged;
    QTest::newRow("paste: marker-like") << 0 << RegisterDocument::markerLine(124) + "\r\n"
                                        << "文字列に制御文字 (U+000C)" << unchanged;
    QTest::newRow("paste: mapped, lines cut") << 0 << typed + "\r\n" + QString(25, u'x')
                                              << "" << QStringList{own, QString(20, u'x')};
    QTest::newRow("editor paste: tab") << 1 << "A\tB" << "制御文字 (U+0009)" << unchanged;
    QTest::newRow("editor paste: mapped") << 1 << typed << "" << QStringList{own};
    QTest::newRow("typed: mapped") << 2 << typed << "" << QStringList{own};
}

void TestCellEditing::inputRuleAtTheCellDoors()
{
    QFETCH(int, door);
    QFETCH(QString, input);
    QFETCH(QString, refusal);
    QFETCH(QStringList, stored);
    CellFixture f(cells(3));
    QGuiApplication::clipboard()->setText(input);
    if (door == 0) {
        f.click(1);
        QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_V, Qt::ControlModifier);
    } else {
        f.doubleClick(1);
        if (door == 1)
            QTest::keyClick(f.editor(1), Qt::Key_V, Qt::ControlModifier);
        else
            typeText(f.editor(1), input);
        f.click(2);
    }
    const QStringList messages = f.env.dialogs.texts("message");
    if (refusal.isEmpty()) {
        QCOMPARE(messages, QStringList());
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).contains(refusal), qPrintable(messages.at(0)));
    }
    QCOMPARE(f.textLines(1), stored);
    QVERIFY(refusal.isEmpty() || !f.doc().isModified());
}

void TestCellEditing::deleteSelectedCells()
{
    CellFixture f(cells(6));
    f.selectRange(1, 3);
    QCOMPARE(f.d().selectedCells(), (QList<int>{1, 2, 3}));
    QTest::keyClick(uitest::part<StripSheet>("detailSheet"), Qt::Key_Delete, Qt::ControlModifier);
    for (int c : {1, 2, 3})
        QCOMPARE(f.line(c, TextCount), QStringLiteral("0"));
    for (int c : {0, 4, 5})
        QCOMPARE(f.textLines(c), QStringList{QStringLiteral("内線%1").arg(c + 1)});
}

void TestCellEditing::selectAllAndReset()
{
    CellFixture f(cells(12));
    f.doubleClick(4);
    QTest::keyClicks(f.editor(4), "new");
    // Select all writes the open edit back first.
    editMenu(QStringLiteral("すべてを選択(&A)"));
    QCOMPARE(f.textLines(4), QStringList{"new"});
    QList<int> all;
    for (int i = 0; i < 12; ++i)
        all.append(i);
    QCOMPARE(f.d().selectedCells(), all);
    QCOMPARE(f.d().cellCommands(), SD::selectionCellCommands());
    QVERIFY(!uitest::part<QAction>("ActionEditCut")->isEnabled());
    QVERIFY(uitest::part<QAction>("ActionEditDelete")->isEnabled());
    QVERIFY(uitest::part<QAction>("PopupDelete")->isEnabled());
    QVERIFY(!uitest::part<QAction>("PopupCopy")->isEnabled());
    editMenu(QStringLiteral("選択の解除(&X)"));
    QCOMPARE(f.d().selectedCells(), QList<int>{4});
    QCOMPARE(f.d().cellCommands(), SD::allCellCommands());
}

void TestCellEditing::typingIntoPictureCell()
{
    TestEntry e = cells(2);
    e.sections[0].cells[0].pictureType = ".bmp";
    e.sections[0].cells[0].pictureData = Bmp2x2;
    CellFixture f(e);
    QVERIFY(f.d().cell(0).showsPicture); // the picture covers the text
    // The editor of a picture cell is reached as a double-click on its text
    // image would reach it.
    Q_EMIT f.d().editRequested(0);
    QTest::keyClick(f.editor(0), Qt::Key_Delete);
    QTest::keyClicks(f.editor(0), "text");
    f.click(1);
    QCOMPARE(f.textLines(0), QStringList{"text"});
    QVERIFY(f.line(0, PictureType).isEmpty());
    QVERIFY(f.line(0, PictureData).isEmpty());
    QVERIFY(!f.d().cell(0).showsPicture);
}

void TestCellEditing::otherCellsAreNeverChanged_data()
{
    // How the detail view is reached, and the command run then.
    QTest::addColumn<bool>("fromOverview");
    QTest::addColumn<QString>("command");
    for (bool overview : {true, false}) {
        const char *how = overview ? "overview, then 詳細画面: " : "detail view: ";
        for (const char *c : {"Ctrl+Delete", "Ctrl+X", "Ctrl+V", "bold", "select all, Ctrl+Delete", "select all, bold"})
            QTest::newRow(qPrintable(QString::fromLatin1(how) + QString::fromLatin1(c))) << overview << QString::fromLatin1(c);
    }
}

void TestCellEditing::otherCellsAreNeverChanged()
{
    // Cell 0 is a name plate (key code 000), cell 1 a fixed key with a
    // blank code: neither is an assignable key. Only すべてを選択 reaches
    // them (every built cell, on purpose: the one way to empty a preset).
    QFETCH(bool, fromOverview);
    QFETCH(QString, command);
    TestEntry e = cells(4);
    e.sections[0].cells[0].keyCode = QStringLiteral("000");
    e.sections[0].cells[1].keyCode = QStringLiteral("abc");
    CellFixture f(e, {}, !fromOverview);
    if (fromOverview) {
        QTest::mouseClick(uitest::part<QToolButton>("ToolButtonShowDetail"), Qt::LeftButton);
        QVERIFY(f.d().detailActive());
    } else {
        QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0)); // no reaction
        QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, QPoint(1, 1));  // the blank sheet
    }
    QVERIFY(f.d().selectedCells().isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    const QStringList before = f.doc().lines().toStringList();
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : FMain;
    const bool all = command.startsWith(QLatin1String("select all"));
    if (all) {
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.d().selectedCells(), (QList<int>{0, 1, 2, 3}));
        command = command.mid(12);
    }
    if (command == QLatin1String("bold"))
        QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    else
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : FMain,
                        command.endsWith(QLatin1String("Delete")) ? Qt::Key_Delete
                        : command.endsWith(u'X')                  ? Qt::Key_X
                                                                  : Qt::Key_V,
                        Qt::ControlModifier);
    if (all) {
        for (int c : {0, 1}) {
            if (command == QLatin1String("bold"))
                QCOMPARE(f.line(c, Bold), QStringLiteral("1"));
            else
                QVERIFY(f.textLines(c).isEmpty());
        }
        return;
    }
    for (int c : {0, 1})
        for (int l = 0; l < strip::CellFixedLines + 1; ++l)
            QCOMPARE(f.line(c, l), before.at(f.record(c) + l));
    QCOMPARE(f.textLines(0), QStringList{QStringLiteral("内線1")});
}

void TestCellEditing::commandReachesEverySelectedCell_data()
{
    // A command reached by mouse, by shortcut and by Alt + menu letters acts
    // on every selected cell.
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("alignLeft"); // otherwise delete
    for (const char *way : {"mouse", "shortcut", "Alt+letter", "Alt, letter"})
        for (bool left : {false, true})
            if (!(left && QByteArray(way) == "shortcut")) // 左寄せ has no shortcut
                QTest::newRow(qPrintable(QString::fromLatin1(way) + (left ? " 左寄せ" : " 削除"))) << QString::fromLatin1(way) << left;
}

void TestCellEditing::commandReachesEverySelectedCell()
{
    QFETCH(QString, way);
    QFETCH(bool, alignLeft);
    CellFixture f(cells(6));
    f.click(1);
    f.click(3, Qt::ShiftModifier);
    QCOMPARE(f.d().selectedCells(), (QList<int>{1, 2, 3}));
    const QString menuTitle = alignLeft ? QStringLiteral("書式(&R)") : QStringLiteral("編集(&E)");
    const QString itemText = alignLeft ? QStringLiteral("左寄せ(&L)") : QStringLiteral("削除(&D)");
    QMenuBar *bar = FMain->menuBar();
    QMenu *menu = nullptr;
    for (QAction *a : bar->actions())
        if (a->text() == menuTitle)
            menu = a->menu();
    QVERIFY(menu);
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    if (way == QLatin1String("mouse")) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        QTRY_VERIFY(menu->isVisible());
        for (QAction *a : menu->actions())
            if (a->text() == itemText)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    } else if (way == QLatin1String("shortcut")) {
        QTest::keyClick(focus, Qt::Key_Delete, Qt::ControlModifier);
    } else {
        const Qt::Key menuKey = alignLeft ? Qt::Key_R : Qt::Key_E;
        if (way == QLatin1String("Alt+letter")) {
            QTest::keyClick(focus, menuKey, Qt::AltModifier);
        } else {
            // Alt pressed and released alone puts the menu bar into keyboard mode.
            QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(focus, Qt::Key_Alt);
            QTest::keyClick(QApplication::focusWidget(), menuKey);
        }
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, alignLeft ? Qt::Key_L : Qt::Key_D);
    }
    QTRY_VERIFY(!menu->isVisible());
    for (int c : {1, 2, 3})
        QCOMPARE(alignLeft ? f.line(c, Alignment) : f.line(c, TextCount), QString::fromLatin1(alignLeft ? "1" : "0"));
    for (int c : {0, 4})
        QCOMPARE(f.line(c, Alignment) + f.line(c, TextCount), QStringLiteral("21"));
    QCOMPARE(f.d().selectedCells(), (QList<int>{1, 2, 3}));
    // The toolbar button and the menu item show the alignment the command gave.
    if (alignLeft)
        QVERIFY(uitest::part<QToolButton>("ToolButtonLeft")->isChecked() && uitest::part<QAction>("ActionFormatLeft")->isChecked()
                && !uitest::part<QToolButton>("ToolButtonCenter")->isChecked());
}

void TestCellEditing::textCommandDuringEdit_data()
{
    // A command that writes the text of the cell being edited, reached
    // while the editor holds typed text: the command's text is what stays.
    QTest::addColumn<QString>("way");
    QTest::newRow("削除 from the Edit menu") << "menu";
    QTest::newRow("削除 by Alt+E, D") << "Alt";
    QTest::newRow("key label button") << "key label";
}

void TestCellEditing::textCommandDuringEdit()
{
    QFETCH(QString, way);
    CellFixture f(cells(3));
    f.doubleClick(1);
    QPlainTextEdit *editor = f.editor(1);
    QTest::keyClicks(editor, "typed");
    QStringList expected;
    if (way == QLatin1String("menu")) {
        editMenu(QStringLiteral("削除(&D)"));
    } else if (way == QLatin1String("Alt")) {
        QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QTest::keyClick(menu, Qt::Key_D);
        QTRY_VERIFY(!menu->isVisible());
    } else {
        KeyLabelPanel &panel = FMain->keyLabelPanel();
        expected = panel.set().ReadKeyLabel(0).lines;
        QVERIFY(!expected.isEmpty());
        QTest::mouseClick(panel.buttons().at(0), Qt::LeftButton);
    }
    f.click(2); // the edit, if still open, ends here
    QCOMPARE(f.textLines(1), expected);
    QCOMPARE(f.textLines(0), QStringList{QStringLiteral("内線1")});
}

TAVREL_UI_TEST_MAIN(TestCellEditing)
#include "test_cellediting.moc"
