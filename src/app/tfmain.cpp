#include "app/tfmain.h"

#include "register/series.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString Position = QStringLiteral("Position");
const QString Checked = QStringLiteral("Checked");
const QString Data = QStringLiteral("Data");
const int DefaultColumnWidths[6] = {120, 280, 120, 160, 120, 120};
} // namespace

TFMain::TFMain(QWidget *parent, const QString &executablePath) : QMainWindow(parent)
{
    m_mainSub = std::make_unique<TMainSub>(executablePath);
    setWindowTitle(QStringLiteral("Tavrel"));
    setMinimumSize(1000, 738);
    buildFrame();
    restoreSettings();
}

TFMain::~TFMain()
{
    saveSettings();
    m_mainSub.reset();
}

void TFMain::buildFrame()
{
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);

    auto makeCheck = [this](const QString &text) {
        auto *a = new QAction(text, this);
        a->setCheckable(true);
        return a;
    };
    ActionKeyLabelShow = makeCheck(QStringLiteral("キーラベル(&K)"));
    ActionListJimeijo = makeCheck(QStringLiteral("示名条一覧(&L)"));
    ActionShowToolBar = makeCheck(QStringLiteral("ツールバー(&T)"));
    ActionShowStatusBar = makeCheck(QStringLiteral("ステータスバー(&S)"));
    ActionShowDetail = makeCheck(QStringLiteral("詳細画面(&D)"));
    ActionShowAll = makeCheck(QStringLiteral("全体画面(&A)"));

    QMenu *list = menuBar()->addMenu(QStringLiteral("一覧(&L)"));
    list->addAction(ActionListJimeijo);
    QMenu *view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->addAction(ActionShowToolBar);
    view->addAction(ActionShowStatusBar);
    view->addSeparator();
    view->addAction(ActionShowDetail);
    view->addAction(ActionShowAll);
    connect(ActionListJimeijo, &QAction::triggered, this, &TFMain::ActionListJimeijoExecute);
    connect(ActionShowToolBar, &QAction::triggered, this, &TFMain::ActionShowToolBarExecute);
    connect(ActionShowStatusBar, &QAction::triggered, this, &TFMain::ActionShowStatusBarExecute);

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ComboBoxSeries = new QComboBox(ToolBar1);
    ComboBoxSeries->setFixedWidth(150);
    ToolBar1->addWidget(ComboBoxSeries);

    pnlBase = new QWidget(this);
    auto *baseLayout = new QVBoxLayout(pnlBase);
    baseLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, pnlBase);
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    auto *top = new QWidget(Splitter1);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    pnlDisp = new QWidget(top);
    auto *dispLayout = new QVBoxLayout(pnlDisp);
    dispLayout->setContentsMargins(0, 0, 0, 0);
    dispLayout->setSpacing(0);
    pnlText = new QLabel(pnlDisp);
    pnlText->setFixedHeight(20);
    pnlText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    dispLayout->addWidget(pnlText);
    ScrollBox1 = new QScrollArea(pnlDisp);
    imgBase1 = new QLabel;
    ScrollBox1->setWidget(imgBase1);
    ScrollBox2 = new QScrollArea(pnlDisp);
    imgBase2 = new QLabel;
    ScrollBox2->setWidget(imgBase2);
    dispLayout->addWidget(ScrollBox1);
    dispLayout->addWidget(ScrollBox2);
    ScrollBox1->hide();
    topLayout->addWidget(pnlDisp, 1);
    pnlKeyLabel = new QTabWidget(top);
    pnlKeyLabel->setFixedWidth(180);
    for (const char16_t *t : {u"ｷｰﾗﾍﾞﾙ1", u"ｷｰﾗﾍﾞﾙ2", u"ｷｰﾗﾍﾞﾙ3"})
        pnlKeyLabel->addTab(new QWidget, QString::fromUtf16(t));
    topLayout->addWidget(pnlKeyLabel);

    ListView1 = new QTreeWidget(Splitter1);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setHeaderLabels({QStringLiteral("主装置のシリーズ"), QStringLiteral("示名条のタイプ"),
                                QStringLiteral("内線番号"), QStringLiteral("部署"), QStringLiteral("使用者名"),
                                QStringLiteral("登録日時")});
    ListView1->setMinimumHeight(20);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    baseLayout->addWidget(Splitter1);
    setCentralWidget(pnlBase);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(24);
    setStatusBar(StatusBar1);
}

bool TFMain::keyLabelShown() const { return ActionKeyLabelShow->isChecked(); }
bool TFMain::listShown() const { return ActionListJimeijo->isChecked(); }
bool TFMain::toolBarShown() const { return ActionShowToolBar->isChecked(); }
bool TFMain::statusBarShown() const { return ActionShowStatusBar->isChecked(); }
bool TFMain::overviewSelected() const { return ActionShowAll->isChecked(); }

void TFMain::restoreSettings()
{
    SettingsStore &s = m_mainSub->settings();
    const int top = s.readInteger(Position, QStringLiteral("MainTop"), 0);
    const int left = s.readInteger(Position, QStringLiteral("MainLeft"), 0);
    const int width = s.readInteger(Position, QStringLiteral("MainWidth"), 1000);
    const int height = s.readInteger(Position, QStringLiteral("MainHeight"), 738);
    setGeometry(left, top, width, height);
    m_normalGeometry = QRect(left, top, width, height);
    const int state = s.readInteger(Position, QStringLiteral("MainWState"), 2);
    setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);

    const bool keyLabel = s.readInteger(Checked, QStringLiteral("DispKeyLabel"), 1) != 0;
    ActionKeyLabelShow->setChecked(keyLabel);
    pnlKeyLabel->setVisible(keyLabel);
    const bool list = s.readInteger(Checked, QStringLiteral("DispList"), 1) != 0;
    ActionListJimeijo->setChecked(list);
    const bool toolBar = s.readInteger(Checked, QStringLiteral("DispToolBar"), 1) != 0;
    ActionShowToolBar->setChecked(toolBar);
    ToolBar1->setVisible(toolBar);
    const bool statusBarOn = s.readInteger(Checked, QStringLiteral("DispStatusBar"), 1) != 0;
    ActionShowStatusBar->setChecked(statusBarOn);
    StatusBar1->setVisible(statusBarOn);
    ListView1->setVisible(list);

    const int listHeight = s.readInteger(Position, QStringLiteral("TelListHeight"), 105);
    Splitter1->setSizes({std::max(1, height - listHeight), std::max(20, listHeight)});
    for (int c = 0; c < 6; ++c)
        ListView1->setColumnWidth(c, s.readInteger(Position, QStringLiteral("TelList%1").arg(c), DefaultColumnWidths[c]));

    const bool overview = s.readInteger(Checked, QStringLiteral("DispLayout"), 1) != 0;
    ActionShowAll->setChecked(overview);
    ActionShowDetail->setChecked(!overview);

    m_selSeriesNo = s.readInteger(Data, QStringLiteral("SelSeriesNo"), 0);
    for (int i = 0; i < series::Count; ++i)
        ComboBoxSeries->addItem(series::caption(i));
    // A stored value outside the eight series selects series 0 in the box but
    // is kept as it is, so it is written back unchanged.
    ComboBoxSeries->setCurrentIndex(m_selSeriesNo >= 0 && m_selSeriesNo < series::Count ? m_selSeriesNo : 0);
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
        const QRect g = geometry();
        s.writeInteger(Position, QStringLiteral("MainTop"), g.top());
        s.writeInteger(Position, QStringLiteral("MainLeft"), g.left());
        s.writeInteger(Position, QStringLiteral("MainWidth"), g.width());
        s.writeInteger(Position, QStringLiteral("MainHeight"), g.height());
    }
    s.writeInteger(Position, QStringLiteral("MainWState"), state);
    s.writeInteger(Checked, QStringLiteral("DispKeyLabel"), keyLabelShown() ? 1 : 0);
    s.writeInteger(Checked, QStringLiteral("DispList"), listShown() ? 1 : 0);
    s.writeInteger(Checked, QStringLiteral("DispToolBar"), toolBarShown() ? 1 : 0);
    s.writeInteger(Checked, QStringLiteral("DispStatusBar"), statusBarShown() ? 1 : 0);
    s.writeInteger(Checked, QStringLiteral("DispLayout"), overviewSelected() ? 1 : 0);
    s.writeInteger(Position, QStringLiteral("TelListHeight"), ListView1->height());
    for (int c = 0; c < 6; ++c)
        s.writeInteger(Position, QStringLiteral("TelList%1").arg(c), ListView1->columnWidth(c));
    s.writeInteger(Data, QStringLiteral("SelSeriesNo"), m_selSeriesNo);
}

void TFMain::ActionListJimeijoExecute()
{
    ListView1->setVisible(ActionListJimeijo->isChecked());
}

void TFMain::ActionShowToolBarExecute()
{
    ToolBar1->setVisible(ActionShowToolBar->isChecked());
}

void TFMain::ActionShowStatusBarExecute()
{
    StatusBar1->setVisible(ActionShowStatusBar->isChecked());
}
