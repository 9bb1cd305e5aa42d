#include "windows/main/tfmain.h"
#include "windows/common/appsettings.h"

#include "register/series.h"
#include "windows/common/screenplace.h"
#include "windows/common/userdialogs.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/main/userguidecommand.h"
#include "windows/print/printcommands.h"
#include "windows/register/csvcommands.h"
#include "windows/register/registercommands.h"
#include "windows/register/undocommands.h"
#include "windows/strip/cellediting.h"
#include "windows/strip/formatcommands.h"
#include "windows/strip/picturecommands.h"
#include "windows/template/templatecommands.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
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
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

// The toolbar pictures live in the program's resources (toolbar.qrc); the
// resources of a static library are registered by name once.
static void initToolbarResources() { Q_INIT_RESOURCE(toolbar); }

namespace {
// A toolbar picture: NAME.png, 16 × 16 on a transparent ground, with
// NAME@2x.png beside it for screens of twice the density.
QIcon toolbarIcon(const QString &name)
{
    static const bool registered = (initToolbarResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/toolbar/%1.png").arg(name));
    icon.addFile(QStringLiteral(":/toolbar/%1@2x.png").arg(name));
    return icon;
}


// Strip display height below which a splitter move is pushed back.
constexpr int SplitterTopMinimum = 390;

// A command whose handler belongs to later work has no handler connected
// yet; it stays disabled instead of doing nothing.
bool hasHandler(QAction *a)
{
    return a->property(TFMain::HandledProperty).toBool();
}

void setCommandEnabled(QAction *a, bool on)
{
    a->setEnabled(on && hasHandler(a));
}

QString firstPart(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString secondPart(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

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

void TFMain::nameParts()
{
    const std::pair<QObject *, const char *> parts[] = {
        {ActionFileNew, "ActionFileNew"},
        {ActionFileOpen, "ActionFileOpen"},
        {ActionFileSave, "ActionFileSave"},
        {ActionFileSaveAs, "ActionFileSaveAs"},
        {ActionFileCsvImport, "ActionFileCsvImport"},
        {ActionFileCsvExport, "ActionFileCsvExport"},
        {ActionFileSetup, "ActionFileSetup"},
        {ActionFilePrint, "ActionFilePrint"},
        {ActionFilePrintList, "ActionFilePrintList"},
        {ActionFilePdf, "ActionFilePdf"},
        {ActionFileExit, "ActionFileExit"},
        {ActionEditUndo, "ActionEditUndo"},
        {ActionEditRedo, "ActionEditRedo"},
        {ActionEditCut, "ActionEditCut"},
        {ActionEditCopy, "ActionEditCopy"},
        {ActionEditPaste, "ActionEditPaste"},
        {ActionEditDelete, "ActionEditDelete"},
        {ActionEditPicOn, "ActionEditPicOn"},
        {ActionEditPicOff, "ActionEditPicOff"},
        {ActionEditAllSel, "ActionEditAllSel"},
        {ActionEditSelReset, "ActionEditSelReset"},
        {ActionEditFind, "ActionEditFind"},
        {ActionEditReplace, "ActionEditReplace"},
        {ActionJimeijoNew, "ActionJimeijoNew"},
        {ActionJimeijoEdit, "ActionJimeijoEdit"},
        {ActionJimeijoDelete, "ActionJimeijoDelete"},
        {ActionKeyLabelEdit, "ActionKeyLabelEdit"},
        {ActionKeyLabelShow, "ActionKeyLabelShow"},
        {ActionListJimeijo, "ActionListJimeijo"},
        {ActionShowToolBar, "ActionShowToolBar"},
        {ActionShowStatusBar, "ActionShowStatusBar"},
        {ActionShowDetail, "ActionShowDetail"},
        {ActionShowAll, "ActionShowAll"},
        {ActionFormatFont, "ActionFormatFont"},
        {ActionFormatLeft, "ActionFormatLeft"},
        {ActionFormatCenter, "ActionFormatCenter"},
        {ActionFormatRight, "ActionFormatRight"},
        {ActionFormatBColor, "ActionFormatBColor"},
        {ActionFormatColor, "ActionFormatColor"},
        {ActionFormatBold, "ActionFormatBold"},
        {ActionFormatItalic, "ActionFormatItalic"},
        {ActionHelpGuide, "ActionHelpGuide"},
        {ActionHelpAbout, "ActionHelpAbout"},
        {PopupCut, "PopupCut"},
        {PopupCopy, "PopupCopy"},
        {PopupPaste, "PopupPaste"},
        {PopupDelete, "PopupDelete"},
        {PopupPicOn, "PopupPicOn"},
        {PopupPicOff, "PopupPicOff"},
        {cellMenu, "cellMenu"},
        {pictureMenu, "pictureMenu"},
        {listMenu, "listMenu"},
        {mainToolBar, "mainToolBar"},
        {ToolButtonNew, "ToolButtonNew"},
        {ToolButtonOpen, "ToolButtonOpen"},
        {ToolButtonSave, "ToolButtonSave"},
        {ToolButtonUndo, "ToolButtonUndo"},
        {ToolButtonRedo, "ToolButtonRedo"},
        {ToolButtonPrint, "ToolButtonPrint"},
        {ToolButtonJimeijoNew, "ToolButtonJimeijoNew"},
        {ToolButtonJimeijoDelete, "ToolButtonJimeijoDelete"},
        {ToolButtonListJimeijo, "ToolButtonListJimeijo"},
        {ComboBoxFont, "ComboBoxFont"},
        {ComboBoxFontSize, "ComboBoxFontSize"},
        {ToolButtonColor, "ToolButtonColor"},
        {ToolButtonBColor, "ToolButtonBColor"},
        {ToolButtonBold, "ToolButtonBold"},
        {ToolButtonItalic, "ToolButtonItalic"},
        {ToolButtonLeft, "ToolButtonLeft"},
        {ToolButtonCenter, "ToolButtonCenter"},
        {ToolButtonRight, "ToolButtonRight"},
        {ToolButtonKeyLabel, "ToolButtonKeyLabel"},
        {ToolButtonShowAll, "ToolButtonShowAll"},
        {ToolButtonShowDetail, "ToolButtonShowDetail"},
        {ComboBoxSeries, "ComboBoxSeries"},
        {basePane, "basePane"},
        {viewPane, "viewPane"},
        {entryCaption, "entryCaption"},
        {detailScroll, "detailScroll"},
        {overviewScroll, "overviewScroll"},
        {detailSheet, "detailSheet"},
        {overviewSheet, "overviewSheet"},
        {keyLabelTabs, "keyLabelTabs"},
        {listSplitter, "listSplitter"},
        {registerList, "registerList"},
        {statusLine, "statusLine"}};
    for (const auto &[part, name] : parts)
        if (part)
            part->setObjectName(QLatin1String(name));
}

QAction *TFMain::commandAction(const QString &name) const
{
    return findChild<QAction *>(name, Qt::FindDirectChildrenOnly);
}

TFMain::TFMain(QWidget *parent, const QString &executablePath) : QMainWindow(parent)
{
    m_mainSub = std::make_unique<TMainSub>(executablePath);
    setWindowTitle(QStringLiteral("Tavrel"));
    setMinimumSize(1000, 738);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    buildActions();
    buildMenus();
    buildToolBar();
    buildWorkArea();
    // The command classes find the parts they own by these names.
    nameParts();
    buildRegisterCommands();
    buildCellCommands();
    m_printCommands = new PrintCommands(m_document, *m_display, *m_registerCommands, m_mainSub->settings(), this, this);
    // Every change of the register from here on can be undone.
    m_document.history().setEnabled(true);
    m_undoCommands = new UndoCommands(m_document, *m_display, *m_registerCommands, *m_cellEditing, this, this);
    m_csvCommands = new CsvCommands(m_document, *m_display, *m_registerCommands, templates::Folders::standard(m_mainSub->programFolder(), m_mainSub->settings()), m_mainSub->settings(), this, this);
    new TemplateCommands(m_document, [this] { return m_display->shownEntryNumber(); },
                         templates::Folders::standard(m_mainSub->programFolder(), m_mainSub->settings()),
                         m_mainSub->settings(), this, this);
    restoreSettings();

    KeyLabelPanel::Parts parts;
    parts.window = this;
    parts.tabs = keyLabelTabs;
    parts.fontSizeBox = ComboBoxFontSize;
    parts.document = &m_document;
    parts.display = m_display.get();
    parts.editing = m_cellEditing.get();
    parts.settingsFolder = m_mainSub->settingsFolder();
    m_keyLabelPanel = std::make_unique<KeyLabelPanel>(parts);
    connectCommand(ActionKeyLabelEdit, [this] { m_keyLabelPanel->ActionKeyLabelEditExecute(); });
    setCommandEnabled(ActionKeyLabelEdit, true);
}

TFMain::~TFMain()
{
    // The dialogs write their places into the settings this window owns:
    // any still here go before the settings are written and closed.
    qDeleteAll(findChildren<QDialog *>(Qt::FindDirectChildrenOnly));
    saveSettings();
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

void TFMain::buildActions()
{
    auto make = [this](const QString &text, const QKeySequence &key = {}, const QString &hint = {}) {
        auto *a = new QAction(text, this);
        if (!key.isEmpty())
            a->setShortcut(key);
        a->setStatusTip(hint);
        return a;
    };
    auto makeCheck = [&](const QString &text) {
        QAction *a = make(text);
        a->setCheckable(true);
        return a;
    };

    ActionFileNew = make(QStringLiteral("新規作成(&N)"), {}, QStringLiteral("新しいデータベースを作成します"));
    ActionFileOpen = make(QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                          QStringLiteral("既存のデータベースを開きます"));
    ActionFileSave = make(QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S),
                          QStringLiteral("データベースを上書きで保存します"));
    ActionFileSaveAs = make(QStringLiteral("名前を付けて保存(&A)..."), {},
                            QStringLiteral("データベースを名前を付けて保存します"));
    ActionFileCsvImport = make(QStringLiteral("CSV取込み(&I)..."), {},
                               QStringLiteral("CSVファイルから示名条を取り込みます"));
    ActionFileCsvExport = make(QStringLiteral("CSV出力(&C)..."), {},
                               QStringLiteral("示名条の一覧をCSVファイルに出力します"));
    ActionFileSetup = make(QStringLiteral("印刷位置の微調整(&E)..."), {},
                           QStringLiteral("マニュアルで印字位置を微調整します"));
    ActionFilePrint = make(QStringLiteral("示名条の印刷(&P)..."), {},
                           QStringLiteral("１枚あるいは複数枚の示名条を印刷します"));
    ActionFilePrintList = make(QStringLiteral("示名条一覧の印刷(&L)..."), {},
                               QStringLiteral("登録されている示名条のリストを印刷します"));
    ActionFilePdf = make(QStringLiteral("PDFに出力(&D)..."), {}, QStringLiteral("示名条をPDFファイルに保存します"));
    ActionFileExit = make(QStringLiteral("終了(&X)"), {}, QStringLiteral("プログラムを終了します"));

    ActionEditUndo = make(QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    ActionEditRedo = make(QStringLiteral("やり直し(&Y)"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    ActionEditCut = make(QStringLiteral("切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
    ActionEditCopy = make(QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    ActionEditPaste = make(QStringLiteral("貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
    ActionEditDelete = make(QStringLiteral("削除(&D)"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    ActionEditPicOn = make(QStringLiteral("画像添付(&G)..."));
    ActionEditPicOff = make(QStringLiteral("画像添付解除(&R)"));
    ActionEditAllSel = make(QStringLiteral("すべてを選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));
    ActionEditSelReset = make(QStringLiteral("選択の解除(&X)"));
    ActionEditFind = make(QStringLiteral("検索(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    ActionEditReplace = make(QStringLiteral("置換(&N)..."), QKeySequence(Qt::CTRL | Qt::Key_R));

    ActionJimeijoNew = make(QStringLiteral("示名条の作成(&N)..."));
    ActionJimeijoEdit = make(QStringLiteral("示名条の編集(&E)..."));
    ActionJimeijoDelete = make(QStringLiteral("示名条の削除(&D)"));

    ActionKeyLabelEdit = make(QStringLiteral("キーラベルの編集(&H)..."));
    ActionKeyLabelShow = makeCheck(QStringLiteral("キーラベル(&K)"));
    ActionListJimeijo = makeCheck(QStringLiteral("示名条一覧(&L)"));
    ActionShowToolBar = makeCheck(QStringLiteral("ツールバー(&T)"));
    ActionShowStatusBar = makeCheck(QStringLiteral("ステータスバー(&S)"));
    ActionShowDetail = makeCheck(QStringLiteral("詳細画面(&D)"));
    ActionShowAll = makeCheck(QStringLiteral("全体画面(&A)"));
    m_viewGroup = new QActionGroup(this);
    m_viewGroup->setExclusive(true);
    m_viewGroup->addAction(ActionShowDetail);
    m_viewGroup->addAction(ActionShowAll);

    ActionFormatFont = make(QStringLiteral("フォント(&F)..."));
    ActionFormatLeft = make(QStringLiteral("左寄せ(&L)"));
    ActionFormatCenter = make(QStringLiteral("センタリング(&C)"));
    ActionFormatRight = make(QStringLiteral("右寄せ(&R)"));
    ActionFormatBColor = make(QStringLiteral("背景色(&B)"));
    ActionFormatColor = make(QStringLiteral("文字色"));
    ActionFormatBold = make(QStringLiteral("太字"));
    ActionFormatItalic = make(QStringLiteral("斜体"));
    ActionHelpGuide = make(QStringLiteral("ユーザーガイド(&G)"), QKeySequence(Qt::Key_F1),
                           QStringLiteral("ユーザーガイドをブラウザで表示します"));
    ActionHelpAbout = make(QStringLiteral("バージョン情報(&A)..."));

    PopupCut = make(QStringLiteral("切り取り(&T)"));
    PopupCopy = make(QStringLiteral("コピー(&C)"));
    PopupPaste = make(QStringLiteral("貼り付け(&P)"));
    PopupDelete = make(QStringLiteral("削除(&D)"));
    PopupPicOn = make(QStringLiteral("画像添付(&G)"));
    PopupPicOff = make(QStringLiteral("画像添付解除(&R)"));

    connectCommand(ActionFileExit, &QWidget::close);
    connectCommand(ActionHelpGuide, [this] { userguidecommand::open(this, m_mainSub->programFolder()); });
    connectCommand(ActionKeyLabelShow, &TFMain::ActionKeyLabelShowExecute);
    connectCommand(ActionListJimeijo, &TFMain::ActionListJimeijoExecute);
    connectCommand(ActionShowToolBar, &TFMain::ActionShowToolBarExecute);
    connectCommand(ActionShowStatusBar, &TFMain::ActionShowStatusBarExecute);
    connectCommand(ActionShowDetail, &TFMain::ActionShowDetailExecute);
    connectCommand(ActionShowAll, &TFMain::ActionShowAllExecute);

    // Commands of later work: present, and disabled until they have a handler.
    for (QAction *a : {ActionFileSetup, ActionFilePrint, ActionFilePrintList, ActionKeyLabelEdit, ActionHelpAbout})
        setCommandEnabled(a, true);
}

void TFMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mainMenuBar"));

    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->addActions({ActionFileNew, ActionFileOpen, ActionFileSave, ActionFileSaveAs});
    file->addSeparator();
    file->addActions({ActionFileCsvImport, ActionFileCsvExport});
    file->addSeparator();
    file->addActions({ActionFileSetup, ActionFilePrint, ActionFilePrintList, ActionFilePdf});
    file->addSeparator();
    file->addAction(ActionFileExit);

    QMenu *edit = bar->addMenu(QStringLiteral("編集(&E)"));
    edit->addActions({ActionEditUndo, ActionEditRedo});
    edit->addSeparator();
    edit->addActions({ActionEditCut, ActionEditCopy, ActionEditPaste, ActionEditDelete});
    edit->addSeparator();
    edit->addActions({ActionEditPicOn, ActionEditPicOff});
    edit->addSeparator();
    edit->addActions({ActionEditAllSel, ActionEditSelReset});
    edit->addSeparator();
    edit->addActions({ActionEditFind, ActionEditReplace});

    QMenu *jimeijo = bar->addMenu(QStringLiteral("示名条編集(&S)"));
    jimeijo->addActions({ActionJimeijoNew, ActionJimeijoEdit, ActionJimeijoDelete});
    jimeijo->addSeparator();
    jimeijo->addAction(TemplateCommands::createAction(this));

    QMenu *keyLabel = bar->addMenu(QStringLiteral("キーラベル(&K)"));
    keyLabel->addActions({ActionKeyLabelEdit, ActionKeyLabelShow});

    QMenu *list = bar->addMenu(QStringLiteral("一覧(&L)"));
    list->addAction(ActionListJimeijo);

    QMenu *view = bar->addMenu(QStringLiteral("表示(&V)"));
    view->addActions({ActionShowToolBar, ActionShowStatusBar});
    view->addSeparator();
    view->addActions({ActionShowDetail, ActionShowAll});

    QMenu *format = bar->addMenu(QStringLiteral("書式(&R)"));
    format->addActions({ActionFormatFont, ActionFormatLeft, ActionFormatCenter, ActionFormatRight, ActionFormatBColor});

    QMenu *help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->addActions({ActionHelpGuide, ActionHelpAbout});

    auto *menuStyle = new MenuStyle;
    menuStyle->setParent(this);
    for (QAction *m : bar->actions())
        m->menu()->setStyle(menuStyle);

    listMenu = new QMenu(this);
    listMenu->addActions({ActionJimeijoNew, ActionJimeijoEdit, ActionJimeijoDelete});
    cellMenu = new QMenu(this);
    cellMenu->addActions({PopupCut, PopupCopy, PopupPaste, PopupDelete});
    cellMenu->addSeparator();
    cellMenu->addAction(PopupPicOn);
    pictureMenu = new QMenu(this);
    pictureMenu->addAction(PopupPicOff);
}

void TFMain::buildToolBar()
{
    mainToolBar = addToolBar(QStringLiteral("mainToolBar"));
    mainToolBar->setMovable(false);
    mainToolBar->setFloatable(false);
    mainToolBar->setFixedHeight(29);
    mainToolBar->setIconSize(QSize(16, 16));
    mainToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    mainToolBar->layout()->setSpacing(0);
    mainToolBar->layout()->setContentsMargins(2, 2, 2, 2);

    auto button = [this](const char *picture, const QString &hint, QAction *action, bool toggle = false) {
        auto *b = new QToolButton(mainToolBar);
        b->setIcon(toolbarIcon(QLatin1String(picture)));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(24, 22);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(firstPart(hint));
        b->setStatusTip(hint);
        b->setAccessibleName(firstPart(hint));
        b->setCheckable(toggle);
        mainToolBar->addWidget(b);
        if (action) {
            connect(b, &QToolButton::clicked, action, &QAction::trigger);
            b->setEnabled(action->isEnabled());
            connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
        }
        return b;
    };
    auto combo = [this](int width, const QString &hint, bool editable) {
        auto *c = new QComboBox(mainToolBar);
        c->setFixedWidth(width);
        c->setEditable(editable);
        c->setToolTip(firstPart(hint));
        c->setStatusTip(hint);
        c->setAccessibleName(firstPart(hint));
        if (editable)
            c->lineEdit()->setAccessibleName(firstPart(hint));
        mainToolBar->addWidget(c);
        return c;
    };
    auto separator = [this] { mainToolBar->addWidget(makeSeparator(mainToolBar)); };

    ToolButtonNew = button("new", QStringLiteral("新規作成|新しいデータベースを作成します"), ActionFileNew);
    ToolButtonOpen = button("open", QStringLiteral("開く|既存のデータベースを開きます"), ActionFileOpen);
    ToolButtonSave = button("save", QStringLiteral("上書き保存|データベースを上書きで保存します"), ActionFileSave);
    separator();
    ToolButtonUndo = button("undo", QStringLiteral("元に戻す|直前の操作を元に戻します"), ActionEditUndo);
    ToolButtonRedo = button("redo", QStringLiteral("やり直し|元に戻した操作をやり直します"), ActionEditRedo);
    separator();
    ToolButtonPrint =
        button("print", QStringLiteral("示名条の印刷|１枚あるいは複数枚の示名条を印刷します"), ActionFilePrint);
    ToolButtonJimeijoNew = button("entry-new", QStringLiteral("示名条の作成|示名条を作成します"), ActionJimeijoNew);
    ToolButtonJimeijoDelete =
        button("entry-delete", QStringLiteral("示名条の削除|選択された示名条を削除します"), ActionJimeijoDelete);
    ToolButtonListJimeijo =
        button("list", QStringLiteral("示名条一覧|示名条一覧を表示します"), ActionListJimeijo, true);
    separator();
    ComboBoxFont = combo(132, QStringLiteral("フォント切替"), false);
    separator();
    ComboBoxFontSize = combo(53, QStringLiteral("フォントサイズ"), true);
    separator();
    ToolButtonColor = button("text-colour", QStringLiteral("文字色|文字の色を変更します"), ActionFormatColor);
    ToolButtonBColor = button("background-colour", QStringLiteral("背景色|背景の色を変更します"), ActionFormatBColor);
    ToolButtonBold = button("bold", QStringLiteral("太字|文字を太字にします。"), ActionFormatBold, true);
    ToolButtonItalic = button("italic", QStringLiteral("斜体|文字を斜体にします。"), ActionFormatItalic, true);
    separator();
    ToolButtonLeft = button("align-left", QStringLiteral("左寄せ|文字を左に揃えます"), ActionFormatLeft, true);
    ToolButtonCenter = button("align-centre", QStringLiteral("センタリング|文字を中央に揃えます"), ActionFormatCenter, true);
    ToolButtonRight = button("align-right", QStringLiteral("右寄せ|文字を右に揃えます"), ActionFormatRight, true);
    auto *alignGroup = new QButtonGroup(this);
    alignGroup->addButton(ToolButtonLeft);
    alignGroup->addButton(ToolButtonCenter);
    alignGroup->addButton(ToolButtonRight);
    separator();
    ToolButtonKeyLabel =
        button("key-label", QStringLiteral("キーラベル|キーラベルの表示ON/OFFを切り替えます"), ActionKeyLabelShow, true);
    separator();
    ToolButtonShowAll = button("view-overview", QStringLiteral("全体画面|全体画面の表示に切り替えます"), ActionShowAll, true);
    ToolButtonShowDetail =
        button("view-detail", QStringLiteral("詳細画面|詳細画面の表示に切り替えます"), ActionShowDetail, true);
    auto *viewGroup = new QButtonGroup(this);
    viewGroup->addButton(ToolButtonShowAll);
    viewGroup->addButton(ToolButtonShowDetail);
    separator();
    ComboBoxSeries = combo(150, QStringLiteral("主装置のシリーズ切替"), false);
}

void TFMain::buildWorkArea()
{
    basePane = new QWidget(this);
    auto *baseLayout = new QVBoxLayout(basePane);
    baseLayout->setContentsMargins(0, 0, 0, 0);
    listSplitter = new QSplitter(Qt::Vertical, basePane);
    listSplitter->setHandleWidth(4);
    listSplitter->setChildrenCollapsible(false);
    listSplitter->setOpaqueResize(true);
    auto *top = new QWidget(listSplitter);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);

    viewPane = new QWidget(top);
    viewPane->setFocusPolicy(Qt::NoFocus); // takes the focus only from the program
    auto *dispLayout = new QVBoxLayout(viewPane);
    dispLayout->setContentsMargins(0, 0, 0, 0);
    dispLayout->setSpacing(0);
    entryCaption = new QLabel(viewPane);
    entryCaption->setFixedHeight(20);
    entryCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    entryCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    entryCaption->setIndent(4);
    dispLayout->addWidget(entryCaption);
    // Only one of the two views shows at a time, or neither (the blank page).
    m_views = new QStackedWidget(viewPane);
    m_views->addWidget(new QWidget);
    auto makeView = [this](QScrollArea *&box, StripSheet *&sheet) {
        box = new QScrollArea;
        box->setFrameShape(QFrame::NoFrame);
        box->setWidgetResizable(false);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setFocusPolicy(Qt::NoFocus);
        sheet = new StripSheet;
        sheet->resize(0, 0);
        box->setWidget(sheet);
        m_views->addWidget(box);
    };
    makeView(detailScroll, detailSheet);
    makeView(overviewScroll, overviewSheet);
    // A screen reader names the views as the view commands do.
    detailSheet->setAccessibleName(QStringLiteral("詳細画面"));
    overviewSheet->setAccessibleName(QStringLiteral("全体画面"));
    entryCaption->setAccessibleName(QStringLiteral("示名条"));
    dispLayout->addWidget(m_views, 1);
    topLayout->addWidget(viewPane, 1);

    keyLabelTabs = new QTabWidget(top);
    keyLabelTabs->setFixedWidth(180);
    keyLabelTabs->setFocusPolicy(Qt::NoFocus);
    keyLabelTabs->tabBar()->setFocusPolicy(Qt::NoFocus);
    // Three tabs side by side within the panel's 180 pixels.
    keyLabelTabs->tabBar()->setUsesScrollButtons(false);
    keyLabelTabs->tabBar()->setElideMode(Qt::ElideNone);
    keyLabelTabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    for (const char16_t *t : {u"ｷｰﾗﾍﾞﾙ1", u"ｷｰﾗﾍﾞﾙ2", u"ｷｰﾗﾍﾞﾙ3"})
        keyLabelTabs->addTab(new QWidget, QString::fromUtf16(t));
    keyLabelTabs->setAccessibleName(QStringLiteral("キーラベル"));
    topLayout->addWidget(keyLabelTabs);

    m_listModel = new RegisterListModel(m_document, this);
    registerList = new QTreeView(listSplitter);
    registerList->setModel(m_listModel);
    registerList->setRootIsDecorated(false);
    registerList->setUniformRowHeights(true);
    registerList->setItemsExpandable(false);
    registerList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    registerList->setSelectionBehavior(QAbstractItemView::SelectRows);
    registerList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    registerList->setFocusPolicy(Qt::ClickFocus); // skipped by Tab
    registerList->setContextMenuPolicy(Qt::CustomContextMenu);
    registerList->setAllColumnsShowFocus(true);
    registerList->header()->setSectionsMovable(false);
    registerList->header()->setStretchLastSection(false);
    registerList->setMinimumHeight(20);
    registerList->setItemDelegate(new RowDelegate(registerList));
    registerList->setAccessibleName(QStringLiteral("示名条一覧"));
    // The selection stays visible while the list has no focus.
    QPalette pal = registerList->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    registerList->setPalette(pal);
    connect(registerList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { listMenu->popup(registerList->viewport()->mapToGlobal(pos)); });

    listSplitter->addWidget(top);
    listSplitter->addWidget(registerList);
    listSplitter->setStretchFactor(0, 1);
    listSplitter->setStretchFactor(1, 0);
    connect(listSplitter, &QSplitter::splitterMoved, this, &TFMain::listSplitterMoved);
    baseLayout->addWidget(listSplitter);
    setCentralWidget(basePane);

    statusLine = new QStatusBar(this);
    statusLine->setFixedHeight(24);
    statusLine->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(statusLine);
    m_statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLine->addWidget(m_statusPanel, 1);
    setStatusBar(statusLine);

    StripDisplay::Widgets w;
    w.area = viewPane;
    w.caption = entryCaption;
    w.detail = detailScroll;
    w.detailSheet = detailSheet;
    w.overview = overviewScroll;
    w.overviewSheet = overviewSheet;
    w.views = m_views;
    w.textPopup = cellMenu;
    w.picturePopup = pictureMenu;
    m_display = std::make_unique<StripDisplay>(m_document, w);
    connect(m_display.get(), &StripDisplay::modeChanged, this, &TFMain::syncViewMode);
    connect(m_display.get(), &StripDisplay::cellCommandsChanged, this, &TFMain::syncCellCommands);
    syncCellCommands();
}

// The register list and the file and entry commands.
void TFMain::buildRegisterCommands()
{
    m_registerCommands = std::make_unique<RegisterCommands>(m_document, *m_listModel, *m_display, this,
                                                            templates::Folders::standard(m_mainSub->programFolder(), m_mainSub->settings()));
}

// The commands on cells: each class finds and connects the actions it owns.
void TFMain::buildCellCommands()
{
    m_cellEditing = std::make_unique<CellEditing>(m_document, *m_display, this);
    m_formatCommands = std::make_unique<FormatCommands>(m_document, *m_display, this);
    m_pictureCommands = std::make_unique<PictureCommands>(m_document, *m_display, *m_cellEditing, this);
    syncCellCommands();
}

// ---------------------------------------------------------------- state

bool TFMain::keyLabelShown() const { return ActionKeyLabelShow->isChecked(); }
bool TFMain::listShown() const { return ActionListJimeijo->isChecked(); }
bool TFMain::toolBarShown() const { return ActionShowToolBar->isChecked(); }
bool TFMain::statusBarShown() const { return ActionShowStatusBar->isChecked(); }
bool TFMain::overviewSelected() const { return ActionShowAll->isChecked(); }

QString TFMain::statusText() const
{
    return m_statusPanel->text();
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

    const bool keyLabel = appsettings::read(s, appsettings::ShowKeyLabel);
    ActionKeyLabelShow->setChecked(keyLabel);
    keyLabelTabs->setVisible(keyLabel);
    ToolButtonKeyLabel->setChecked(keyLabel);
    const bool list = appsettings::read(s, appsettings::ShowList);
    ActionListJimeijo->setChecked(list);
    ToolButtonListJimeijo->setChecked(list);
    const bool toolBar = appsettings::read(s, appsettings::ShowToolBar);
    ActionShowToolBar->setChecked(toolBar);
    mainToolBar->setVisible(toolBar);
    const bool statusBarOn = appsettings::read(s, appsettings::ShowStatusBar);
    ActionShowStatusBar->setChecked(statusBarOn);
    statusLine->setVisible(statusBarOn);
    registerList->setVisible(list);
    listSplitter->handle(1)->setVisible(list);

    m_listHeight = appsettings::read(s, appsettings::ListHeight);
    listSplitter->setSizes({std::max(1, height - m_listHeight), std::max(20, m_listHeight)});
    for (int c = 0; c < m_listModel->columnCount(); ++c)
        registerList->setColumnWidth(c, appsettings::read(s, appsettings::listColumnWidth(c)));

    const bool overview = appsettings::read(s, appsettings::ShowOverview);
    m_display->setInitialMode(overview ? StripDisplay::Mode::Overview : StripDisplay::Mode::Detail);
    syncViewMode();

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
    appsettings::write(s, appsettings::ShowKeyLabel, keyLabelShown());
    appsettings::write(s, appsettings::ShowList, listShown());
    appsettings::write(s, appsettings::ShowToolBar, toolBarShown());
    appsettings::write(s, appsettings::ShowStatusBar, statusBarShown());
    appsettings::write(s, appsettings::ShowOverview, overviewSelected());
    // A list that was never laid out keeps the height it was given.
    const int listHeight = registerList->isVisible() ? registerList->height() : m_listHeight;
    appsettings::write(s, appsettings::ListHeight, listHeight);
    for (int c = 0; c < m_listModel->columnCount(); ++c)
        appsettings::write(s, appsettings::listColumnWidth(c), registerList->columnWidth(c));
    appsettings::write(s, appsettings::SeriesChoice, m_selSeriesNo);
    if (m_csvCommands)
        m_csvCommands->saveSettings(s);
}

void TFMain::syncViewMode()
{
    const bool detail = m_display->detailActive();
    ActionShowDetail->setChecked(detail);
    ActionShowAll->setChecked(!detail);
    ToolButtonShowDetail->setChecked(detail);
    ToolButtonShowAll->setChecked(!detail);
}

void TFMain::syncCellCommands()
{
    const StripDisplay::CellCommands c = m_display->cellCommands();
    const std::pair<QAction *, StripDisplay::CellCommand> table[] = {
        {ActionEditCut, StripDisplay::EditCut},       {ActionEditCopy, StripDisplay::EditCopy},
        {ActionEditPaste, StripDisplay::EditPaste},   {ActionEditDelete, StripDisplay::EditDelete},
        {ActionEditPicOn, StripDisplay::EditPicOn},   {ActionEditPicOff, StripDisplay::EditPicOff},
        {ActionEditAllSel, StripDisplay::EditAllSel}, {ActionEditSelReset, StripDisplay::EditSelReset},
        {ActionEditFind, StripDisplay::EditFind},     {ActionEditReplace, StripDisplay::EditReplace},
        {PopupCut, StripDisplay::PopupCut},           {PopupCopy, StripDisplay::PopupCopy},
        {PopupPaste, StripDisplay::PopupPaste},       {PopupDelete, StripDisplay::PopupDelete},
        {PopupPicOn, StripDisplay::PopupPicOn},       {PopupPicOff, StripDisplay::PopupPicOff},
    };
    for (const auto &[action, flag] : table)
        setCommandEnabled(action, c.testFlag(flag));
}

// ---------------------------------------------------------------- events

void TFMain::setHint(const QString &hint)
{
    m_statusPanel->setText(QChar(0x3000) + secondPart(hint));
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

// ---------------------------------------------------------------- view switches

void TFMain::ActionListJimeijoExecute()
{
    const bool on = ActionListJimeijo->isChecked();
    ToolButtonListJimeijo->setChecked(on);
    if (on) {
        registerList->show();
        listSplitter->handle(1)->show();
    } else {
        m_listHeight = registerList->height();
        listSplitter->handle(1)->hide();
        registerList->hide();
    }
}

void TFMain::ActionShowToolBarExecute()
{
    mainToolBar->setVisible(ActionShowToolBar->isChecked());
}

void TFMain::ActionShowStatusBarExecute()
{
    if (ActionShowStatusBar->isChecked()) {
        // The status bar belongs below the list; showing it again in this
        // order keeps status bar, list and splitter stacked from the bottom.
        const bool list = ActionListJimeijo->isChecked();
        listSplitter->handle(1)->hide();
        registerList->hide();
        statusLine->show();
        registerList->setVisible(list);
        listSplitter->handle(1)->setVisible(list);
    } else {
        statusLine->hide();
    }
}

void TFMain::ActionKeyLabelShowExecute()
{
    const bool on = ActionKeyLabelShow->isChecked();
    keyLabelTabs->setVisible(on);
    ToolButtonKeyLabel->setChecked(on);
    m_display->positionScrolling(1, m_display->currentCell());
}

void TFMain::ActionShowDetailExecute()
{
    m_display->showDetail();
    syncViewMode();
}

void TFMain::ActionShowAllExecute()
{
    m_display->showOverview();
    syncViewMode();
}

void TFMain::ComboBoxSeriesChange()
{
    m_selSeriesNo = ComboBoxSeries->currentIndex();
    m_keyLabelPanel->ComboBoxSeriesChange(m_selSeriesNo);
}

void TFMain::listSplitterMoved(int pos)
{
    // The strip display keeps at least SplitterTopMinimum pixels: a splitter
    // dragged above that is pushed back and the list shrinks accordingly.
    if (pos < SplitterTopMinimum) {
        const int total = listSplitter->height() - listSplitter->handleWidth();
        listSplitter->setSizes({SplitterTopMinimum, std::max(20, total - SplitterTopMinimum)});
    }
    m_listHeight = registerList->height();
}

void TFMain::CommitPendingEdit()
{
    m_display->commitPendingEdit();
}
