// The main window frame: settings restored and written back, view switches
// and their stacking, hints in the status bar, the splitter's height rule,
// and which commands are present and enabled.

#include "app/application.h"
#include "app/tfmain.h"
#include "app/windows.h"
#include "uitestsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunDefaultsAreWrittenBack();
    void geometryByWindowState_data();
    void geometryByWindowState();
    void viewSwitchesStack_data();
    void viewSwitchesStack();
    void hints_data();
    void hints();
    void splitterKeepsStripDisplayHigh_data();
    void splitterKeepsStripDisplayHigh();
    void commandsPresentAndEnabled_data();
    void commandsPresentAndEnabled();
    void closeQuestion_data();
    void closeQuestion();
};

void TestMainWindow::firstRunDefaultsAreWrittenBack()
{
    uitest::Environment env;
    env.createWindows();
    env.showMain();
    QVERIFY(FMain->windowState() & Qt::WindowMaximized);
    QVERIFY(FMain->toolBarShown() && FMain->ToolBar1->isVisible());
    QVERIFY(FMain->statusBarShown() && FMain->StatusBar1->isVisible());
    QVERIFY(FMain->keyLabelShown() && FMain->pnlKeyLabel->isVisible());
    QVERIFY(FMain->listShown() && FMain->ListView1->isVisible());
    QVERIFY(FMain->overviewSelected());
    QVERIFY(FMain->ToolButtonShowAll->isChecked() && !FMain->ToolButtonShowDetail->isChecked());
    QVERIFY(FMain->ToolButtonKeyLabel->isChecked() && FMain->ToolButtonListJimeijo->isChecked());
    QCOMPARE(FMain->ListView1->height(), 105);
    const int widths[6] = {120, 280, 120, 160, 120, 120};
    for (int c = 0; c < 6; ++c)
        QCOMPARE(FMain->ListView1->columnWidth(c), widths[c]);
    QCOMPARE(FMain->ComboBoxSeries->currentIndex(), 0);
    QCOMPARE(FMain->ComboBoxSeries->count(), 8);
    QCOMPARE(FMain->pnlKeyLabel->count(), 3);
    QCOMPARE(FMain->pnlKeyLabel->tabText(2), QStringLiteral("ｷｰﾗﾍﾞﾙ3"));
    QCOMPARE(FMain->pnlKeyLabel->width(), 180);
    QCOMPARE(FMain->statusText(), QString(QChar(0x3000)));
    QVERIFY(FMain->minimumSize() == QSize(1000, 738));
    env.destroyWindows();

    QCOMPARE(env.setting("Position", "MainWState"), QStringLiteral("2"));
    QCOMPARE(env.setting("Position", "MainTop"), QString()); // closed maximised: no geometry
    for (const char *key : {"DispKeyLabel", "DispList", "DispToolBar", "DispStatusBar", "DispLayout"})
        QCOMPARE(env.setting("Checked", key), QStringLiteral("1"));
    QCOMPARE(env.setting("Position", "TelListHeight"), QStringLiteral("105"));
    for (int c = 0; c < 6; ++c)
        QCOMPARE(env.setting("Position", QStringLiteral("TelList%1").arg(c)), QString::number(widths[c]));
    QCOMPARE(env.setting("Data", "SelSeriesNo"), QStringLiteral("0"));
    QCOMPARE(env.setting("Position", "TelAddTop"), QStringLiteral("100"));
}

void TestMainWindow::geometryByWindowState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("writtenTop");
    QTest::newRow("normal: the moved geometry is written") << 0 << "44";
    QTest::newRow("maximised: the stored geometry stays") << 2 << "30";
}

void TestMainWindow::geometryByWindowState()
{
    QFETCH(int, state);
    QFETCH(QString, writtenTop);
    uitest::Environment env;
    env.writeSettings({"[Position]", "MainTop=30", "MainLeft=20", "MainWidth=1010", "MainHeight=750",
                       QStringLiteral("MainWState=%1").arg(state), "TelListHeight=150", "TelList3=77", "[Data]",
                       "SelSeriesNo=5"});
    env.createWindows();
    QCOMPARE(FMain->ComboBoxSeries->currentIndex(), 5);
    QCOMPARE(FMain->ListView1->columnWidth(3), 77);
    if (state == 0) {
        QCOMPARE(FMain->geometry(), QRect(20, 30, 1010, 750));
        FMain->setGeometry(21, 44, 1020, 760);
    }
    env.showMain();
    QCOMPARE(FMain->ListView1->height(), 150);
    env.destroyWindows();
    QCOMPARE(env.setting("Position", "MainTop"), writtenTop);
    QCOMPARE(env.setting("Position", "MainWState"), QString::number(state));
    QCOMPARE(env.setting("Position", "MainWidth"), state == 0 ? QStringLiteral("1020") : QStringLiteral("1010"));
    QCOMPARE(env.setting("Data", "SelSeriesNo"), QStringLiteral("5"));
}

void TestMainWindow::viewSwitchesStack_data()
{
    QTest::addColumn<bool>("listOn");
    QTest::newRow("list shown") << true;
    QTest::newRow("list hidden") << false;
}

void TestMainWindow::viewSwitchesStack()
{
    QFETCH(bool, listOn);
    uitest::Environment env;
    env.writeSettings({"[Position]", "MainWState=0"});
    env.createWindows();
    env.showMain();
    // Everything off: only the strip display remains.
    for (QAction *a : {FMain->ActionKeyLabelShow, FMain->ActionListJimeijo, FMain->ActionShowToolBar,
                       FMain->ActionShowStatusBar})
        a->trigger();
    QVERIFY(!FMain->ToolBar1->isVisible() && !FMain->StatusBar1->isVisible());
    QVERIFY(!FMain->ListView1->isVisible() && !FMain->pnlKeyLabel->isVisible());
    QVERIFY(!FMain->ToolButtonListJimeijo->isChecked() && !FMain->ToolButtonKeyLabel->isChecked());
    QVERIFY(!FMain->Splitter1->handle(1)->isVisible());
    QVERIFY(FMain->pnlDisp->isVisible());

    if (listOn)
        FMain->ToolButtonListJimeijo->click();
    FMain->ActionShowStatusBar->trigger();
    QVERIFY(FMain->StatusBar1->isVisible());
    QTest::qWait(50); // the layouts settle on posted events
    QCOMPARE(FMain->ListView1->isVisible(), listOn);
    QCOMPARE(FMain->ActionListJimeijo->isChecked(), listOn);
    const QRect status(FMain->StatusBar1->mapTo(FMain, QPoint(0, 0)), FMain->StatusBar1->size());
    QCOMPARE(status.bottom(), FMain->height() - 1);
    if (listOn) {
        const QRect list(FMain->ListView1->mapTo(FMain, QPoint(0, 0)), FMain->ListView1->size());
        QVERIFY2(list.bottom() < status.top(), "the status bar lies below the register list");
        QCOMPARE(FMain->ListView1->height(), 105);
        const QWidget *handle = FMain->Splitter1->handle(1);
        QVERIFY(handle->isVisible());
        QCOMPARE(handle->mapTo(FMain, QPoint(0, 0)).y() + handle->height(), list.top());
    }
    env.destroyWindows();
    QCOMPARE(env.setting("Checked", "DispList"), listOn ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(env.setting("Checked", "DispKeyLabel"), QStringLiteral("0"));
    QCOMPARE(env.setting("Checked", "DispToolBar"), QStringLiteral("0"));
    QCOMPARE(env.setting("Checked", "DispStatusBar"), QStringLiteral("1"));
    QCOMPARE(env.setting("Position", "TelListHeight"), QStringLiteral("105"));
}

void TestMainWindow::hints_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("status");
    QTest::newRow("save button") << "ToolButtonSave" << "上書き保存" << "データベースを上書きで保存します";
    QTest::newRow("create button") << "ToolButtonJimeijoNew" << "示名条の作成" << "示名条を作成します";
    QTest::newRow("disabled print button") << "ToolButtonPrint" << "示名条の印刷"
                                           << "１枚あるいは複数枚の示名条を印刷します";
    QTest::newRow("series box, no bar") << "ComboBoxSeries" << "主装置のシリーズ切替" << "主装置のシリーズ切替";
    QTest::newRow("menu: open") << "開く(&O)..." << "" << "既存のデータベースを開きます";
    QTest::newRow("menu: exit") << "終了(&X)" << "" << "プログラムを終了します";
    QTest::newRow("menu: fine adjustment") << "印刷位置の微調整(&E)..." << "" << "マニュアルで印字位置を微調整します";
}

void TestMainWindow::hints()
{
    QFETCH(QString, control);
    QFETCH(QString, toolTip);
    QFETCH(QString, status);
    uitest::Environment env;
    env.writeSettings({"[Position]", "MainWState=0"});
    env.createWindows();
    env.showMain();
    const QString ideographicSpace(QChar(0x3000));
    if (toolTip.isEmpty()) {
        QMenu *file = FMain->menuBar()->actions().constFirst()->menu();
        file->popup(FMain->mapToGlobal(QPoint(0, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        QAction *item = nullptr;
        for (QAction *a : file->actions())
            if (a->text() == control)
                item = a;
        QVERIFY(item);
        QTest::mouseMove(file, file->actionGeometry(item).center());
        QTRY_COMPARE(FMain->statusText(), ideographicSpace + status);
        file->close();
    } else {
        QWidget *target = FMain->findChild<QWidget *>(control);
        QVERIFY(target);
        QCOMPARE(target->toolTip(), toolTip);
        QTest::mouseMove(target, target->rect().center());
        QTRY_COMPARE(FMain->statusText(), ideographicSpace + status);
        QTest::mouseMove(FMain->pnlText, FMain->pnlText->rect().center());
        QTRY_COMPARE(FMain->statusText(), ideographicSpace);
    }
}

void TestMainWindow::splitterKeepsStripDisplayHigh_data()
{
    QTest::addColumn<int>("dragTo");
    QTest::addColumn<int>("expectedTop");
    QTest::newRow("above 390 is pushed back") << 200 << 390;
    QTest::newRow("below 390 stays") << 450 << 450;
}

void TestMainWindow::splitterKeepsStripDisplayHigh()
{
    QFETCH(int, dragTo);
    QFETCH(int, expectedTop);
    uitest::Environment env;
    env.writeSettings({"[Position]", "MainWState=0"});
    env.createWindows();
    env.showMain();
    QSplitterHandle *handle = FMain->Splitter1->handle(1);
    QCOMPARE(handle->cursor().shape(), Qt::SplitVCursor);
    QCOMPARE(handle->height(), 4);
    const int startTop = handle->y();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 1));
    QTest::mouseMove(handle, QPoint(10, 1 + dragTo - startTop));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(10, 1 + dragTo - startTop));
    QTRY_COMPARE(handle->y(), expectedTop);
    QCOMPARE(FMain->ListView1->y(), expectedTop + 4);
    const int listHeight = FMain->ListView1->height();
    env.destroyWindows();
    QCOMPARE(env.setting("Position", "TelListHeight"), QString::number(listHeight));
}

void TestMainWindow::commandsPresentAndEnabled_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("enabled");
    const QString file = "ファイル(&F)", edit = "編集(&E)", jimeijo = "示名条編集(&S)", key = "キーラベル(&K)",
                  view = "表示(&V)", format = "書式(&R)", help = "ヘルプ(&H)";
    QTest::newRow("new") << file << "新規作成(&N)" << "" << true;
    QTest::newRow("open") << file << "開く(&O)..." << "Ctrl+O" << true;
    QTest::newRow("save") << file << "上書き保存(&S)" << "Ctrl+S" << true;
    QTest::newRow("save as") << file << "名前を付けて保存(&A)..." << "" << true;
    QTest::newRow("adjust") << file << "印刷位置の微調整(&E)..." << "" << false;
    QTest::newRow("print") << file << "示名条の印刷(&P)..." << "" << false;
    QTest::newRow("print list") << file << "示名条一覧の印刷(&L)..." << "" << false;
    QTest::newRow("exit") << file << "終了(&X)" << "" << true;
    QTest::newRow("cut") << edit << "切り取り(&T)" << "Ctrl+X" << false;
    QTest::newRow("delete cell") << edit << "削除(&D)" << "Ctrl+Del" << false;
    QTest::newRow("select all") << edit << "すべてを選択(&A)" << "Ctrl+A" << false;
    QTest::newRow("replace") << edit << "置換(&N)..." << "Ctrl+R" << false;
    QTest::newRow("create entry") << jimeijo << "示名条の作成(&N)..." << "" << true;
    QTest::newRow("edit entry") << jimeijo << "示名条の編集(&E)..." << "" << true;
    QTest::newRow("delete entry") << jimeijo << "示名条の削除(&D)" << "" << true;
    QTest::newRow("key label edit") << key << "キーラベルの編集(&H)..." << "" << false;
    QTest::newRow("key label panel") << key << "キーラベル(&K)" << "" << true;
    QTest::newRow("list") << "一覧(&L)" << "示名条一覧(&L)" << "" << true;
    QTest::newRow("detail") << view << "詳細画面(&D)" << "" << true;
    QTest::newRow("overview") << view << "全体画面(&A)" << "" << true;
    QTest::newRow("font") << format << "フォント(&F)..." << "" << false;
    QTest::newRow("background") << format << "背景色(&B)" << "" << false;
    QTest::newRow("about") << help << "バージョン情報(&A)..." << "" << false;
}

void TestMainWindow::commandsPresentAndEnabled()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, shortcut);
    QFETCH(bool, enabled);
    uitest::Environment env;
    env.createWindows();
    QAction *found = nullptr;
    for (QAction *m : FMain->menuBar()->actions())
        if (m->text() == menu)
            for (QAction *a : m->menu()->actions())
                if (a->text() == item)
                    found = a;
    QVERIFY2(found, qPrintable(menu + " / " + item));
    QVERIFY(found->isVisible());
    QCOMPARE(found->shortcut().toString(), shortcut);
    QCOMPARE(found->isEnabled(), enabled);
}

void TestMainWindow::closeQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes saves and closes") << int(UserDialogs::Answer::Yes) << true << true;
    QTest::newRow("no closes without saving") << int(UserDialogs::Answer::No) << true << false;
    QTest::newRow("cancel stays open") << int(UserDialogs::Answer::Cancel) << false << false;
}

void TestMainWindow::closeQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    uitest::Environment env;
    const QString path = env.writeRegister("a.TAV", {{0, "電話機Ａ", "201", "総務部", "山田"}});
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    env.createWindows();
    env.showMain();
    env.dialogs.fileNames << path;
    FMain->ActionFileOpen->trigger();
    FMain->document().setLine(FMain->document().currentHeaderLine() + 1, QStringLiteral("経理部"));
    env.dialogs.answers << UserDialogs::Answer(answer);
    QCOMPARE(FMain->close(), closes);
    QCOMPARE(FMain->isVisible(), !closes);
    QCOMPARE(env.dialogs.texts("question"),
             QStringList{QStringLiteral("示名条データが変更されています。\n保存しますか？")});
    QCOMPARE(env.dialogs.shown.constLast().buttons, UserDialogs::Buttons::YesNoCancel);
    QCOMPARE(env.dialogs.shown.constLast().defaultAnswer, UserDialogs::Answer::Yes);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll() != before, saved);
    QCOMPARE(FMain->document().isModified(), !saved);
    if (!closes) // cancelled: the change is still there
        QCOMPARE(FMain->document().line(FMain->document().currentHeaderLine() + 1), QStringLiteral("経理部"));
}

TAVREL_UI_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
