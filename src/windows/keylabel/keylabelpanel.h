#pragma once
// The key label panel of the main window: the key labels of the current
// series as buttons on the three tabs of keyLabelTabs. A click copies the
// label into every selected cell of the strip in the detail view. The panel
// owns the key label set of the current series and opens the key label
// dialog.

#include "keylabel/keylabelset.h"

#include <QList>
#include <QObject>
#include <QStringList>

class ActionCollection;
class SettingsStore;
class QComboBox;
class QPushButton;
class QTabWidget;
class QWidget;
class CellEditing;
class RegisterDocument;
class StripDisplay;

class TFKeyLabel;

class KeyLabelPanel : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QWidget *window = nullptr;      // parent of the message boxes
        QTabWidget *tabs = nullptr;     // keyLabelTabs
        QComboBox *fontSizeBox = nullptr; // the main window's size box
        RegisterDocument *document = nullptr;
        StripDisplay *display = nullptr;
        CellEditing *editing = nullptr; // ends an open edit before a label is written
        QString settingsFolder;
        SettingsStore *settings = nullptr; // the key label dialog's place and choices
    };

    // Adds the command キーラベルの編集 to `actions`.
    KeyLabelPanel(const Parts &parts, ActionCollection &actions, QObject *parent = nullptr);
    ~KeyLabelPanel() override;

    keylabel::KeyLabelSet &set() { return m_set; }
    int series() const { return m_series; }
    // The key label dialog, made on first use and kept (it holds its place).
    TFKeyLabel &dialog();
    // Writes the dialog's place when it was never made (a dialog made
    // writes its own as it goes).
    void saveSettings(SettingsStore &settings) const;
    const QList<QPushButton *> &buttons() const { return m_buttons; }

    // The main window's first showing: its size box filled, the buttons of
    // the series made and captioned from its loaded set.
    void start(int series);
    // The series selector changed (by the user or by the register list).
    void ComboBoxSeriesChange(int series);

    void CreateKeyLabelButtons(int series);
    void FreeKeyLabelButtons();
    void RefreshKeyLabelButtons();
    // Applies key k to the selected cells of the strip in the detail view.
    void KeyLabelButtonClick(int k);
    // Opens the key label dialog; the buttons follow when the set changed.
    void ActionKeyLabelEditExecute();

private:
    QStringList fontMarks();

    Parts m_parts;
    keylabel::KeyLabelSet m_set;
    TFKeyLabel *m_dialog = nullptr;
    int m_series = 0;
    QList<QPushButton *> m_buttons;
    QStringList m_fontMarks;
};
