#pragma once
// The choice between printing each strip on its own pre-cut form and
// printing several strips on each sheet of plain paper, with the sheet's
// paper, orientation, margins, gap, cut guides, captions and start place.
// Made when needed: ask() shows it with the current choice and gives back
// the new one, or nothing when the user cancels.

#include "print/sheetlayout.h"

#include <QDialog>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class SettingsStore;

struct SheetChoice
{
    bool onSheets = false; // false: one strip per form, as always
    print::SheetSettings settings;
    bool operator==(const SheetChoice &) const = default;

    // Settings section "SheetPrint"; a value that does not read keeps its default.
    static SheetChoice read(const SettingsStore &settings);
    void write(SettingsStore &settings) const;
};

class SheetPrintDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString Caption;       // "印刷する用紙"
    static const QString NumbersOnly;
    static const QString PaperRefused; // a typed paper that is no paper   // "数字のみ入力してください。"

    static std::optional<SheetChoice> ask(QWidget *parent, const SheetChoice &current);

private:
    explicit SheetPrintDialog(QWidget *parent);
    void show(const SheetChoice &choice);
    // The choice on the controls; nothing (said, the field focused) when a
    // length is no number of millimetres.
    std::optional<SheetChoice> read();
    void syncEnabled();

    QRadioButton *m_formsButton = nullptr;
    QRadioButton *m_sheetsButton = nullptr;
    QComboBox *m_paperBox = nullptr;
    QComboBox *m_orientationBox = nullptr;
    QLineEdit *m_marginEdit = nullptr;
    QLineEdit *m_gapEdit = nullptr;
    QComboBox *m_cutBox = nullptr;
    QCheckBox *m_captionsBox = nullptr;
    QSpinBox *m_startBox = nullptr;
    QCheckBox *m_rotateBox = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QList<QWidget *> m_sheetControls;
    SheetChoice m_current;
    std::optional<SheetChoice> m_result;
};
