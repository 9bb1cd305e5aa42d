#include "windows/main/viewcommands.h"

#include "windows/common/actioncollection.h"
#include "windows/common/appsettings.h"
#include "windows/strip/stripdisplay.h"

#include <QActionGroup>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>

namespace {
// Strip display height below which a splitter move is pushed back.
constexpr int SplitterTopMinimum = 390;
} // namespace

ViewCommands::ViewCommands(const Panes &panes, ActionCollection &actions, QObject *parent)
    : QObject(parent), m_panes(panes)
{
    auto check = [&](const char *name, const char *text, void (ViewCommands::*handler)()) {
        QAction *action = actions.addCheckable(name, QString::fromUtf8(text));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_keyLabel = check("ActionKeyLabelShow", "キーラベル(&K)", &ViewCommands::showKeyLabel);
    m_list = check("ActionListJimeijo", "示名条一覧(&L)", &ViewCommands::showList);
    m_toolBar = check("ActionShowToolBar", "ツールバー(&T)", &ViewCommands::showToolBar);
    m_statusBar = check("ActionShowStatusBar", "ステータスバー(&S)", &ViewCommands::showStatusBar);
    StripDisplay *display = m_panes.display;
    m_detail = actions.addCheckable("ActionShowDetail", QStringLiteral("詳細画面(&D)"));
    m_overview = actions.addCheckable("ActionShowAll", QStringLiteral("全体画面(&A)"));
    connect(m_detail, &QAction::triggered, this, [this, display] {
        display->showDetail();
        followMode();
    });
    connect(m_overview, &QAction::triggered, this, [this, display] {
        display->showOverview();
        followMode();
    });
    auto *views = new QActionGroup(this);
    views->setExclusive(true);
    views->addAction(m_detail);
    views->addAction(m_overview);
    actions.setButton(m_list, "ToolButtonListJimeijo", "list", QStringLiteral("示名条一覧|示名条一覧を表示します"));
    actions.setButton(m_keyLabel, "ToolButtonKeyLabel", "key-label",
                      QStringLiteral("キーラベル|キーラベルの表示ON/OFFを切り替えます"));
    actions.setButton(m_overview, "ToolButtonShowAll", "view-overview",
                      QStringLiteral("全体画面|全体画面の表示に切り替えます"));
    actions.setButton(m_detail, "ToolButtonShowDetail", "view-detail",
                      QStringLiteral("詳細画面|詳細画面の表示に切り替えます"));
    connect(display, &StripDisplay::modeChanged, this, &ViewCommands::followMode);
    connect(m_panes.listSplitter, &QSplitter::splitterMoved, this, &ViewCommands::splitterMoved);
}

bool ViewCommands::keyLabelShown() const { return m_keyLabel->isChecked(); }
bool ViewCommands::listShown() const { return m_list->isChecked(); }
bool ViewCommands::toolBarShown() const { return m_toolBar->isChecked(); }
bool ViewCommands::statusBarShown() const { return m_statusBar->isChecked(); }
bool ViewCommands::overviewSelected() const { return m_overview->isChecked(); }

void ViewCommands::restore(SettingsStore &s, int windowHeight)
{
    const bool keyLabel = appsettings::read(s, appsettings::ShowKeyLabel);
    m_keyLabel->setChecked(keyLabel);
    m_panes.keyLabelTabs->setVisible(keyLabel);
    const bool list = appsettings::read(s, appsettings::ShowList);
    m_list->setChecked(list);
    const bool toolBar = appsettings::read(s, appsettings::ShowToolBar);
    m_toolBar->setChecked(toolBar);
    m_panes.toolBar->setVisible(toolBar);
    const bool statusBarOn = appsettings::read(s, appsettings::ShowStatusBar);
    m_statusBar->setChecked(statusBarOn);
    m_panes.statusLine->setVisible(statusBarOn);
    m_panes.registerList->setVisible(list);
    m_panes.listSplitter->handle(1)->setVisible(list);

    m_listHeight = appsettings::read(s, appsettings::ListHeight);
    m_panes.listSplitter->setSizes({std::max(1, windowHeight - m_listHeight), std::max(20, m_listHeight)});
    const int columns = m_panes.registerList->model()->columnCount();
    for (int c = 0; c < columns; ++c)
        m_panes.registerList->setColumnWidth(c, appsettings::read(s, appsettings::listColumnWidth(c)));

    const bool overview = appsettings::read(s, appsettings::ShowOverview);
    m_panes.display->setInitialMode(overview ? StripDisplay::Mode::Overview : StripDisplay::Mode::Detail);
    followMode();
}

void ViewCommands::save(SettingsStore &s) const
{
    appsettings::write(s, appsettings::ShowKeyLabel, keyLabelShown());
    appsettings::write(s, appsettings::ShowList, listShown());
    appsettings::write(s, appsettings::ShowToolBar, toolBarShown());
    appsettings::write(s, appsettings::ShowStatusBar, statusBarShown());
    appsettings::write(s, appsettings::ShowOverview, overviewSelected());
    // A list that was never laid out keeps the height it was given.
    QTreeView *list = m_panes.registerList;
    appsettings::write(s, appsettings::ListHeight, list->isVisible() ? list->height() : m_listHeight);
    const int columns = list->model()->columnCount();
    for (int c = 0; c < columns; ++c)
        appsettings::write(s, appsettings::listColumnWidth(c), list->columnWidth(c));
}

void ViewCommands::followMode()
{
    const bool detail = m_panes.display->detailActive();
    m_detail->setChecked(detail);
    m_overview->setChecked(!detail);
}

void ViewCommands::showList()
{
    QWidget *handle = m_panes.listSplitter->handle(1);
    if (m_list->isChecked()) {
        m_panes.registerList->show();
        handle->show();
    } else {
        m_listHeight = m_panes.registerList->height();
        handle->hide();
        m_panes.registerList->hide();
    }
}

void ViewCommands::showToolBar()
{
    m_panes.toolBar->setVisible(m_toolBar->isChecked());
}

void ViewCommands::showStatusBar()
{
    if (m_statusBar->isChecked()) {
        // The status bar belongs below the list; showing it again in this
        // order keeps status bar, list and splitter stacked from the bottom.
        const bool list = m_list->isChecked();
        QWidget *handle = m_panes.listSplitter->handle(1);
        handle->hide();
        m_panes.registerList->hide();
        m_panes.statusLine->show();
        m_panes.registerList->setVisible(list);
        handle->setVisible(list);
    } else {
        m_panes.statusLine->hide();
    }
}

void ViewCommands::showKeyLabel()
{
    m_panes.keyLabelTabs->setVisible(m_keyLabel->isChecked());
    m_panes.display->positionScrolling(1, m_panes.display->currentCell());
}

void ViewCommands::splitterMoved(int pos)
{
    // The strip display keeps at least SplitterTopMinimum pixels: a splitter
    // dragged above that is pushed back and the list shrinks accordingly.
    QSplitter *splitter = m_panes.listSplitter;
    if (pos < SplitterTopMinimum) {
        const int total = splitter->height() - splitter->handleWidth();
        splitter->setSizes({SplitterTopMinimum, std::max(20, total - SplitterTopMinimum)});
    }
    m_listHeight = m_panes.registerList->height();
}
