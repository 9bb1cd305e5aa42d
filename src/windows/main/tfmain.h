#pragma once
// TFMain: the main window. It owns TMainSub and the register document,
// arranges toolbar, strip display, key label panel, splitter, register list
// and status bar, carries the menus and commands, and restores and saves its
// geometry and view switches.

#include "platform/mainsub.h"
#include "register/registerdocument.h"
#include "register/registerlistmodel.h"
#include "windows/main/mainpanes.h"
#include "windows/strip/stripdisplay.h"

#include <QAction>
#include <QMainWindow>
#include <memory>

class ActionCollection;
class CellEditing;
class TFSearch;
class TFVersion;
class ViewCommands;
class RegisterCommands;
class FormatCommands;
class PictureCommands;
class KeyLabelPanel;
class QAction;
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
    TFSearch &search() { return *m_search; }
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

    // The register list: a model over the document.
    RegisterListModel *listModel() const { return m_listModel; }
    int rowCount() const;

    // The window's commands, which each command class adds itself.
    ActionCollection &actions() { return *m_actions; }

    // Ends an in-place edit before a command reads or replaces the register.
    void CommitPendingEdit();

    // --- menu commands ---

public Q_SLOTS:
    void ComboBoxSeriesChange();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    MainPanes m_panes;
    QComboBox *ComboBoxSeries = nullptr;

    void buildWorkArea();
    void buildCommands();
    void buildWindowCommands();
    void buildMenus();
    void buildToolBar();
    void restoreSettings();
    void saveSettings();
    void setHint(const QString &hint);

    std::unique_ptr<TMainSub> m_mainSub;
    ActionCollection *m_actions = nullptr; // owned as a child object
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
    TFSearch *m_search = nullptr;             // owned as a child object
    std::unique_ptr<KeyLabelPanel> m_keyLabelPanel;
    ViewCommands *m_view = nullptr; // owned as a child object
    TFVersion *m_about = nullptr; // made on first use
    int m_selSeriesNo = 0;
    bool m_firstShown = false;
};
