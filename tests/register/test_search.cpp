// The find and replace dialog driven through the keyboard and the mouse:
// its two layouts, the steps from the current cell or the first entry,
// showing an occurrence in the cell's editor with the found characters
// selected (switching entry and view), replacing the occurrence shown last,
// refusals, and typed text that is never lost.

#include "register/celltext.h"
#include "register/stripwalk.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tfsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

// Cell texts of the two entries (three cells each; "/" separates lines).
const QStringList Entry1{"abab", "xAbx", "zz"};
const QStringList Entry2{"cd/xab", "ｱｲ", "Ab"};

QStringList cellText(int entry, int cell)
{
    RegisterDocument &doc = FMain->document();
    const int b = strip::locateCell(doc.lines(), doc.findEntry(entry) + 1, cell);
    QStringList l;
    const regfmt::CellLines record(doc.lines(), b);
    for (int j = 0; j < record.textCount(); ++j)
        l << doc.line(record.firstTextLine() + j);
    return l;
}

QPlainTextEdit *shownEditor()
{
    StripDisplay &d = FMain->display();
    QPlainTextEdit *found = nullptr;
    for (int c = 0; c < d.cellCount(); ++c)
        if (d.cell(c).editor && d.cell(c).editor->isVisible()) {
            if (found)
                return nullptr; // never two at once
            found = d.cell(c).editor;
        }
    return found;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void findSteps();
    void layoutsAndClosing();
    void fromFirstEntry();
    void replaceSteps();
    void refusals();
    void typedTextKept();
    void openEditWrittenBeforeStep_data();
    void openEditWrittenBeforeStep();
    void showingChangesNothing();
    void occurrenceEditorRules_data();
    void occurrenceEditorRules();

private:
    void press() { QTest::mouseClick(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnOk"), Qt::LeftButton); }
    void openFind(Qt::Key key);

    std::unique_ptr<uitest::Environment> m_env;
};

void TestSearch::init()
{
    m_env = std::make_unique<uitest::Environment>();
    const QString path = m_env->writeRegister(QStringLiteral("s.TAV"),
                                              {{0, QStringLiteral("電話機Ａ"), "201", "", ""},
                                               {0, QStringLiteral("電話機Ａ"), "202", "", ""}});
    RegisterDocument doc;
    doc.load(path);
    for (int e = 1; e <= 2; ++e)
        for (int c = 0; c < 3; ++c)
            strip::writeCellText(doc, doc.findEntry(e) + 1, c, (e == 1 ? Entry1 : Entry2).at(c).split(u'/'));
    doc.save(path);
    m_env->start(path);
    QCOMPARE(FMain->display().shownEntryNumber(), 1);
    // Find and replace are cell commands: available in the detail view.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonShowDetail"), Qt::LeftButton);
    QVERIFY(FMain->display().detailActive());
}

void TestSearch::cleanup()
{
    m_env->dialogs.answers << UserDialogs::Answer::No; // the unsaved-changes question
    m_env->destroyWindows();
    m_env.reset();
}

void TestSearch::openFind(Qt::Key key)
{
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(FMain, key, Qt::ControlModifier);
    QVERIFY(uitest::window<TFSearch>()->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(uitest::window<TFSearch>()));
}

void TestSearch::findSteps()
{
    StripDisplay &d = FMain->display();
    openFind(Qt::Key_F);
    // The overview is shown while the dialog is open.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonShowAll"), Qt::LeftButton);
    QVERIFY(!d.detailActive());
    uitest::window<TFSearch>()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(uitest::window<TFSearch>()));
    QCOMPARE(uitest::window<TFSearch>()->windowTitle(), QStringLiteral("検索"));
    QCOMPARE(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnOk")->text(), QStringLiteral("検索(&F)"));
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ab"));
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Return);

    // Entry 1, cell 0 at position 1: the detail view comes first.
    QVERIFY(d.detailActive());
    QVERIFY(uitest::part<QAction>("ActionShowDetail")->isChecked());
    QPlainTextEdit *ed = shownEditor();
    QVERIFY(ed && ed == d.cell(0).editor);
    QCOMPARE(ed->textCursor().selectedText(), QStringLiteral("ab"));
    QCOMPARE(ed->textCursor().selectionStart(), 0);
    QCOMPARE(d.currentCell(), 0);
    QVERIFY(d.isSelected(0) && d.selectedCount() == 1);
    QVERIFY(uitest::window<TFSearch>()->isVisible() && uitest::window<TFSearch>()->isEnabled());

    // The second "ab" follows right after the first: not examined; the
    // capital in cell 1 is found.
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Return);
    ed = shownEditor();
    QVERIFY(ed && ed == d.cell(1).editor);
    QCOMPARE(ed->textCursor().selectedText(), QStringLiteral("Ab"));
    QCOMPARE(ed->textCursor().selectionStart(), 1);
    QCOMPARE(d.currentCell(), 1);
    QVERIFY(d.isSelected(1) && d.selectedCount() == 1);

    // Cell 0 of entry 2, on its second line: the entry is switched and the
    // list follows; the selection counts the line break as one character.
    press();
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 1);
    QCOMPARE(uitest::part<QTreeView>("registerList")->selectionModel()->selectedRows().size(), 1);
    ed = shownEditor();
    QVERIFY(ed && ed == d.cell(0).editor);
    QCOMPARE(ed->toPlainText(), QStringLiteral("cd\nxab"));
    QCOMPARE(ed->textCursor().selectionStart(), 4);
    QCOMPARE(ed->textCursor().selectedText(), QStringLiteral("ab"));
    QCOMPARE(uitest::window<TFSearch>()->state().position, 6);

    press(); // entry 2, cell 2
    QCOMPARE(d.currentCell(), 2);
    // The end of the register: nothing changes, and pressing again finds nothing.
    const regsearch::State last = uitest::window<TFSearch>()->state();
    press();
    press();
    QCOMPARE(uitest::window<TFSearch>()->state().entry, last.entry);
    QCOMPARE(uitest::window<TFSearch>()->state().cell, last.cell);
    QCOMPARE(d.currentCell(), 2);
    QVERIFY(uitest::window<TFSearch>()->isVisible());
    QVERIFY(m_env->dialogs.texts("message").isEmpty());
    // Finding changed no cell.
    QVERIFY(!FMain->document().isModified());
}

void TestSearch::layoutsAndClosing()
{
    openFind(Qt::Key_R);
    QCOMPARE(uitest::window<TFSearch>()->windowTitle(), QStringLiteral("置換"));
    QCOMPARE(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnOk")->text(), QStringLiteral("置換(&R)"));
    QCOMPARE(uitest::window<TFSearch>()->size(), QSize(TFSearch::ClientWidth, TFSearch::ClientHeight));
    QVERIFY(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit")->isVisible() && uitest::child<QLabel>(uitest::window<TFSearch>(), "replaceLabel")->isVisible());
    QCOMPARE(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit")->y(), 10);
    QCOMPARE(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "fromTopBox")->y(), 88);
    QVERIFY(uitest::window<TFSearch>()->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!uitest::window<TFSearch>()->isModal());
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("zz"));
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Escape);
    QVERIFY(!uitest::window<TFSearch>()->isVisible());

    // Opened again in find mode: its layout, and the texts kept.
    openFind(Qt::Key_F);
    QCOMPARE(uitest::window<TFSearch>()->windowTitle(), QStringLiteral("検索"));
    QVERIFY(!uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit")->isVisible());
    QCOMPARE(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit")->y(), 18);
    QCOMPARE(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnCancel")->y(), 44);
    QCOMPARE(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "matchCaseBox")->y(), 62);
    QCOMPARE(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit")->text(), QStringLiteral("zz"));

    // The mode changed while the dialog is open takes its layout at once:
    // what the dialog shows is what its button does, and 検索 never replaces.
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(FMain, Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(uitest::window<TFSearch>()->windowTitle(), QStringLiteral("置換"));
    QVERIFY(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit")->isVisible());
    QCOMPARE(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnOk")->text(), QStringLiteral("置換(&R)"));
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(FMain, Qt::Key_F, Qt::ControlModifier);
    QTRY_COMPARE(uitest::window<TFSearch>()->windowTitle(), QStringLiteral("検索"));
    QVERIFY(!uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit")->isVisible());
    uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit")->setFocus();
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("zz"));
    press();
    press();
    QCOMPARE(cellText(1, 2), QStringList{"zz"});
    QVERIFY(!FMain->document().isModified());
    QTest::mouseClick(uitest::child<QPushButton>(uitest::window<TFSearch>(), "btnCancel"), Qt::LeftButton);
    QVERIFY(!uitest::window<TFSearch>()->isVisible());
}

void TestSearch::fromFirstEntry()
{
    // Entry 2 is current; with the check box the search starts at entry 1.
    uitest::clickRow(1);
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    openFind(Qt::Key_F);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ZZ"));
    press(); // from the current entry: nothing in entry 2
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    QVERIFY(!shownEditor());
    QTest::mouseClick(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "fromTopBox"), Qt::LeftButton, {}, QPoint(5, uitest::child<QCheckBox>(uitest::window<TFSearch>(), "fromTopBox")->height() / 2));
    QVERIFY(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "fromTopBox")->isChecked());
    press();
    QCOMPARE(FMain->display().shownEntryNumber(), 1);
    QCOMPARE(FMain->display().currentCell(), 2);
    // Case-sensitive: "ZZ" is not "zz"; the menu resets the search state.
    openFind(Qt::Key_F);
    QTest::mouseClick(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "matchCaseBox"), Qt::LeftButton, {}, QPoint(5, uitest::child<QCheckBox>(uitest::window<TFSearch>(), "matchCaseBox")->height() / 2));
    QVERIFY(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "matchCaseBox")->isChecked());
    press();
    QCOMPARE(uitest::window<TFSearch>()->state().entry, 0);
}

void TestSearch::replaceSteps()
{
    openFind(Qt::Key_R);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ab"));
    QTest::mouseClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::LeftButton);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), QStringLiteral("Q"));
    press(); // the first press only shows
    QCOMPARE(cellText(1, 0), QStringList{"abab"});
    QVERIFY(!FMain->document().isModified());
    press(); // replaces it, and shows the next occurrence
    QCOMPARE(cellText(1, 0), QStringList{"Qab"});
    QVERIFY(FMain->document().isModified());
    QCOMPARE(FMain->display().currentCell(), 1);
    QCOMPARE(shownEditor(), FMain->display().cell(1).editor);
    press();
    QCOMPARE(cellText(1, 1), QStringList{"xQx"});
    QCOMPARE(FMain->display().shownEntryNumber(), 2);
    press(); // second line of entry 2, cell 0
    QCOMPARE(cellText(2, 0), (QStringList{"cd", "xQ"}));
    // Replaced in the cell shown, with the caret after the replacement:
    // the next occurrence (cell 2) is shown, so look at the cell 0 editor.
    QCOMPARE(FMain->display().cell(0).editor->toPlainText(), QStringLiteral("cd\nxQ"));
    press();
    QCOMPARE(cellText(2, 2), QStringList{"Q"});
    // Nothing left: the editor of the last replacement stays with its caret.
    QPlainTextEdit *ed = shownEditor();
    QVERIFY(ed && ed == FMain->display().cell(2).editor);
    QCOMPARE(ed->textCursor().position(), 1);
    QVERIFY(m_env->dialogs.texts("message").isEmpty());
}

void TestSearch::refusals()
{
    openFind(Qt::Key_R);
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Return); // empty search text
    QCOMPARE(m_env->dialogs.texts("message"), QStringList{regsearch::EmptyTextMessage});
    QCOMPARE(uitest::window<TFSearch>()->state().entry, 0);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("zz"));
    QTest::mouseClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::LeftButton);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), QStringLiteral("01234567890123456789"));
    press();
    QCOMPARE(FMain->display().currentCell(), 2);
    press(); // exactly 20 characters: accepted
    QCOMPARE(cellText(1, 2), QStringList{"01234567890123456789"});
    // Growing past 20 characters is refused with a message.
    openFind(Qt::Key_R);
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("0"));
    QTest::mouseClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::LeftButton);
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), QStringLiteral("xx"));
    QCOMPARE(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit")->text(), QStringLiteral("xx"));
    press();
    press();
    QCOMPARE(cellText(1, 2), QStringList{"01234567890123456789"});
    QCOMPARE(m_env->dialogs.texts("message").size(), 2);
    QCOMPARE(m_env->dialogs.texts("message").constLast(), regsearch::tooLongMessage(21));
    // Pressed again, the refused occurrence is passed over: the next "0".
    press();
    QCOMPARE(cellText(1, 2), QStringList{"01234567890123456789"});
    QCOMPARE(uitest::window<TFSearch>()->state().position, 11);
    // A pasted replacement holding a tab is refused before anything changes.
    QGuiApplication::clipboard()->setText(QStringLiteral("\t"));
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), Qt::Key_V, Qt::ControlModifier);
    press();
    QCOMPARE(m_env->dialogs.texts("message").size(), 3);
    QVERIFY(m_env->dialogs.texts("message").constLast().contains(QStringLiteral("置換後の文字列に制御文字 (U+0009)")));
    QCOMPARE(cellText(1, 2), QStringList{"01234567890123456789"});
}

void TestSearch::typedTextKept()
{
    openFind(Qt::Key_F);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ab"));
    press();
    QPlainTextEdit *ed = shownEditor();
    QVERIFY(ed);
    // The user types over the found characters in the editor and steps on
    // from the dialog: the typed text is written back, not lost.
    QTest::keyClicks(ed, QStringLiteral("yy"));
    QCOMPARE(ed->toPlainText(), QStringLiteral("yyab"));
    press();
    QCOMPARE(cellText(1, 0), QStringList{"yyab"});
    QCOMPARE(FMain->display().currentCell(), 1);

    // Typed into the next occurrence's editor, then the user clicks into the
    // register list: the edit ends and is written back.
    ed = shownEditor();
    QVERIFY(ed && ed == FMain->display().cell(1).editor);
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::mouseClick(ed->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    QTRY_VERIFY(ed->hasFocus());
    QTest::keyClick(ed, Qt::Key_End);
    QTest::keyClicks(ed, QStringLiteral("9"));
    QTest::mouseClick(uitest::part<QTreeView>("registerList")->viewport(), Qt::LeftButton, {},
                      QPoint(5, uitest::part<QTreeView>("registerList")->viewport()->height() - 3));
    QVERIFY(!ed->isVisible());
    QCOMPARE(cellText(1, 1), QStringList{"xAbx9"});
    QCOMPARE(FMain->display().shownEntryNumber(), 1);
}

void TestSearch::openEditWrittenBeforeStep_data()
{
    QTest::addColumn<int>("cell"); // of entry 1, edited when the dialog is opened
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("entryShown"); // the occurrence's
    QTest::newRow("occurrence in the same entry") << 0 << "zz" << 1;
    QTest::newRow("edited cell's old text passed, next entry") << 1 << "ab" << 2;
}

void TestSearch::openEditWrittenBeforeStep()
{
    QFETCH(int, cell);
    QFETCH(QString, search);
    QFETCH(int, entryShown);
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    uitest::doubleClickCell(cell);
    QPlainTextEdit *ed = FMain->display().cell(cell).editor;
    QVERIFY(ed && ed->hasFocus());
    QTest::keyClicks(ed, QStringLiteral("qq"));
    QTest::keyClick(ed, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(QTest::qWaitForWindowActive(uitest::window<TFSearch>()));
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), search);
    press();
    // The step reads the typed text, not the cell's old one, and the edit
    // has ended: one editor shows, the occurrence's.
    QCOMPARE(FMain->display().shownEntryNumber(), entryShown);
    QCOMPARE(cellText(1, cell), QStringList{"qq"});
    QVERIFY(shownEditor());
}

void TestSearch::showingChangesNothing()
{
    // A cell with a picture is passed over, and leaving an editor that the
    // dialog opened without typing writes nothing back.
    RegisterDocument &doc = FMain->document();
    const int b = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 0);
    doc.setLine(b + regfmt::cell::PictureType, QStringLiteral(".bmp"));
    doc.setLine(b + regfmt::cell::PictureData, QStringLiteral("Qk0="));
    const QByteArray before = doc.lines().encode();
    openFind(Qt::Key_F);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ab"));
    press();
    QCOMPARE(FMain->display().currentCell(), 1); // not cell 0, which shows a picture
    QPlainTextEdit *ed = shownEditor();
    QVERIFY(ed);
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::mouseClick(uitest::part<QTreeView>("registerList")->viewport(), Qt::LeftButton, {},
                      QPoint(5, uitest::part<QTreeView>("registerList")->viewport()->height() - 3));
    QVERIFY(!ed->isVisible());
    QCOMPARE(doc.lines().encode(), before);
}

void TestSearch::occurrenceEditorRules_data()
{
    // What the user types into the editor showing an occurrence ("ab"
    // selected in cell 0 of entry 1), then the next step from the dialog:
    // the in-place editor's rules hold there too. Keys: <Enter>, <Tab>,
    // <Esc>, or text typed as it comes. `stored` is the file's text of cell
    // 0 then; `told` a piece of the box shown, if any.
    QTest::addColumn<QString>("stored"); // cell 0's text before ("/" between lines)
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("open"); // the editor is still open before the step
    QTest::newRow("Enter: two lines at most") << "abab" << QStringList{"<Enter>", "<Enter>", "<Enter>", "x"}
                                              << QStringList{"", "xab"} << "" << true;
    QTest::newRow("Tab moves on, inserts nothing") << "abab" << QStringList{"y", "<Tab>"} << QStringList{"yab"} << ""
                                                   << false;
    QTest::newRow("a character outside code page 932") << "abab" << QStringList{QStringLiteral("\U0001F600")}
                                                       << QStringList{"abab"} << "U+1F600" << true;
    QTest::newRow("Esc ends the edit") << "abab" << QStringList{"q", "<Esc>"} << QStringList{"qab"} << "" << false;
    QTest::newRow("a character the cell holds is kept when written")
        << QStringLiteral("abab/FAX\uFFFD") << QStringList{"<Down>", "b"} << QStringList{"abab", QStringLiteral("FAbX\uFFFD")}
        << "" << true;
}

void TestSearch::occurrenceEditorRules()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, after);
    QFETCH(QString, told);
    QFETCH(bool, open);
    RegisterDocument &doc = FMain->document();
    if (stored != QLatin1String("abab")) {
        // Lines as a file from elsewhere may hold them (an undecodable byte),
        // written as one change.
        RegisterStep step(doc, QStringLiteral("test"));
        const int b = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 0);
        const QStringList lines = stored.split(u'/');
        doc.setLine(b + regfmt::cell::TextCount, QString::number(lines.size()));
        doc.removeLines(b + regfmt::cell::FirstText, 1);
        doc.insertLines(b + regfmt::cell::FirstText, lines);
    }
    openFind(Qt::Key_F);
    QTest::keyClicks(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("ab"));
    press();
    QPlainTextEdit *ed = shownEditor();
    QVERIFY(ed && ed == FMain->display().cell(0).editor);
    // The user goes over to the main window, where the editor has the focus.
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTRY_VERIFY(ed->hasFocus());
    QCOMPARE(ed->textCursor().selectedText(), QStringLiteral("ab"));
    for (const QString &k : keys) {
        if (k == QLatin1String("<Enter>"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        else if (k == QLatin1String("<Tab>"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        else if (k == QLatin1String("<Esc>"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else if (k == QLatin1String("<Down>"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        else {
            QTest::sendKeyEvent(QTest::Press, QApplication::focusWidget(), Qt::Key_unknown, k, Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, QApplication::focusWidget(), Qt::Key_unknown, k, Qt::NoModifier);
        }
    }
    QCOMPARE(ed->isVisible(), open);
    QVERIFY(!ed->toPlainText().contains(u'\t'));
    // The next step writes what is typed back (or refuses it).
    uitest::window<TFSearch>()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(uitest::window<TFSearch>()));
    press();
    QCOMPARE(cellText(1, 0), after);
    const QStringList boxes = m_env->dialogs.texts("message") + m_env->dialogs.texts("exception");
    QCOMPARE(boxes.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) {
        QVERIFY2(boxes.constFirst().contains(told), qPrintable(boxes.constFirst()));
        // The cell shows the file's text, also in its editor when it opens again.
        QVERIFY(!ed->isVisible());
        QCOMPARE(strip::editorLines(ed->toPlainText()), after);
    }
    QVERIFY(uitest::window<TFSearch>()->isEnabled());
}

TAVREL_UI_TEST_MAIN(TestSearch)
#include "test_search.moc"
