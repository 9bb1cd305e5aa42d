#pragma once
// TFMain: the main window. It owns TMainSub and the register document,
// arranges toolbar, strip display, key label panel, splitter, register list
// and status bar, carries the menus and commands, and restores and saves its
// geometry and view switches.

#include "platform/mainsub.h"
#include "register/registerdocument.h"
#include "register/registerlistmodel.h"
#include "windows/common/commandconnect.h"
#include "windows/strip/stripdisplay.h"

#include <QAction>
#include <QMainWindow>
#include <memory>

class CellEditing;
class RegisterCommands;
class FormatCommands;
class PictureCommands;
class KeyLabelPanel;
class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeView;
class PrintCommands;
class UndoCommands;
class CsvCommands;

class TFMain : public QMainWindow
{
    Q_OBJECT

public:
    // executablePath lets tests run against a program and settings folder of
    // their own.
    explicit TFMain(QWidget *parent = nullptr, const QString &executablePath = QString());
    ~TFMain() override;

    TMainSub *mainSub() const { return m_mainSub.get(); }
    RegisterDocument &document() { return m_document; }
    StripDisplay &display() { return *m_display; }
    CellEditing &cellEditing() { return *m_cellEditing; }
    FormatCommands &formatCommands() { return *m_formatCommands; }
    PictureCommands &pictureCommands() { return *m_pictureCommands; }
    PrintCommands &printCommands() { return *m_printCommands; }
    KeyLabelPanel &keyLabelPanel() { return *m_keyLabelPanel; }
    RegisterCommands &registerCommands() { return *m_registerCommands; }
    UndoCommands &undoCommands() { return *m_undoCommands; }

    // View switches and the display choice.
    bool keyLabelShown() const;
    bool listShown() const;
    bool toolBarShown() const;
    bool statusBarShown() const;
    bool overviewSelected() const;
    int selSeriesNo() const { return m_selSeriesNo; }

    // The status bar's single panel.
    QString statusText() const;

    // Where a window whose frame would be `frame` is placed so that its
    // title bar can be reached on one of the screens (their available
    // areas): unchanged when at least part of its top edge lies on a screen,
    // otherwise moved onto the screen nearest to it.

    // The register list: a model over the document.
    RegisterListModel *listModel() const { return m_listModel; }
    int rowCount() const;

    // A command of the main window by its object name (every action and
    // control is named after what it is, e.g. "ActionEditFind"), for the
    // command classes and dialogs given their actions once at start-up.
    QAction *commandAction(const QString &name) const;

    // Connects a command to its handler. Commands without one stay disabled.
    static constexpr const char *HandledProperty = command::HandledProperty;
    template <typename Slot>
    void connectCommand(QAction *action, Slot slot)
    {
        connect(action, &QAction::triggered, this, slot);
        action->setProperty(HandledProperty, true);
    }

    // Ends an in-place edit before a command reads or replaces the register.
    void CommitPendingEdit();

    // --- menu commands ---

public Q_SLOTS:
    void ActionKeyLabelShowExecute();
    void ActionListJimeijoExecute();
    void ActionShowToolBarExecute();
    void ActionShowStatusBarExecute();
    void ActionShowDetailExecute();
    void ActionShowAllExecute();
    void ComboBoxSeriesChange();
    void listSplitterMoved(int pos);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Gives every action and control its field's name as object name.
    void nameParts();
    QAction *ActionFileNew = nullptr;
    QAction *ActionFileOpen = nullptr;
    QAction *ActionFileSave = nullptr;
    QAction *ActionFileSaveAs = nullptr;
    QAction *ActionFileCsvImport = nullptr;
    QAction *ActionFileCsvExport = nullptr;
    QAction *ActionFileSetup = nullptr;
    QAction *ActionFilePrint = nullptr;
    QAction *ActionFilePrintList = nullptr;
    QAction *ActionFilePdf = nullptr;
    QAction *ActionFileExit = nullptr;
    QAction *ActionEditUndo = nullptr;
    QAction *ActionEditRedo = nullptr;
    QAction *ActionEditCut = nullptr;
    QAction *ActionEditCopy = nullptr;
    QAction *ActionEditPaste = nullptr;
    QAction *ActionEditDelete = nullptr;
    QAction *ActionEditPicOn = nullptr;
    QAction *ActionEditPicOff = nullptr;
    QAction *ActionEditAllSel = nullptr;
    QAction *ActionEditSelReset = nullptr;
    QAction *ActionEditFind = nullptr;
    QAction *ActionEditReplace = nullptr;
    QAction *ActionJimeijoNew = nullptr;
    QAction *ActionJimeijoEdit = nullptr;
    QAction *ActionJimeijoDelete = nullptr;
    QAction *ActionKeyLabelEdit = nullptr;
    QAction *ActionKeyLabelShow = nullptr;
    QAction *ActionListJimeijo = nullptr;
    QAction *ActionShowToolBar = nullptr;
    QAction *ActionShowStatusBar = nullptr;
    QAction *ActionShowDetail = nullptr;
    QAction *ActionShowAll = nullptr;
    QAction *ActionFormatFont = nullptr;
    QAction *ActionFormatLeft = nullptr;
    QAction *ActionFormatCenter = nullptr;
    QAction *ActionFormatRight = nullptr;
    QAction *ActionFormatBColor = nullptr;
    QAction *ActionFormatColor = nullptr;
    QAction *ActionFormatBold = nullptr;
    QAction *ActionFormatItalic = nullptr;
    QAction *ActionHelpGuide = nullptr;
    QAction *ActionHelpAbout = nullptr;
    // Items of the cell pop-up menus.
    QAction *PopupCut = nullptr;
    QAction *PopupCopy = nullptr;
    QAction *PopupPaste = nullptr;
    QAction *PopupDelete = nullptr;
    QAction *PopupPicOn = nullptr;
    QAction *PopupPicOff = nullptr;

    QMenu *cellMenu = nullptr;
    QMenu *pictureMenu = nullptr;
    QMenu *listMenu = nullptr;

    // Controls.
    QToolBar *mainToolBar = nullptr;
    QToolButton *ToolButtonNew = nullptr;
    QToolButton *ToolButtonOpen = nullptr;
    QToolButton *ToolButtonSave = nullptr;
    QToolButton *ToolButtonUndo = nullptr;
    QToolButton *ToolButtonRedo = nullptr;
    QToolButton *ToolButtonPrint = nullptr;
    QToolButton *ToolButtonJimeijoNew = nullptr;
    QToolButton *ToolButtonJimeijoDelete = nullptr;
    QToolButton *ToolButtonListJimeijo = nullptr;
    QComboBox *ComboBoxFont = nullptr;
    QComboBox *ComboBoxFontSize = nullptr;
    QToolButton *ToolButtonColor = nullptr;
    QToolButton *ToolButtonBColor = nullptr;
    QToolButton *ToolButtonBold = nullptr;
    QToolButton *ToolButtonItalic = nullptr;
    QToolButton *ToolButtonLeft = nullptr;
    QToolButton *ToolButtonCenter = nullptr;
    QToolButton *ToolButtonRight = nullptr;
    QToolButton *ToolButtonKeyLabel = nullptr;
    QToolButton *ToolButtonShowAll = nullptr;
    QToolButton *ToolButtonShowDetail = nullptr;
    QComboBox *ComboBoxSeries = nullptr;

    QWidget *basePane = nullptr;
    QWidget *viewPane = nullptr;
    QLabel *entryCaption = nullptr;
    QScrollArea *detailScroll = nullptr;
    QScrollArea *overviewScroll = nullptr;
    StripSheet *detailSheet = nullptr;
    StripSheet *overviewSheet = nullptr;
    QTabWidget *keyLabelTabs = nullptr;
    QSplitter *listSplitter = nullptr;
    QTreeView *registerList = nullptr;
    QStatusBar *statusLine = nullptr;

    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildWorkArea();
    void buildCellCommands();
    void buildRegisterCommands();
    void restoreSettings();
    void saveSettings();
    void setHint(const QString &hint);
    void syncViewMode();
    void syncCellCommands();

    std::unique_ptr<TMainSub> m_mainSub;
    RegisterDocument m_document;
    RegisterListModel *m_listModel = nullptr;
    std::unique_ptr<StripDisplay> m_display;
    std::unique_ptr<RegisterCommands> m_registerCommands;
    std::unique_ptr<CellEditing> m_cellEditing;
    std::unique_ptr<FormatCommands> m_formatCommands;
    std::unique_ptr<PictureCommands> m_pictureCommands;
    PrintCommands *m_printCommands = nullptr; // owned as a child object
    UndoCommands *m_undoCommands = nullptr;   // owned as a child object
    CsvCommands *m_csvCommands = nullptr;     // owned as a child object
    std::unique_ptr<KeyLabelPanel> m_keyLabelPanel;
    QLabel *m_statusPanel = nullptr;
    QStackedWidget *m_views = nullptr;
    QActionGroup *m_viewGroup = nullptr;
    int m_selSeriesNo = 0;
    int m_listHeight = 105;
    bool m_firstShown = false;
};
