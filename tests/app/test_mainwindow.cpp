// The main window frame: settings restored and written back, view switches
// and their stacking, hints in the status bar, the splitter's height rule,
// which commands are present and enabled, and the places and keys of the
// windows it opens.

#include "uitestsupport.h"
#include "windows/common/screenplace.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/keylabel/tfkeylabel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/print/printcommands.h"
#include "windows/print/printers.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijocard.h"
#include "windows/print/tfprintjimeijolist.h"
#include "windows/register/registercommands.h"
#include "windows/register/tftel_add.h"
#include "windows/strip/picturecommands.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <functional>

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunDefaultsAreWrittenBack();
    void unstorableSettingsToldOnce();
    void geometryByWindowState_data();
    void geometryByWindowState();
    void restoredWindowReachable_data();
    void restoredWindowReachable();
    void reachablePosition_data();
    void reachablePosition();
    void viewSwitchesStack_data();
    void viewSwitchesStack();
    void hints_data();
    void hints();
    void splitterKeepsStripDisplayHigh_data();
    void splitterKeepsStripDisplayHigh();
    void commandsPresentAndEnabled();
    void toolbarPictures();
    void everyControlHasAName();
    void focusedButtonTakesEnter_data();
    void focusedButtonTakesEnter();
};

void TestMainWindow::firstRunDefaultsAreWrittenBack()
{
    uitest::Environment env;
    env.start();
    QVERIFY(FMain->windowState() & Qt::WindowMaximized);
    QVERIFY(FMain->toolBarShown() && uitest::part<QToolBar>("mainToolBar")->isVisible());
    QVERIFY(FMain->statusBarShown() && uitest::part<QStatusBar>("statusLine")->isVisible());
    QVERIFY(FMain->keyLabelShown() && uitest::part<QTabWidget>("keyLabelTabs")->isVisible());
    QVERIFY(FMain->listShown() && uitest::part<QTreeView>("registerList")->isVisible());
    QVERIFY(FMain->overviewSelected());
    QVERIFY(uitest::part<QToolButton>("ToolButtonShowAll")->isChecked() && !uitest::part<QToolButton>("ToolButtonShowDetail")->isChecked());
    QVERIFY(uitest::part<QToolButton>("ToolButtonKeyLabel")->isChecked() && uitest::part<QToolButton>("ToolButtonListJimeijo")->isChecked());
    QCOMPARE(uitest::part<QTreeView>("registerList")->height(), 105);
    const int widths[6] = {120, 280, 120, 160, 120, 120};
    for (int c = 0; c < 6; ++c)
        QCOMPARE(uitest::part<QTreeView>("registerList")->columnWidth(c), widths[c]);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), 0);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->count(), 8);
    QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->count(), 3);
    QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->tabText(2), QStringLiteral("ｷｰﾗﾍﾞﾙ3"));
    QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->width(), 180);
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

// Settings that cannot reach the file (here a folder stands where the file
// goes) are told once at the end of the run, naming the file.
void TestMainWindow::unstorableSettingsToldOnce()
{
    uitest::Environment env;
    env.start();
    QFile::remove(env.settingsFile());
    QVERIFY(QDir().mkpath(env.settingsFile()));
    env.destroyWindows();
    const QStringList errors = env.dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.at(0).contains(env.settingsFile()), qPrintable(errors.at(0)));
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
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), 5);
    QCOMPARE(uitest::part<QTreeView>("registerList")->columnWidth(3), 77);
    if (state == 0) {
        QCOMPARE(FMain->pos(), QPoint(20, 30)); // the frame's position
        QCOMPARE(FMain->size(), QSize(1010, 750));
        FMain->move(21, 44);
        FMain->resize(1020, 760);
    }
    env.showMain();
    QCOMPARE(uitest::part<QTreeView>("registerList")->height(), 150);
    env.destroyWindows();
    QCOMPARE(env.setting("Position", "MainTop"), writtenTop);
    QCOMPARE(env.setting("Position", "MainWState"), QString::number(state));
    QCOMPARE(env.setting("Position", "MainWidth"), state == 0 ? QStringLiteral("1020") : QStringLiteral("1010"));
    QCOMPARE(env.setting("Data", "SelSeriesNo"), QStringLiteral("5"));
}

void TestMainWindow::restoredWindowReachable_data()
{
    QTest::addColumn<QString>("window"); // the prefix of its settings keys
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::newRow("first run's default") << "Main" << 0 << 0;
    QTest::newRow("above the screen") << "Main" << -400 << 10;
    QTest::newRow("left of the screen") << "Main" << 10 << -3000;
    QTest::newRow("below the screen") << "Main" << 9000 << 10;
    QTest::newRow("a screen that is gone") << "Main" << 200 << 5000;
    // The dialogs are modal: one opened off the screens blocks the program.
    for (const char *dialog : {"Card", "List", "Adjust", "KeyLabel", "TelAdd", "ViewImage"}) {
        QTest::addRow("%s: on the screen", dialog) << dialog << 100 << 100;
        QTest::addRow("%s: a screen that is gone", dialog) << dialog << 200 << 5000;
        QTest::addRow("%s: below the screen", dialog) << dialog << 9000 << 10;
    }
}

void TestMainWindow::restoredWindowReachable()
{
    QFETCH(QString, window);
    QFETCH(int, top);
    QFETCH(int, left);
    // A window restored to normal size has its title bar on the screen,
    // where it can be dragged, and its stored position is the frame's.
    uitest::Environment env;
    env.writeSettings({"[Position]", QStringLiteral("%1Top=%2").arg(window).arg(top),
                       QStringLiteral("%1Left=%2").arg(window).arg(left), QStringLiteral("%1WState=0").arg(window)});
    env.createWindows();
    env.showMain();
    // A dialog is made when first needed and takes its stored place then.
    const QHash<QString, std::function<QWidget *()>> windows{
        {"Main", [] { return FMain; }},
        {"Card", [] { return &FMain->printCommands().cardDialog(); }},
        {"List", [] { return &FMain->printCommands().listDialog(); }},
        {"Adjust", [] { return &FMain->printCommands().adjustDialog(); }},
        {"KeyLabel", [] { return &FMain->keyLabelPanel().dialog(); }},
        {"TelAdd", [] { return &FMain->registerCommands().entryDialog(); }},
        {"ViewImage", [] { return &FMain->pictureCommands().pictureDialog(); }}};
    QWidget *w = windows.value(window)();
    QVERIFY(w);
    const QRect screen = FMain->screen()->availableGeometry();
    const QRect frame = w == FMain ? FMain->frameGeometry() : QRect(w->pos(), w->size());
    QVERIFY2(frame.top() >= screen.top() && frame.top() + 30 <= screen.bottom() + 1,
             qPrintable(QStringLiteral("frame top %1 on a screen %2 high").arg(frame.top()).arg(screen.height())));
    QVERIFY(qMin(frame.right(), screen.right()) - qMax(frame.left(), screen.left()) >= 99);
    if (screen.contains(QRect(left, top, w->width(), 30)))
        QCOMPARE(w->pos(), QPoint(left, top));
    const QPoint written = w->pos();
    env.destroyWindows();
    QCOMPARE(env.setting("Position", window + QStringLiteral("Top")), QString::number(written.y()));
    QCOMPARE(env.setting("Position", window + QStringLiteral("Left")), QString::number(written.x()));
}

void TestMainWindow::reachablePosition_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QPoint>("placed");
    const QList<QRect> one{QRect(0, 0, 1920, 1040)};
    const QList<QRect> two{QRect(0, 0, 1920, 1040), QRect(1920, -200, 1280, 1024)};
    QTest::newRow("on the screen") << QRect(100, 50, 1000, 738) << one << QPoint(100, 50);
    QTest::newRow("partly off to the left, title bar grippable") << QRect(-800, 50, 1000, 738) << one << QPoint(-800, 50);
    QTest::newRow("title bar above the top") << QRect(100, -5, 1000, 738) << one << QPoint(100, 0);
    QTest::newRow("only the bottom left on") << QRect(100, 1030, 1000, 738) << one << QPoint(100, 1010);
    QTest::newRow("too far right") << QRect(1850, 50, 1000, 738) << one << QPoint(1820, 50);
    QTest::newRow("too far left") << QRect(-950, 50, 1000, 738) << one << QPoint(-900, 50);
    QTest::newRow("on the second screen") << QRect(2000, -150, 1000, 738) << two << QPoint(2000, -150);
    QTest::newRow("second screen gone") << QRect(2000, -150, 1000, 738) << one << QPoint(1820, 0);
    QTest::newRow("above the second screen") << QRect(2500, -400, 1000, 738) << two << QPoint(2500, -200);
    QTest::newRow("no screen known") << QRect(-5000, -5000, 1000, 738) << QList<QRect>() << QPoint(-5000, -5000);
}

void TestMainWindow::reachablePosition()
{
    QFETCH(QRect, frame);
    QFETCH(QList<QRect>, screens);
    QFETCH(QPoint, placed);
    QCOMPARE(screenplace::reachablePosition(frame, screens), placed);
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
    env.start();
    // Everything off: only the strip display remains.
    for (QAction *a : {uitest::part<QAction>("ActionKeyLabelShow"), uitest::part<QAction>("ActionListJimeijo"), uitest::part<QAction>("ActionShowToolBar"),
                       uitest::part<QAction>("ActionShowStatusBar")})
        a->trigger();
    QVERIFY(!uitest::part<QToolBar>("mainToolBar")->isVisible() && !uitest::part<QStatusBar>("statusLine")->isVisible());
    QVERIFY(!uitest::part<QTreeView>("registerList")->isVisible() && !uitest::part<QTabWidget>("keyLabelTabs")->isVisible());
    QVERIFY(!uitest::part<QToolButton>("ToolButtonListJimeijo")->isChecked() && !uitest::part<QToolButton>("ToolButtonKeyLabel")->isChecked());
    QVERIFY(!uitest::part<QSplitter>("listSplitter")->handle(1)->isVisible());
    QVERIFY(uitest::part<QWidget>("viewPane")->isVisible());

    if (listOn)
        uitest::part<QToolButton>("ToolButtonListJimeijo")->click();
    uitest::part<QAction>("ActionShowStatusBar")->trigger();
    QVERIFY(uitest::part<QStatusBar>("statusLine")->isVisible());
    QTest::qWait(50); // the layouts settle on posted events
    QCOMPARE(uitest::part<QTreeView>("registerList")->isVisible(), listOn);
    QCOMPARE(uitest::part<QAction>("ActionListJimeijo")->isChecked(), listOn);
    const QRect status(uitest::part<QStatusBar>("statusLine")->mapTo(FMain, QPoint(0, 0)), uitest::part<QStatusBar>("statusLine")->size());
    QCOMPARE(status.bottom(), FMain->height() - 1);
    if (listOn) {
        const QRect list(uitest::part<QTreeView>("registerList")->mapTo(FMain, QPoint(0, 0)), uitest::part<QTreeView>("registerList")->size());
        QVERIFY2(list.bottom() < status.top(), "the status bar lies below the register list");
        QCOMPARE(uitest::part<QTreeView>("registerList")->height(), 105);
        const QWidget *handle = uitest::part<QSplitter>("listSplitter")->handle(1);
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
    QTest::newRow("disabled print button") << "ToolButtonPrint" << "示名条の印刷"
                                           << "１枚あるいは複数枚の示名条を印刷します";
    QTest::newRow("series box, no bar") << "ComboBoxSeries" << "主装置のシリーズ切替" << "主装置のシリーズ切替";
    QTest::newRow("menu: open") << "開く(&O)..." << "" << "既存のデータベースを開きます";
    QTest::newRow("menu: fine adjustment") << "印刷位置の微調整(&E)..." << "" << "マニュアルで印字位置を微調整します";
}

void TestMainWindow::hints()
{
    QFETCH(QString, control);
    QFETCH(QString, toolTip);
    QFETCH(QString, status);
    uitest::Environment env;
    env.writeSettings({"[Position]", "MainWState=0"});
    env.start();
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
        QTest::mouseMove(uitest::part<QLabel>("entryCaption"), uitest::part<QLabel>("entryCaption")->rect().center());
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
    env.start();
    QSplitterHandle *handle = uitest::part<QSplitter>("listSplitter")->handle(1);
    QCOMPARE(handle->cursor().shape(), Qt::SplitVCursor);
    QCOMPARE(handle->height(), 4);
    const int startTop = handle->y();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 1));
    QTest::mouseMove(handle, QPoint(10, 1 + dragTo - startTop));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(10, 1 + dragTo - startTop));
    QTRY_COMPARE(handle->y(), expectedTop);
    QCOMPARE(uitest::part<QTreeView>("registerList")->y(), expectedTop + 4);
    const int listHeight = uitest::part<QTreeView>("registerList")->height();
    env.destroyWindows();
    QCOMPARE(env.setting("Position", "TelListHeight"), QString::number(listHeight));
}

void TestMainWindow::commandsPresentAndEnabled()
{
    uitest::Environment env;
    env.createWindows();
    // The commands of later work are there but disabled, and so are the cell
    // commands while no strip is shown; every other item of the menus works.
    const QStringList disabled{"切り取り(&T)", "コピー(&C)", "貼り付け(&P)", "削除(&D)", "画像添付(&G)...",
                               "画像添付解除(&R)", "すべてを選択(&A)", "選択の解除(&X)", "検索(&S)...", "置換(&N)...",
                               "元に戻す(&U)", "やり直し(&Y)"};
    int items = 0;
    for (QAction *m : FMain->menuBar()->actions()) {
        // Each item has a letter no other item of its menu uses, so that
        // Alt+menu letter, item letter runs it (終了 is Alt+F, X).
        QString letters;
        for (QAction *a : m->menu()->actions()) {
            if (a->isSeparator())
                continue;
            const qsizetype amp = a->text().indexOf(u'&');
            QVERIFY2(amp >= 0, qPrintable(a->text()));
            const QChar letter = a->text().at(amp + 1).toUpper();
            QVERIFY2(!letters.contains(letter), qPrintable(m->text() + u' ' + a->text()));
            letters += letter;
            ++items;
            QVERIFY(a->isVisible());
            QVERIFY2(a->isEnabled() != disabled.contains(a->text()), qPrintable(a->text()));
        }
    }
    QCOMPARE(items, 41); // ファイル ▸ PDFに出力, CSV取込み, CSV出力, 編集 ▸ 元に戻す, やり直し, 示名条編集 ▸ テンプレートの設計 and ヘルプ ▸ ユーザーガイド included
    QCOMPARE(uitest::part<QAction>("ActionFileOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(uitest::part<QAction>("ActionEditDelete")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QVERIFY(uitest::part<QToolButton>("ToolButtonPrint")->isEnabled()); // follows its command
    for (QWidget *w : {static_cast<QWidget *>(uitest::part<QToolButton>("ToolButtonBold")), static_cast<QWidget *>(uitest::part<QComboBox>("ComboBoxFont")),
                       static_cast<QWidget *>(uitest::part<QComboBox>("ComboBoxFontSize"))})
        QVERIFY(w->isEnabled());
}

void TestMainWindow::toolbarPictures()
{
    // Each of the nineteen toolbar buttons shows its own 16 x 16 picture on
    // a transparent ground, read from the program's resources, with a
    // picture of twice the size for dense screens.
    uitest::Environment env;
    env.createWindows();
    QList<QImage> seen;
    for (QToolButton *b : uitest::part<QToolBar>("mainToolBar")->findChildren<QToolButton *>()) {
        if (!b->objectName().startsWith(QLatin1String("ToolButton")))
            continue; // the toolbar's own extension button
        const QString name = b->objectName();
        QVERIFY2(b->icon().availableSizes().contains(QSize(16, 16)), qPrintable(name));
        QVERIFY2(b->icon().availableSizes().contains(QSize(32, 32)), qPrintable(name));
        const QImage img = b->icon().pixmap(QSize(16, 16), 1.0).toImage();
        QCOMPARE(img.size(), QSize(16, 16));
        int opaque = 0, transparent = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (qAlpha(img.pixel(x, y)) == 255)
                    ++opaque;
                else if (qAlpha(img.pixel(x, y)) == 0)
                    ++transparent;
            }
        }
        QVERIFY2(opaque >= 20 && transparent >= 20, qPrintable(name));
        QVERIFY2(!seen.contains(img), qPrintable(name));
        seen << img;
    }
    QCOMPARE(seen.size(), 19);
}

// A screen reader walking the main window finds a name on every control it
// can reach: the toolbar buttons and boxes carry their command's own text.
void TestMainWindow::everyControlHasAName()
{
    uitest::Environment env;
    env.start();
    const QList<QAccessible::Role> controls{QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton,
                                            QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::List,
                                            QAccessible::Tree,       QAccessible::Table,        QAccessible::PageTabList,
                                            QAccessible::SpinBox,    QAccessible::ButtonMenu};
    QStringList unnamed, toolbar;
    int visited = 0;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *iface) {
        ++visited;
        QVERIFY(visited < 5000);
        if (iface->state().invisible)
            return;
        const QString name = iface->text(QAccessible::Name);
        // Qt's own parts (the toolbar's extension button) are Qt's to name.
        const bool ours = !iface->object() || !iface->object()->objectName().startsWith(QLatin1String("qt_"));
        if (ours && controls.contains(iface->role()) && name.isEmpty())
            unnamed << QStringLiteral("%1 %2").arg(int(iface->role())).arg(iface->object() ? iface->object()->objectName() : QString());
        if (auto *b = qobject_cast<QToolButton *>(iface->object()); b && b->objectName().startsWith(QLatin1String("ToolButton")))
            toolbar << name;
        for (int i = 0; i < iface->childCount(); ++i)
            if (QAccessibleInterface *c = iface->child(i))
                walk(c);
    };
    walk(QAccessible::queryAccessibleInterface(FMain));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u',')));
    QCOMPARE(toolbar, (QStringList{"新規作成", "開く", "上書き保存", "元に戻す", "やり直し", "示名条の印刷",
                                   "示名条の作成", "示名条の削除", "示名条一覧", "文字色", "背景色", "太字", "斜体",
                                   "左寄せ", "センタリング", "右寄せ", "キーラベル", "全体画面", "詳細画面"}));
}

// In every dialog Enter presses the button that has the focus, reached
// with Tab; with the focus elsewhere it presses the default button.
void TestMainWindow::focusedButtonTakesEnter_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("button"); // Tab moves the focus there; empty: the focus stays
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("result");
    const int rejected = QDialog::Rejected, accepted = QDialog::Accepted;
    QTest::newRow("entry dialog, ｷｬﾝｾﾙ") << "ActionJimeijoNew" << "ｷｬﾝｾﾙ" << true << rejected;
    QTest::newRow("fine adjustment, ｷｬﾝｾﾙ") << "ActionFileSetup" << "ｷｬﾝｾﾙ" << true << rejected;
    QTest::newRow("fine adjustment, in an entry: OK") << "ActionFileSetup" << "" << true << accepted;
    QTest::newRow("key label dialog, ｷｬﾝｾﾙ") << "ActionKeyLabelEdit" << "ｷｬﾝｾﾙ" << true << rejected;
    QTest::newRow("key label dialog, 初期値に戻す") << "ActionKeyLabelEdit" << "初期値に戻す" << false << rejected;
    QTest::newRow("strip preview, 閉じる") << "ActionFilePrint" << "閉じる" << true << rejected;
    QTest::newRow("list preview, 閉じる") << "ActionFilePrintList" << "閉じる" << true << rejected;
}

void TestMainWindow::focusedButtonTakesEnter()
{
    QFETCH(QString, command);
    QFETCH(QString, button);
    QFETCH(bool, closes);
    QFETCH(int, result);
    printers::setInstalledForTesting(true);
    printers::setDefaultNameForTesting(QStringLiteral("TestPrinter"));
    uitest::Environment env;
    env.start(env.writeRegister(QStringLiteral("a.TAV"), {{0, QStringLiteral("電話機Ａ"), QStringLiteral("100"),
                                                            QStringLiteral("総務部"), QStringLiteral("山田")}}));
    const qsizetype boxes = env.dialogs.shown.size();
    QPointer<QDialog> dialog;
    bool openAfterEnter = false, focusReached = false;
    const auto reached = [&button] {
        const auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
        return focused && focused->text() == button;
    };
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || QApplication::activeWindow() != dialog)
            return;
        poll.stop();
        for (int i = 0; i < 40 && !button.isEmpty() && !reached(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        focusReached = button.isEmpty() || reached();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        openAfterEnter = dialog && dialog->isVisible();
        if (openAfterEnter)
            dialog->reject();
    });
    poll.start();
    uitest::part<QAction>(command.toLatin1().constData())->trigger();
    QVERIFY(dialog);
    QVERIFY(focusReached);
    QCOMPARE(openAfterEnter, !closes);
    QCOMPARE(dialog->result(), result);
    for (const ScriptedUserDialogs::Shown &box : env.dialogs.shown.mid(boxes)) // no print dialog, no message
        QFAIL(qPrintable(box.kind + u' ' + box.text));
    printers::setInstalledForTesting(std::nullopt);
    printers::setDefaultNameForTesting(std::nullopt);
}

TAVREL_UI_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
