#include "windows/main/tfmain.h"
#include "windows/common/actioncollection.h"
#include "windows/common/appsettings.h"

#include "register/series.h"
#include "windows/common/screenplace.h"
#include "windows/common/userdialogs.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/main/tfversion.h"
#include "windows/main/mainpanes.h"
#include "windows/main/userguidecommand.h"
#include "windows/main/viewcommands.h"
#include "windows/print/printcommands.h"
#include "windows/register/csvcommands.h"
#include "windows/register/registercommands.h"
#include "windows/register/tfsearch.h"
#include "windows/register/undocommands.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/formatcommands.h"
#include "windows/strip/picturecommands.h"
#include "windows/template/templatecommands.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Menu items that are disabled still show their hint while highlighted.
class MenuStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Toolbar separator: 6 pixels wide with an etched line in the middle.
QWidget *makeSeparator(QWidget *parent)
{
    auto *sep = new QFrame(parent);
    sep->setFrameShape(QFrame::VLine);
    sep->setFrameShadow(QFrame::Sunken);
    sep->setFixedWidth(6);
    return sep;
}
} // namespace

TFMain::TFMain(QWidget *parent, const QString &executablePath) : QMainWindow(parent)
{
    m_mainSub = std::make_unique<TMainSub>(executablePath);
    setWindowTitle(QStringLiteral("Tavrel"));
    setMinimumSize(1000, 738);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    // The command classes add their actions to the collection; the menus
    // and the toolbar are then laid out from it.
    m_actions = new ActionCollection(this);
    buildWorkArea();
    buildCommands();
    buildMenus();
    buildToolBar();
    // Every change of the register from here on can be undone.
    m_document.history().setEnabled(true);
    restoreSettings();
}

TFMain::~TFMain()
{
    // The command classes write what their dialogs hold; the dialogs then
    // write their own places as they go, before the settings are closed.
    saveSettings();
    qDeleteAll(findChildren<QDialog *>(Qt::FindDirectChildrenOnly));
    // Every window has written its settings by now: a value that did not
    // reach the settings file is told once.
    if (const QString failure = m_mainSub->settings().takeFailure(); !failure.isEmpty())
        UserDialogs::current().error(nullptr, failure);
    m_keyLabelPanel.reset();
    m_pictureCommands.reset();
    m_formatCommands.reset();
    m_cellEditing.reset();
    m_display.reset();
    m_mainSub.reset();
}

// ---------------------------------------------------------------- building

void TFMain::buildWindowCommands()
{
    ActionCollection &a = *m_actions;
    a.add("ActionFileExit", QStringLiteral("終了(&X)"), this, &QWidget::close, {}, QStringLiteral("プログラムを終了します"));
    a.add("ActionHelpGuide", QStringLiteral("ユーザーガイド(&G)"), this,
          [this] { userguidecommand::open(this, m_mainSub->programFolder()); }, QKeySequence(Qt::Key_F1),
          QStringLiteral("ユーザーガイドをブラウザで表示します"));
    a.add("ActionHelpAbout", QStringLiteral("バージョン情報(&A)..."), this, [this] {
        if (!m_about)
            m_about = new TFVersion(this, QStringLiteral(TAVREL_VERSION));
        m_about->exec();
    });

    ViewCommands::Panes panes;
    panes.toolBar = m_panes.mainToolBar;
    panes.statusLine = m_panes.statusLine;
    panes.keyLabelTabs = m_panes.keyLabelTabs;
    panes.listSplitter = m_panes.listSplitter;
    panes.registerList = m_panes.registerList;
    panes.display = m_display.get();
    m_view = new ViewCommands(panes, a, this);
}

// The command classes, each adding the commands it carries out.
void TFMain::buildCommands()
{
    const templates::Folders folders = templates::Folders::standard(m_mainSub->programFolder(), m_mainSub->settings());
    SettingsStore &settings = m_mainSub->settings();
    buildWindowCommands();
    m_registerCommands = std::make_unique<RegisterCommands>(m_document, *m_listModel, *m_display, m_panes.registerList,
                                                            ComboBoxSeries, *m_actions, this, folders, settings);
    m_cellEditing = std::make_unique<CellEditing>(m_document, *m_display, *m_actions, this);
    m_formatCommands = std::make_unique<FormatCommands>(m_document, *m_display, *m_actions, this);
    m_pictureCommands = std::make_unique<PictureCommands>(m_document, *m_display, *m_cellEditing, *m_actions, settings,
                                                          m_mainSub->programFolder(), this);
    m_printCommands = new PrintCommands(m_document, *m_display, *m_registerCommands, settings, *m_actions,
                                        m_panes.registerList, this, this);
    m_undoCommands = new UndoCommands(m_document, *m_display, *m_registerCommands, *m_cellEditing, *m_actions, this);
    m_csvCommands = new CsvCommands(m_document, *m_display, *m_registerCommands, folders, settings, *m_actions, this, this);
    new TemplateCommands(m_document, [this] { return m_display->shownEntryNumber(); }, folders, settings, *m_actions,
                         this, this);
    m_search = new TFSearch(m_document, *m_display, *m_registerCommands, *m_cellEditing, *m_actions, this);

    KeyLabelPanel::Parts parts;
    parts.window = this;
    parts.tabs = m_panes.keyLabelTabs;
    parts.fontSizeBox = m_formatCommands->sizeBox();
    parts.document = &m_document;
    parts.display = m_display.get();
    parts.editing = m_cellEditing.get();
    parts.settingsFolder = m_mainSub->settingsFolder();
    parts.settings = &settings;
    m_keyLabelPanel = std::make_unique<KeyLabelPanel>(parts, *m_actions);
}

void TFMain::buildMenus()
{
    const ActionCollection &a = *m_actions;
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mainMenuBar"));
    // Each menu in order; an empty name is a separator.
    auto addMenu = [&](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (*name)
                menu->addAction(a.action(name));
            else
                menu->addSeparator();
        }
        return menu;
    };
    auto menu = [&](const QString &title, std::initializer_list<const char *> names) {
        return addMenu(bar->addMenu(title), names);
    };
    menu(QStringLiteral("ファイル(&F)"),
         {"ActionFileNew", "ActionFileOpen", "ActionFileSave", "ActionFileSaveAs", "", "ActionFileCsvImport",
          "ActionFileCsvExport", "", "ActionFileSetup", "ActionFilePrint", "ActionFilePrintList", "ActionFilePdf", "",
          "ActionFileExit"});
    menu(QStringLiteral("編集(&E)"),
         {"ActionEditUndo", "ActionEditRedo", "", "ActionEditCut", "ActionEditCopy", "ActionEditPaste",
          "ActionEditDelete", "", "ActionEditPicOn", "ActionEditPicOff", "", "ActionEditAllSel", "ActionEditSelReset",
          "", "ActionEditFind", "ActionEditReplace"});
    menu(QStringLiteral("示名条編集(&S)"),
         {"ActionJimeijoNew", "ActionJimeijoEdit", "ActionJimeijoDelete", "", "ActionTemplateDesigner"});
    menu(QStringLiteral("キーラベル(&K)"), {"ActionKeyLabelEdit", "ActionKeyLabelShow"});
    menu(QStringLiteral("一覧(&L)"), {"ActionListJimeijo"});
    menu(QStringLiteral("表示(&V)"), {"ActionShowToolBar", "ActionShowStatusBar", "", "ActionShowDetail", "ActionShowAll"});
    menu(QStringLiteral("書式(&R)"),
         {"ActionFormatFont", "ActionFormatLeft", "ActionFormatCenter", "ActionFormatRight", "ActionFormatBColor"});
    menu(QStringLiteral("ヘルプ(&H)"), {"ActionHelpGuide", "ActionHelpAbout"});

    auto *menuStyle = new MenuStyle;
    menuStyle->setParent(this);
    for (QAction *m : bar->actions())
        m->menu()->setStyle(menuStyle);

    addMenu(m_panes.listMenu, {"ActionJimeijoNew", "ActionJimeijoEdit", "ActionJimeijoDelete"});
    addMenu(m_panes.cellMenu, {"PopupCut", "PopupCopy", "PopupPaste", "PopupDelete", "", "PopupPicOn"});
    addMenu(m_panes.pictureMenu, {"PopupPicOff"});
}

void TFMain::buildToolBar()
{
    // Buttons by their command's name, lists by their own; an empty name
    // is a separator.
    const char *const layout[] = {
        "ActionFileNew", "ActionFileOpen", "ActionFileSave", "", "ActionEditUndo", "ActionEditRedo", "",
        "ActionFilePrint", "ActionJimeijoNew", "ActionJimeijoDelete", "ActionListJimeijo", "", "ComboBoxFont", "",
        "ComboBoxFontSize", "", "ActionFormatColor", "ActionFormatBColor", "ActionFormatBold", "ActionFormatItalic", "",
        "ActionFormatLeft", "ActionFormatCenter", "ActionFormatRight", "", "ActionKeyLabelShow", "", "ActionShowAll",
        "ActionShowDetail", "", "ComboBoxSeries"};
    for (const char *name : layout) {
        if (!*name)
            m_panes.mainToolBar->addWidget(makeSeparator(m_panes.mainToolBar));
        else if (QLatin1String(name).startsWith(QLatin1String("ComboBox")))
            m_panes.mainToolBar->addWidget(m_actions->widget(name));
        else
            m_panes.mainToolBar->addWidget(m_actions->button(name, m_panes.mainToolBar));
    }
}

void TFMain::buildWorkArea()
{
    m_listModel = new RegisterListModel(m_document, this);
    m_panes = buildMainPanes(this, m_listModel);
    ComboBoxSeries = m_actions->addComboBox("ComboBoxSeries", 150, QStringLiteral("主装置のシリーズ切替"), false);
    QTreeView *list = m_panes.registerList;
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint &pos) { m_panes.listMenu->popup(list->viewport()->mapToGlobal(pos)); });
    m_display = std::make_unique<StripDisplay>(m_document, m_panes.displayWidgets());
}

// ---------------------------------------------------------------- state

bool TFMain::keyLabelShown() const { return m_view->keyLabelShown(); }
bool TFMain::listShown() const { return m_view->listShown(); }
bool TFMain::toolBarShown() const { return m_view->toolBarShown(); }
bool TFMain::statusBarShown() const { return m_view->statusBarShown(); }
bool TFMain::overviewSelected() const { return m_view->overviewSelected(); }

QString TFMain::statusText() const
{
    return m_panes.statusPanel->text();
}

void TFMain::restoreSettings()
{
    SettingsStore &s = m_mainSub->settings();
    const int top = appsettings::read(s, appsettings::MainTop);
    const int left = appsettings::read(s, appsettings::MainLeft);
    const int width = appsettings::read(s, appsettings::MainWidth);
    const int height = appsettings::read(s, appsettings::MainHeight);
    // The stored position is the frame's, as it is written at the end, so
    // that the title bar of the first run's default (0, 0) is on the screen;
    // a position left from another screen setup is brought back.
    resize(width, height);
    screenplace::moveOnScreen(this, QPoint(left, top));
    const int state = appsettings::read(s, appsettings::MainWindowState);
    setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);

    m_view->restore(s, height);

    m_selSeriesNo = appsettings::read(s, appsettings::SeriesChoice);
    // The key labels need one of the eight series: a stored value outside
    // them is series 0.
    if (m_selSeriesNo < 0 || m_selSeriesNo >= series::Count)
        m_selSeriesNo = 0;
    for (int i = 0; i < series::Count; ++i)
        ComboBoxSeries->addItem(series::caption(i));
    ComboBoxSeries->setCurrentIndex(m_selSeriesNo);
    connect(ComboBoxSeries, &QComboBox::currentIndexChanged, this, &TFMain::ComboBoxSeriesChange);

    m_document.setFileName(QString());
}

void TFMain::saveSettings()
{
    SettingsStore &s = m_mainSub->settings();
    const Qt::WindowStates st = windowState();
    int state = 0;
    if (st & Qt::WindowMinimized)
        state = 1;
    else if (st & (Qt::WindowMaximized | Qt::WindowFullScreen))
        state = 2;
    if (state == 0) {
        appsettings::write(s, appsettings::MainTop, pos().y()); // the frame's position
        appsettings::write(s, appsettings::MainLeft, pos().x());
        appsettings::write(s, appsettings::MainWidth, width());
        appsettings::write(s, appsettings::MainHeight, height());
    }
    appsettings::write(s, appsettings::MainWindowState, state);
    m_view->save(s);
    appsettings::write(s, appsettings::SeriesChoice, m_selSeriesNo);
    m_csvCommands->saveSettings(s);
    m_registerCommands->saveSettings(s);
    m_pictureCommands->saveSettings(s);
    m_printCommands->saveSettings(s);
    m_keyLabelPanel->saveSettings(s);
}

// ---------------------------------------------------------------- events

void TFMain::setHint(const QString &hint)
{
    m_panes.statusPanel->setText(QChar(0x3000) + commandhint::statusText(hint));
}

bool TFMain::event(QEvent *e)
{
    if (e->type() == QEvent::StatusTip) {
        setHint(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TFMain::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_firstShown)
        return;
    m_firstShown = true;
    setHint(QString());
    m_formatCommands->fillLists();
    m_keyLabelPanel->start(m_selSeriesNo);
    m_display->clear();
}

void TFMain::closeEvent(QCloseEvent *e)
{
    // Ignored until the question lets the window close, so that an exception
    // on the way keeps it open.
    e->ignore();
    CommitPendingEdit();
    if (!m_registerCommands->askSaveChanges())
        return;
    e->accept();
    m_keyLabelPanel->FreeKeyLabelButtons();
}

void TFMain::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    m_display->positionScrolling(1, m_display->currentCell());
}

int TFMain::rowCount() const
{
    return m_listModel->rowCount();
}

void TFMain::ComboBoxSeriesChange()
{
    m_selSeriesNo = ComboBoxSeries->currentIndex();
    m_keyLabelPanel->ComboBoxSeriesChange(m_selSeriesNo);
}

void TFMain::CommitPendingEdit()
{
    m_display->commitPendingEdit();
}
