#pragma once
// TFKeyLabel: the modal dialog "キーラベル設定" in which the user edits the key
// label set of the current series. The set belongs to the main window; the
// dialog rewrites it in place through the catalogue operations: 確定 writes
// the selected key, 初期値に戻す rebuilds the defaults, OK saves the file and
// ｷｬﾝｾﾙ (or Esc) reloads it. The close box neither saves nor reloads.

#include "keylabel/keylabelset.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class SettingsStore;

namespace keylabel {
// LoadKeyLabels with the notice for a malformed file (shown over parent).
LoadResult loadWithNotice(QWidget *parent, KeyLabelSet &set, int series);
// The font size list of the size boxes: 4 … 72.
const QStringList &fontSizes();
// Replaces the box's items by the font size list.
void FillFontSizes(QComboBox *box);
} // namespace keylabel

class TFKeyLabel : public QDialog
{
    Q_OBJECT

public:
    // Its place is read from and written to `settings`.
    TFKeyLabel(SettingsStore &settings, QWidget *parent = nullptr);
    ~TFKeyLabel() override;

    // What the next showing edits: the main window's set, its series and the
    // main window's font mark list (family name plus "t" or "u").
    void setSource(keylabel::KeyLabelSet *set, int series, const QStringList &fontMarks);

    const QList<QPushButton *> &keyButtons() const { return m_keyButtons; }

    // --- state ---
    int SelectedKey = 0;
    QString EditFontName;
    int EditFontSize = 9;
    int EditTextColor = 0;
    int EditBackColor = 16777215;
    QStringList FontMarks;

    // --- controls ---

public Q_SLOTS:
    void KeyButtonClick(int k);
    void PageControlChange(int page);
    void ComboBoxFontChange();
    void ComboBoxFontSizeChange();
    void textColourClicked();
    void backColourClicked();
    void confirmClicked();
    void defaultsClicked();
    void okClicked();
    void cancelClicked();
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormShow();
    void FillFontList();
    void CreateKeyButtons();
    void FreeKeyButtons();
    void showKeyCaptions();
    void showLabelLines(const QStringList &lines);
    void loadEditors();
    void styleLabelEdit();
    void setButtonCaption(QPushButton *button, const QStringList &lines);

    SettingsStore &m_settings;
    keylabel::KeyLabelSet *m_set = nullptr;
    int m_series = 0;
    QStringList m_sourceMarks;
    QList<QPushButton *> m_keyButtons;
    QButtonGroup *m_keyGroup = nullptr;

    // The widgets, named after these fields (tests find them by name).
    QTabWidget *PageControl = nullptr;
    QWidget *keyPage1 = nullptr;
    QWidget *keyPage2 = nullptr;
    QWidget *keyPage3 = nullptr;
    QWidget *editorPanel = nullptr;
    QWidget *buttonPanel = nullptr;
    QLabel *fontLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QComboBox *ComboBoxFont = nullptr;
    QComboBox *ComboBoxFontSize = nullptr;
    QPushButton *textColourButton = nullptr;
    QPushButton *backColourButton = nullptr;
    QPlainTextEdit *labelEdit = nullptr;
    QPushButton *confirmButton = nullptr;
    QPushButton *defaultsButton = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
