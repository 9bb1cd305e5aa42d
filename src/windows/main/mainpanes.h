#pragma once
// The panes of the main window: toolbar, strip display (caption, the detail
// view and the overview), key label panel, the register list below a
// splitter, status bar, and the pop-up menus the commands fill. Built empty;
// the command classes fill the toolbar and menus through their actions.

#include "windows/strip/stripdisplay.h"

class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QTreeView;
class QWidget;
class RegisterListModel;
class StripSheet;

struct MainPanes
{
    QWidget *basePane = nullptr;
    QWidget *viewPane = nullptr;
    QLabel *entryCaption = nullptr;
    QStackedWidget *views = nullptr; // the blank page, the detail view, the overview
    QScrollArea *detailScroll = nullptr;
    QScrollArea *overviewScroll = nullptr;
    StripSheet *detailSheet = nullptr;
    StripSheet *overviewSheet = nullptr;
    QTabWidget *keyLabelTabs = nullptr;
    QSplitter *listSplitter = nullptr;
    QTreeView *registerList = nullptr;
    QToolBar *mainToolBar = nullptr;
    QStatusBar *statusLine = nullptr;
    QLabel *statusPanel = nullptr; // the status bar's single panel
    QMenu *listMenu = nullptr;
    QMenu *cellMenu = nullptr;
    QMenu *pictureMenu = nullptr;

    // The widgets the strip display works in.
    StripDisplay::Widgets displayWidgets() const;
};

// Builds the panes into `window`; the list shows `model`.
MainPanes buildMainPanes(QMainWindow *window, RegisterListModel *model);
