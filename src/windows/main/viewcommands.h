#pragma once
// ViewCommands: the main window's view switches and the panes they show or
// hide: the key label panel, the register list below its splitter, the
// toolbar, the status bar, and the choice of the detail view or the
// overview. The switches are checkable commands; their toolbar buttons
// follow them. Their state is read from and written to the settings here.

#include <QObject>

class ActionCollection;
class QAction;
class QActionGroup;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QTreeView;
class SettingsStore;
class StripDisplay;

class ViewCommands : public QObject
{
public:
    struct Panes
    {
        QToolBar *toolBar = nullptr;
        QStatusBar *statusLine = nullptr;
        QTabWidget *keyLabelTabs = nullptr;
        QSplitter *listSplitter = nullptr; // the strip display above, the list below
        QTreeView *registerList = nullptr;
        StripDisplay *display = nullptr;
    };

    ViewCommands(const Panes &panes, ActionCollection &actions, QObject *parent);

    bool keyLabelShown() const;
    bool listShown() const;
    bool toolBarShown() const;
    bool statusBarShown() const;
    bool overviewSelected() const;

    // The switches as stored; windowHeight splits the window between the
    // strip display and the list.
    void restore(SettingsStore &settings, int windowHeight);
    void save(SettingsStore &settings) const;

private:
    void showKeyLabel();
    void showList();
    void showToolBar();
    void showStatusBar();
    void splitterMoved(int pos);
    void followMode();

    Panes m_panes;
    QAction *m_keyLabel = nullptr;
    QAction *m_list = nullptr;
    QAction *m_toolBar = nullptr;
    QAction *m_statusBar = nullptr;
    QAction *m_detail = nullptr;
    QAction *m_overview = nullptr;
    int m_listHeight = 105;
};
