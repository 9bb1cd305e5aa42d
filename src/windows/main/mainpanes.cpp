#include "windows/main/mainpanes.h"

#include "register/registerlistmodel.h"
#include "windows/strip/stripdisplay.h"

#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// Register list rows a little taller than the text, as a report list has them.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(std::max(s.height(), 17));
        return s;
    }
};
} // namespace

MainPanes buildMainPanes(QMainWindow *window, RegisterListModel *model)
{
    MainPanes p;
    p.basePane = new QWidget(window);
    auto *baseLayout = new QVBoxLayout(p.basePane);
    baseLayout->setContentsMargins(0, 0, 0, 0);
    p.listSplitter = new QSplitter(Qt::Vertical, p.basePane);
    p.listSplitter->setHandleWidth(4);
    p.listSplitter->setChildrenCollapsible(false);
    p.listSplitter->setOpaqueResize(true);
    auto *top = new QWidget(p.listSplitter);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);

    p.viewPane = new QWidget(top);
    p.viewPane->setFocusPolicy(Qt::NoFocus); // takes the focus only from the program
    auto *dispLayout = new QVBoxLayout(p.viewPane);
    dispLayout->setContentsMargins(0, 0, 0, 0);
    dispLayout->setSpacing(0);
    p.entryCaption = new QLabel(p.viewPane);
    p.entryCaption->setFixedHeight(20);
    p.entryCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p.entryCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    p.entryCaption->setIndent(4);
    dispLayout->addWidget(p.entryCaption);
    // Only one of the two p.views shows at a time, or neither (the blank page).
    p.views = new QStackedWidget(p.viewPane);
    p.views->addWidget(new QWidget);
    auto makeView = [&](QScrollArea *&box, StripSheet *&sheet) {
        box = new QScrollArea;
        box->setFrameShape(QFrame::NoFrame);
        box->setWidgetResizable(false);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setFocusPolicy(Qt::NoFocus);
        sheet = new StripSheet;
        sheet->resize(0, 0);
        box->setWidget(sheet);
        p.views->addWidget(box);
    };
    makeView(p.detailScroll, p.detailSheet);
    makeView(p.overviewScroll, p.overviewSheet);
    // A screen reader names the p.views as the view commands do.
    p.detailSheet->setAccessibleName(QStringLiteral("詳細画面"));
    p.overviewSheet->setAccessibleName(QStringLiteral("全体画面"));
    p.entryCaption->setAccessibleName(QStringLiteral("示名条"));
    dispLayout->addWidget(p.views, 1);
    topLayout->addWidget(p.viewPane, 1);

    p.keyLabelTabs = new QTabWidget(top);
    p.keyLabelTabs->setFixedWidth(180);
    p.keyLabelTabs->setFocusPolicy(Qt::NoFocus);
    p.keyLabelTabs->tabBar()->setFocusPolicy(Qt::NoFocus);
    // Three tabs side by side within the panel's 180 pixels.
    p.keyLabelTabs->tabBar()->setUsesScrollButtons(false);
    p.keyLabelTabs->tabBar()->setElideMode(Qt::ElideNone);
    p.keyLabelTabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    for (const char16_t *t : {u"ｷｰﾗﾍﾞﾙ1", u"ｷｰﾗﾍﾞﾙ2", u"ｷｰﾗﾍﾞﾙ3"})
        p.keyLabelTabs->addTab(new QWidget, QString::fromUtf16(t));
    p.keyLabelTabs->setAccessibleName(QStringLiteral("キーラベル"));
    topLayout->addWidget(p.keyLabelTabs);

    p.registerList = new QTreeView(p.listSplitter);
    p.registerList->setModel(model);
    p.registerList->setRootIsDecorated(false);
    p.registerList->setUniformRowHeights(true);
    p.registerList->setItemsExpandable(false);
    p.registerList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    p.registerList->setSelectionBehavior(QAbstractItemView::SelectRows);
    p.registerList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    p.registerList->setFocusPolicy(Qt::ClickFocus); // skipped by Tab
    p.registerList->setContextMenuPolicy(Qt::CustomContextMenu);
    p.registerList->setAllColumnsShowFocus(true);
    p.registerList->header()->setSectionsMovable(false);
    p.registerList->header()->setStretchLastSection(false);
    p.registerList->setMinimumHeight(20);
    p.registerList->setItemDelegate(new RowDelegate(p.registerList));
    p.registerList->setAccessibleName(QStringLiteral("示名条一覧"));
    // The selection stays visible while the list has no focus.
    QPalette pal = p.registerList->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    p.registerList->setPalette(pal);

    p.listSplitter->addWidget(top);
    p.listSplitter->addWidget(p.registerList);
    p.listSplitter->setStretchFactor(0, 1);
    p.listSplitter->setStretchFactor(1, 0);
    baseLayout->addWidget(p.listSplitter);
    window->setCentralWidget(p.basePane);

    p.mainToolBar = window->addToolBar(QStringLiteral("p.mainToolBar"));
    p.mainToolBar->setObjectName(QStringLiteral("p.mainToolBar"));
    p.mainToolBar->setMovable(false);
    p.mainToolBar->setFloatable(false);
    p.mainToolBar->setFixedHeight(29);
    p.mainToolBar->setIconSize(QSize(16, 16));
    p.mainToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    p.mainToolBar->layout()->setSpacing(0);
    p.mainToolBar->layout()->setContentsMargins(2, 2, 2, 2);
    p.listMenu = new QMenu(window);
    p.cellMenu = new QMenu(window);
    p.pictureMenu = new QMenu(window);

    p.statusLine = new QStatusBar(window);
    p.statusLine->setFixedHeight(24);
    p.statusLine->setSizeGripEnabled(false);
    p.statusPanel = new QLabel(p.statusLine);
    p.statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p.statusLine->addWidget(p.statusPanel, 1);
    window->setStatusBar(p.statusLine);


    // Every pane is named after what it is, for tests and style sheets.
    const std::pair<QObject *, const char *> named[] = {
        {p.basePane, "basePane"},         {p.viewPane, "viewPane"},           {p.entryCaption, "entryCaption"},
        {p.detailScroll, "detailScroll"}, {p.overviewScroll, "overviewScroll"}, {p.detailSheet, "detailSheet"},
        {p.overviewSheet, "overviewSheet"}, {p.keyLabelTabs, "keyLabelTabs"}, {p.listSplitter, "listSplitter"},
        {p.registerList, "registerList"}, {p.statusLine, "statusLine"},     {p.mainToolBar, "mainToolBar"},
        {p.listMenu, "listMenu"},         {p.cellMenu, "cellMenu"},           {p.pictureMenu, "pictureMenu"}};
    for (const auto &[pane, name] : named)
        pane->setObjectName(QLatin1String(name));
    return p;
}

StripDisplay::Widgets MainPanes::displayWidgets() const
{
    StripDisplay::Widgets w;
    w.area = viewPane;
    w.caption = entryCaption;
    w.detail = detailScroll;
    w.detailSheet = detailSheet;
    w.overview = overviewScroll;
    w.overviewSheet = overviewSheet;
    w.views = views;
    w.textPopup = cellMenu;
    w.picturePopup = pictureMenu;
    return w;
}
