#pragma once
// TFTemplateDesigner: the window in which a strip template is drawn. The
// canvas shows the strip, a property panel the exact values of the selected
// section or cell, a list the check's messages. The window creates its own
// commands and keeps its parts private; tests find them by objectName.

#include "platform/registerlock.h"
#include "register/templates.h"
#include "template/templatemodel.h"

#include <QMainWindow>
#include <QMap>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QPushButton;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class SettingsStore;
class TemplateCanvas;

class TFTemplateDesigner : public QMainWindow
{
    Q_OBJECT

public:
    TFTemplateDesigner(const templates::Folders &folders, SettingsStore *settings, QWidget *parent = nullptr);
    ~TFTemplateDesigner() override;

    tpl::TemplateModel &model() { return m_model; }
    TemplateCanvas &canvas() { return *m_canvas; }
    // The file saved to by Ctrl+S; empty for a new or an installed template.
    QString filePath() const { return m_path; }

    // Each asks about unsaved changes first; false when the person cancels
    // or the file cannot be read (said in a message).
    bool newTemplate(const QList<int> &seriesIndexes);
    bool openTemplate(const QString &path);
    bool openLines(const QStringList &lines, const QString &name);

    // Saves to the file opened, or asks for a name (save as). True when saved.
    bool save();
    bool saveAs();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *makeAction(const char *name, const QString &text, const QKeySequence &key = {});
    void buildActions();
    void buildPanel();
    void refresh();
    void showSelection();
    void applyCell();
    void chooseNumberColour();
    void applySection();
    void applySeries();
    void addKeys(bool column);
    void renumber();
    void deleteSelection();
    void duplicateSelection();
    void preview();
    void chooseSiteFolder();
    void openDialog();
    bool maybeSave();
    bool writeTo(const QString &path, bool keepLock);
    void setFile(const QString &path, bool installed);
    void updateTitle();

    tpl::TemplateModel m_model;
    templates::Folders m_folders;
    SettingsStore *m_settings = nullptr;
    TemplateCanvas *m_canvas = nullptr;
    QMap<QString, QAction *> m_actions;
    QString m_path;
    QString m_name;
    bool m_installed = false;
    RegisterLock m_lock;
    bool m_locked = false;
    bool m_updating = false;

    // The property panel.
    QList<QCheckBox *> m_seriesChecks;
    QGroupBox *m_sectionGroup = nullptr;
    QCheckBox *m_keyNumbersCheck = nullptr;
    QDoubleSpinBox *m_sectionBox[4] = {};
    QGroupBox *m_cellGroup = nullptr;
    QDoubleSpinBox *m_keyBox[4] = {};
    QDoubleSpinBox *m_numberBox[4] = {};
    QDoubleSpinBox *m_textBox[4] = {};
    QSpinBox *m_keyNumber = nullptr;
    QCheckBox *m_preset = nullptr;
    QSpinBox *m_presetSize = nullptr;
    QLineEdit *m_presetText = nullptr;
    QComboBox *m_numberFace = nullptr;
    QSpinBox *m_numberSize = nullptr;
    QCheckBox *m_numberBold = nullptr;
    QCheckBox *m_numberItalic = nullptr;
    QComboBox *m_numberAlignment = nullptr;
    QPushButton *m_numberColour = nullptr; // shows the colour, asks for another
    QListWidget *m_problems = nullptr;
};
