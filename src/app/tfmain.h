#pragma once
// TFMain: the main window. It owns TMainSub and the register document,
// arranges toolbar, strip display, key label panel, splitter, register list
// and status bar, and restores and saves its geometry and view switches.

#include "app/mainsub.h"
#include "register/registerdocument.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QComboBox;

class TFMain : public QMainWindow
{
    Q_OBJECT

public:
    // executablePath lets tests run against a settings folder of their own.
    explicit TFMain(QWidget *parent = nullptr, const QString &executablePath = QString());
    ~TFMain() override;

    TMainSub *mainSub() const { return m_mainSub.get(); }
    RegisterDocument &document() { return m_document; }

    // View switches and the display choice.
    bool keyLabelShown() const;
    bool listShown() const;
    bool toolBarShown() const;
    bool statusBarShown() const;
    bool overviewSelected() const;
    int selSeriesNo() const { return m_selSeriesNo; }

    QAction *ActionKeyLabelShow = nullptr;
    QAction *ActionListJimeijo = nullptr;
    QAction *ActionShowToolBar = nullptr;
    QAction *ActionShowStatusBar = nullptr;
    QAction *ActionShowDetail = nullptr;
    QAction *ActionShowAll = nullptr;

    QToolBar *ToolBar1 = nullptr;
    QWidget *pnlBase = nullptr;
    QWidget *pnlDisp = nullptr;
    QLabel *pnlText = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    QScrollArea *ScrollBox2 = nullptr;
    QLabel *imgBase1 = nullptr;
    QLabel *imgBase2 = nullptr;
    QTabWidget *pnlKeyLabel = nullptr;
    QSplitter *Splitter1 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QComboBox *ComboBoxSeries = nullptr;

public Q_SLOTS:
    void ActionListJimeijoExecute();
    void ActionShowToolBarExecute();
    void ActionShowStatusBarExecute();

private:
    void buildFrame();
    void restoreSettings();
    void saveSettings();

    std::unique_ptr<TMainSub> m_mainSub;
    RegisterDocument m_document;
    int m_selSeriesNo = 0;
    QRect m_normalGeometry;
};
