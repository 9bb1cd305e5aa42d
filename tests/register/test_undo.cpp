// Edit ▸ 元に戻す and やり直し through the real windows: a sequence of every
// kind of change made with keys, clicks and the dialogs, undone back to the
// bytes of the file opened and redone to the state before undoing; the
// editor's own undo while a cell is edited; the hints; what empties the
// history.

#include "register/cellrecord.h"
#include "register/registerlistmodel.h"
#include "register/stripwalk.h"
#include "strip/picture.h"
#include "uitestsupport.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tftel_add.h"
#include "windows/register/undocommands.h"
#include "windows/strip/stripdisplay.h"
#include "windows/strip/tfviewimage.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

using namespace regfmt::cell;

const QString Bmp2x2 = QStringLiteral(
    "Qk1GAAAAAAAAADYAAAAoAAAAAgAAAAIAAAABABgAAAAAABAAAAATCwAAEwsAAAAAAAAAAAAA/wAAAP8AAAAAAP8AAP8AAAA=");

// Types any text, one character per key press.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QAction *editMenuAction()
{
    for (QAction *a : FMain->menuBar()->actions())
        if (a->text() == QStringLiteral("編集(&E)"))
            return a;
    return nullptr;
}

// Opens the Edit menu from the menu bar; returns the item of that text.
QAction *openEditMenu(const QString &item)
{
    QMenuBar *bar = FMain->menuBar();
    QAction *edit = editMenuAction();
    if (!edit)
        return nullptr;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit).center());
    if (!QTest::qWaitFor([&] { return edit->menu()->isVisible(); }))
        return nullptr;
    for (QAction *a : edit->menu()->actions())
        if (a->text() == item)
            return a;
    return nullptr;
}

void clickEditMenu(const QString &item)
{
    QAction *target = openEditMenu(item);
    QVERIFY2(target, qPrintable(item));
    QMenu *menu = editMenuAction()->menu();
    QVERIFY2(target->isEnabled(), qPrintable(item));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
    QTRY_VERIFY(!menu->isVisible());
    // The focus goes back to where it was once the menu has gone.
    QTest::qWait(20);
}

// The rows of the register list as shown.
QStringList listRows()
{
    QStringList rows;
    const RegisterListModel *m = FMain->listModel();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cols;
        for (int c = 0; c < RegisterListModel::ColumnCount; ++c)
            cols << m->data(m->index(r, c)).toString();
        rows << cols.join(u'|');
    }
    return rows;
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyKindOfStepUndoneAndRedone();
    void editorKeepsItsOwnUndo();
    void editorEnablesUndoAndRedo();
    void typedSizeIsOneStep_data();
    void typedSizeIsOneStep();
    void undoneDeletionShowsRestoredEntry_data();
    void undoneDeletionShowsRestoredEntry();
    void hintsAndButtons();
    void emptiedByNewAndOpenNotBySave();
    void boundedToHundredSteps();

private:
    StripDisplay &d() { return FMain->display(); }
    RegisterDocument &doc() { return FMain->document(); }
    // Dialogs that closed leave the main window inactive on this platform;
    // the user's next click activates it again.
    void activate()
    {
        QApplication::processEvents();
        if (QApplication::activeWindow() != FMain) {
            FMain->activateWindow();
            QTRY_VERIFY(QApplication::activeWindow() == FMain);
        }
        QApplication::processEvents();
    }
    void click(int cell, Qt::KeyboardModifiers mods = {})
    {
        activate();
        uitest::clickCell(cell, mods);
    }
    QString cellLine(int cell, int recordLine)
    {
        return doc().line(strip::locateCell(doc().lines(), FMain->display().shownHeaderLine(), cell) + recordLine);
    }
    QStringList cellText(int cell)
    {
        const int b = strip::locateCell(doc().lines(), FMain->display().shownHeaderLine(), cell);
        return doc().lines().mid(b + FirstText, doc().intAt(b + TextCount));
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::ControlModifier)
    {
        activate();
        QTest::keyClick(FMain->focusWidget() ? FMain->focusWidget() : FMain, Qt::Key(k), mods);
    }
    QString undoText() { return doc().history().undoText(); }

    std::unique_ptr<uitest::Environment> m_env;
    QString m_path;
    QByteArray m_opened;
};

void TestUndo::init()
{
    m_env = std::make_unique<uitest::Environment>();
    m_env->writeSettings({"[Position]", "MainWState=0", "[Checked]", "DispLayout=0"});
    m_path = m_env->writeRegister(
        QStringLiteral("undo.TAV"),
        {{0, QStringLiteral("電話機Ａ"), "201", QStringLiteral("営業部"), QStringLiteral("山田")},
         {0, QStringLiteral("電話機Ｂ"), "202", QStringLiteral("総務部"), QStringLiteral("鈴木")},
         {0, QStringLiteral("電話機Ａ"), "203", QStringLiteral("経理部"), QStringLiteral("佐藤")}});
    m_opened = fileBytes(m_path);
    m_env->start(m_path);
    QVERIFY(FMain->display().detailActive());
    QCOMPARE(FMain->rowCount(), 3);
}

void TestUndo::cleanup()
{
    m_env->dialogs.answers << UserDialogs::Answer::No; // the unsaved-changes question
    m_env->destroyWindows();
    m_env.reset();
}

void TestUndo::everyKindOfStepUndoneAndRedone()
{
    QVERIFY(!uitest::part<QAction>("ActionEditUndo")->isEnabled() && !uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    const QStringList rowsOpened = listRows();
    QStringList names;
    const auto stepDone = [&](const QString &name) {
        QCOMPARE(undoText(), name);
        names << name;
    };

    // An edit written back: typed into cell 0, ended by Escape.
    uitest::doubleClickCell(0);
    QPlainTextEdit *ed = d().editor(0);
    QTRY_VERIFY(ed->hasFocus());
    typeText(ed, QStringLiteral("内線ab"));
    QTest::keyClick(ed, Qt::Key_Escape);
    QCOMPARE(cellText(0), QStringList{QStringLiteral("内線ab")});
    stepDone(QStringLiteral("文字の入力"));
    // Editing without changing anything is no step.
    uitest::doubleClickCell(0);
    QTRY_VERIFY(d().editor(0)->hasFocus());
    QTest::keyClick(d().editor(0), Qt::Key_Escape);
    QCOMPARE(doc().history().count(), 1);

    // Cut from cell 0, pasted into cell 1.
    click(0);
    key(Qt::Key_X);
    QVERIFY(cellText(0).isEmpty());
    stepDone(QStringLiteral("切り取り"));
    click(1);
    key(Qt::Key_V);
    QCOMPARE(cellText(1), QStringList{QStringLiteral("内線ab")});
    stepDone(QStringLiteral("貼り付け"));

    // A format command over two cells from the toolbar.
    click(0);
    click(1, Qt::ShiftModifier);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QCOMPARE(cellLine(0, Bold), QStringLiteral("1"));
    QCOMPARE(cellLine(1, Bold), QStringLiteral("1"));
    stepDone(QStringLiteral("書式の変更"));

    // A key label from the panel onto cell 0.
    click(0);
    QVERIFY(!FMain->keyLabelPanel().buttons().isEmpty());
    QPushButton *label = FMain->keyLabelPanel().buttons().at(0);
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!cellText(0).isEmpty());
    stepDone(QStringLiteral("キーラベルの適用"));

    // A picture attached to cell 1 and detached again.
    const QString picture = m_env->dataFolder() + QStringLiteral("p.bmp");
    {
        QFile f(picture);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromBase64(Bmp2x2.toLatin1()));
    }
    click(1);
    uitest::whenPictureDialogShown([&](TFViewImage &dlg) {
        m_env->dialogs.fileNames << picture;
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "ButtonLoad"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "ButtonOK"), Qt::LeftButton);
    });
    clickEditMenu(QStringLiteral("画像添付(&G)..."));
    QCOMPARE(cellLine(1, PictureType), QStringLiteral(".bmp"));
    stepDone(QStringLiteral("画像添付"));
    // A click on the picture offers detaching it.
    uitest::clickCell(1, {}, 0, QPoint(1, 1));
    clickEditMenu(QStringLiteral("画像添付解除(&R)"));
    QVERIFY(cellLine(1, PictureType).isEmpty());
    stepDone(QStringLiteral("画像添付解除"));

    // Delete over two selected cells: one step.
    click(0);
    click(1, Qt::ShiftModifier);
    key(Qt::Key_Delete);
    QVERIFY(cellText(0).isEmpty() && cellText(1).isEmpty());
    stepDone(QStringLiteral("削除"));

    // One replacement: the preset text of cell 2 ("保留").
    const QString preset = cellText(2).join(QString());
    QVERIFY(preset.contains(QStringLiteral("保留")));
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(FMain, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(QTest::qWaitForWindowActive(uitest::window<TFSearch>()));
    typeText(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), QStringLiteral("保留"));
    typeText(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "replaceEdit"), QStringLiteral("転送"));
    QTest::mouseClick(uitest::child<QCheckBox>(uitest::window<TFSearch>(), "fromTopBox"), Qt::LeftButton); // from the first entry
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Return);      // found
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Return);      // replaced, the next looked for
    QTest::keyClick(uitest::child<QLineEdit>(uitest::window<TFSearch>(), "findEdit"), Qt::Key_Escape);
    QTRY_VERIFY(!uitest::window<TFSearch>()->isVisible());
    // Replaced in entry 1; the next occurrence, in entry 3, is shown.
    QCOMPARE(FMain->display().shownEntryNumber(), 3);
    {
        const int b = strip::locateCell(doc().lines(), doc().findEntry(1) + 1, 2);
        QCOMPARE(doc().line(b + FirstText), QStringLiteral("転送"));
    }
    stepDone(QStringLiteral("置換"));

    // An entry created, an entry edited, an entry deleted.
    uitest::whenEntryDialogShown([](TFTelAdd &dlg) {
        QTest::keyClicks(uitest::child<QLineEdit>(&dlg, "extensionEdit"), "301");
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "ButtonOk"), Qt::LeftButton);
    });
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonJimeijoNew"), Qt::LeftButton);
    QCOMPARE(FMain->rowCount(), 4);
    stepDone(QStringLiteral("示名条の作成"));

    uitest::whenEntryDialogShown([](TFTelAdd &dlg) {
        uitest::child<QLineEdit>(&dlg, "departmentEdit")->selectAll();
        typeText(uitest::child<QLineEdit>(&dlg, "departmentEdit"), QStringLiteral("開発部"));
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "ButtonOk"), Qt::LeftButton);
    });
    {
        QTreeView *list = uitest::part<QTreeView>("registerList");
        const QRect r = list->visualRect(FMain->listModel()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }
    QCOMPARE(doc().headerOfEntry(2).department, QStringLiteral("開発部"));
    stepDone(QStringLiteral("示名条の編集"));

    uitest::clickRow(0);
    m_env->dialogs.answers << UserDialogs::Answer::Yes;
    QTest::keyClick(uitest::part<QTreeView>("registerList"), Qt::Key_Delete);
    QCOMPARE(FMain->rowCount(), 3);
    stepDone(QStringLiteral("示名条の削除"));

    QCOMPARE(doc().history().count(), names.size());
    const QByteArray before = doc().lines().encode();
    const QStringList rowsBefore = listRows();

    // Undo everything with Ctrl+Z: each step's name leaves the hint in turn.
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        QCOMPARE(FMain->undoCommands().undoHint(), QStringLiteral("元に戻す: ") + names.at(i));
        key(Qt::Key_Z);
        QCOMPARE(FMain->undoCommands().redoHint(), QStringLiteral("やり直し: ") + names.at(i));
        if (names.at(i) == QStringLiteral("書式の変更")) {
            // The two cells the format command changed are selected again.
            QCOMPARE(FMain->display().shownEntryNumber(), 1);
            QCOMPARE(d().selectedCells(), (QList<int>{0, 1}));
        } else if (names.at(i) == QStringLiteral("示名条の削除")) {
            QCOMPARE(FMain->rowCount(), 4);
            QCOMPARE(uitest::part<QTreeView>("registerList")->currentIndex().row(), 0);
            QCOMPARE(FMain->display().shownEntryNumber(), 1);
        } else if (names.at(i) == QStringLiteral("示名条の作成")) {
            QCOMPARE(FMain->rowCount(), 3);
        }
    }
    QVERIFY(!uitest::part<QAction>("ActionEditUndo")->isEnabled() && !uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    QCOMPARE(doc().lines().encode(), m_opened);
    QVERIFY(!doc().isModified());
    QCOMPARE(listRows(), rowsOpened);

    // Redo everything from the toolbar.
    while (uitest::part<QToolButton>("ToolButtonRedo")->isEnabled())
        QTest::mouseClick(uitest::part<QToolButton>("ToolButtonRedo"), Qt::LeftButton);
    QCOMPARE(doc().history().index(), int(names.size()));
    QCOMPARE(doc().lines().encode(), before);
    QCOMPARE(listRows(), rowsBefore);
    QVERIFY(doc().isModified());

    // And back once more through the menu.
    clickEditMenu(QStringLiteral("元に戻す(&U)"));
    QCOMPARE(FMain->rowCount(), 4);
    QCOMPARE(undoText(), QStringLiteral("示名条の編集"));
}

void TestUndo::editorKeepsItsOwnUndo()
{
    // A step to undo first.
    click(0);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QCOMPARE(undoText(), QStringLiteral("書式の変更"));
    const QByteArray afterFormat = doc().lines().encode();

    uitest::doubleClickCell(1);
    QPlainTextEdit *ed = d().editor(1);
    QTRY_VERIFY(ed->hasFocus());
    const QString was = ed->toPlainText();
    QTest::keyClicks(ed, QStringLiteral("xy"));
    QCOMPARE(ed->toPlainText(), QStringLiteral("xy"));
    // Ctrl+Z in the editor undoes the typing, not the register's step.
    QTest::keyClick(ed, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ed->toPlainText() != QStringLiteral("xy"));
    QVERIFY(ed->isVisible() && ed->hasFocus());
    QCOMPARE(doc().lines().encode(), afterFormat);
    QCOMPARE(undoText(), QStringLiteral("書式の変更"));
    // The toolbar's button works on the editor as well while it is open.
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonUndo"), Qt::LeftButton);
    QCOMPARE(ed->toPlainText(), was);
    QCOMPARE(doc().lines().encode(), afterFormat);
    QTest::keyClick(ed, Qt::Key_Escape);
    QCOMPARE(undoText(), QStringLiteral("書式の変更"));

    // Once the edit has ended, Ctrl+Z undoes the format change and selects
    // the cell it changed.
    key(Qt::Key_Z);
    QCOMPARE(doc().lines().encode(), m_opened);
    QCOMPARE(d().selectedCells(), QList<int>{0});
    QCOMPARE(d().currentCell(), 0);
}

void TestUndo::editorEnablesUndoAndRedo()
{
    // Nothing in the register to undo: while a cell is edited the commands
    // follow the editor, by shortcut and by toolbar button.
    QVERIFY(!uitest::part<QAction>("ActionEditUndo")->isEnabled());
    uitest::doubleClickCell(1);
    QPlainTextEdit *ed = d().editor(1);
    QTRY_VERIFY(ed->hasFocus());
    QVERIFY(!uitest::part<QAction>("ActionEditUndo")->isEnabled());
    QTest::keyClicks(ed, QStringLiteral("xy"));
    QVERIFY(uitest::part<QAction>("ActionEditUndo")->isEnabled() && uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    QVERIFY(!uitest::part<QAction>("ActionEditRedo")->isEnabled());
    QTest::keyClick(ed, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(uitest::part<QAction>("ActionEditRedo")->isEnabled() && uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());
    QVERIFY(ed->toPlainText() != QStringLiteral("xy"));
    QTest::keyClick(ed, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(ed->toPlainText(), QStringLiteral("xy"));
    QVERIFY(!uitest::part<QAction>("ActionEditRedo")->isEnabled());
    QTest::keyClick(ed, Qt::Key_Escape);
    // The edit ended: the register's step is what can be undone now.
    QCOMPARE(cellText(1), QStringList{"xy"});
    QVERIFY(uitest::part<QAction>("ActionEditUndo")->isEnabled() && !uitest::part<QAction>("ActionEditRedo")->isEnabled());
    QCOMPARE(undoText(), QStringLiteral("文字の入力"));
}

void TestUndo::typedSizeIsOneStep_data()
{
    QTest::addColumn<bool>("keysInBox"); // Ctrl+Z and Ctrl+Y pressed while the size box has the focus
    QTest::newRow("keys on a cell") << false;
    QTest::newRow("keys in the size box") << true;
}

void TestUndo::typedSizeIsOneStep()
{
    QFETCH(bool, keysInBox);
    click(0);
    const QString was = cellLine(0, Size);
    QLineEdit *box = uitest::part<QComboBox>("ComboBoxFontSize")->lineEdit();
    QTest::mouseClick(uitest::part<QComboBox>("ComboBoxFontSize"), Qt::LeftButton, {}, QPoint(5, 5));
    // Typing 1x: the cell shows size 1 on the way but is left as it was.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("1x"));
    QCOMPARE(cellLine(0, Size), was);
    QVERIFY(!uitest::part<QAction>("ActionEditUndo")->isEnabled());
    // Typing 12 is one step, and Ctrl+Z brings back the size before it.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("12"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(cellLine(0, Size), QStringLiteral("12"));
    QCOMPARE(doc().history().count(), 1);
    if (!keysInBox)
        click(1);
    key(Qt::Key_Z);
    QCOMPARE(cellLine(0, Size), was);
    QCOMPARE(doc().lines().encode(), m_opened);
    // The keys are the window's undo and redo wherever the focus is: the
    // step is undone, not a new one made.
    QVERIFY(doc().history().canRedo());
    key(Qt::Key_Y);
    QCOMPARE(cellLine(0, Size), QStringLiteral("12"));
    QCOMPARE(doc().history().count(), 1);
}

void TestUndo::undoneDeletionShowsRestoredEntry_data()
{
    // Rows deleted from the list (the first clicked, the last Shift+clicked),
    // then Ctrl+Z: the first entry put back is selected and shown.
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("the last entry") << 2 << 2;
    QTest::newRow("the last two entries") << 1 << 2;
    QTest::newRow("the first entry") << 0 << 0;
    QTest::newRow("the middle entry") << 1 << 1;
}

void TestUndo::undoneDeletionShowsRestoredEntry()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QTreeView *list = uitest::part<QTreeView>("registerList");
    uitest::clickRow(first);
    if (last != first)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          list->visualRect(FMain->listModel()->index(last, 1)).center());
    QCOMPARE(list->selectionModel()->selectedRows().size(), last - first + 1);
    m_env->dialogs.answers << UserDialogs::Answer::Yes;
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(FMain->rowCount(), 3 - (last - first + 1));
    key(Qt::Key_Z);
    QCOMPARE(doc().lines().encode(), m_opened);
    QCOMPARE(FMain->rowCount(), 3);
    QCOMPARE(list->currentIndex().row(), first);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(FMain->display().shownEntryNumber(), first + 1);
    QVERIFY(uitest::part<QLabel>("entryCaption")->text().startsWith(QStringLiteral("内線：20%1 ").arg(first + 1)));
}

void TestUndo::hintsAndButtons()
{
    click(0);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonItalic"), Qt::LeftButton);
    QVERIFY(uitest::part<QAction>("ActionEditUndo")->isEnabled() && uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    QVERIFY(!uitest::part<QAction>("ActionEditRedo")->isEnabled() && !uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());

    // The status bar names the step while the menu item is highlighted.
    QAction *undo = openEditMenu(QStringLiteral("元に戻す(&U)"));
    QVERIFY(undo);
    QMenu *menu = editMenuAction()->menu();
    QTest::mouseMove(menu, menu->actionGeometry(undo).center());
    QTRY_COMPARE(FMain->statusText(), QChar(0x3000) + QStringLiteral("元に戻す: 書式の変更"));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
    if (QMenu *open = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
        open->close();
    QCOMPARE(uitest::part<QAction>("ActionEditUndo")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(uitest::part<QAction>("ActionEditRedo")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));

    // Ctrl+Z, then Ctrl+Y: the buttons follow.
    key(Qt::Key_Z);
    QVERIFY(!uitest::part<QToolButton>("ToolButtonUndo")->isEnabled() && uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());
    QCOMPARE(cellLine(0, Italic), QStringLiteral("0"));
    key(Qt::Key_Y);
    QCOMPARE(cellLine(0, Italic), QStringLiteral("1"));
    QVERIFY(uitest::part<QToolButton>("ToolButtonUndo")->isEnabled() && !uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());
    QCOMPARE(uitest::part<QToolButton>("ToolButtonUndo")->statusTip(), QStringLiteral("元に戻す|元に戻す: 書式の変更"));
}

void TestUndo::emptiedByNewAndOpenNotBySave()
{
    click(0);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QVERIFY(uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    // Saving keeps the steps; undoing after it makes the register differ
    // from the file again.
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QTest::keyClick(FMain, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!doc().isModified());
    QVERIFY(uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    key(Qt::Key_Z);
    QVERIFY(doc().isModified());
    QCOMPARE(doc().lines().encode(), m_opened);
    QVERIFY(uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());

    // Open empties the history (the question first: not saved).
    m_env->dialogs.answers << UserDialogs::Answer::No;
    m_env->dialogs.fileNames << m_path;
    QTest::keyClick(FMain, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(FMain->rowCount(), 3);
    QVERIFY(!uitest::part<QToolButton>("ToolButtonUndo")->isEnabled() && !uitest::part<QToolButton>("ToolButtonRedo")->isEnabled());

    click(0);
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QVERIFY(uitest::part<QToolButton>("ToolButtonUndo")->isEnabled());
    m_env->dialogs.answers << UserDialogs::Answer::No;
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonNew"), Qt::LeftButton);
    QCOMPARE(FMain->rowCount(), 0);
    QVERIFY(!uitest::part<QToolButton>("ToolButtonUndo")->isEnabled() && !uitest::part<QAction>("ActionEditUndo")->isEnabled());
    // Ctrl+Z on an empty register does nothing.
    key(Qt::Key_Z);
    QCOMPARE(FMain->rowCount(), 0);
}

void TestUndo::boundedToHundredSteps()
{
    // 105 clicks on 太字: bold, plain, bold, ... Only the last 100 can be
    // undone; the first five stay, leaving the cell bold.
    click(0);
    QCOMPARE(cellLine(0, Bold), QStringLiteral("0"));
    for (int i = 0; i < RegisterHistory::StepLimit + 5; ++i)
        QTest::mouseClick(uitest::part<QToolButton>("ToolButtonBold"), Qt::LeftButton);
    QCOMPARE(cellLine(0, Bold), QStringLiteral("1"));
    QCOMPARE(doc().history().count(), RegisterHistory::StepLimit);
    int undone = 0;
    while (uitest::part<QToolButton>("ToolButtonUndo")->isEnabled() && undone <= RegisterHistory::StepLimit) {
        QTest::mouseClick(uitest::part<QToolButton>("ToolButtonUndo"), Qt::LeftButton);
        ++undone;
    }
    QCOMPARE(undone, RegisterHistory::StepLimit);
    QCOMPARE(cellLine(0, Bold), QStringLiteral("1"));
    QVERIFY(doc().isModified());
}

TAVREL_UI_TEST_MAIN(TestUndo)
#include "test_undo.moc"
