#pragma once
// TFAdjust: the printer fine adjustment. Shows the printer in use and the
// vertical and horizontal offsets in mm, checks what the user types, and
// keeps the offsets for the rest of the run. Every strip page drawn, preview
// and paper, reads them.
//
// A printer may keep its own pair: with "このプリンタの調整値として保存する"
// ticked, OK keeps the offsets for the printer shown, and the pairs are
// written to the settings file's Adjust section when the program ends.
// When the program starts, and whenever a print dialog picks another
// printer, a kept pair of that printer becomes the offsets in force.
// "テスト印刷" prints the calibration page with the offsets as typed.

#include "print/strippage.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class SettingsStore;

// One-line entry of an offset: Enter goes to the dialog's default button,
// and the focus selects the whole text so that typing replaces it.
class OffsetEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit OffsetEdit(QWidget *parent = nullptr);
    QString firstLine() const;
    void setFirstLine(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
};

class TFAdjust : public QDialog
{
    Q_OBJECT

public:
    static const QString NotNumberMessage; // "数字のみ入力してください。"
    static const QString NoPrinterText;    // "なし": no printer is known

    // Prints the calibration page with the offsets typed in the dialog.
    using TestPrint = std::function<void(QWidget *parent, const print::Adjustment &typed)>;

    // Reads the kept pairs and takes the one of the system's default printer.
    // Its place and the kept pairs are read from and written to `settings`.
    TFAdjust(SettingsStore &settings, QWidget *parent = nullptr);
    // Writes the position and the kept pairs changed during the run.
    ~TFAdjust() override;

    print::Adjustment adjustment() const { return m_adjustment; }
    // Shows the dialog modally for the printer the next print run will use
    // ("なし" when none is known yet).
    int execFor(const QString &printerName, TestPrint testPrint = {});
    // The printer in use has changed: its kept pair, when it has one,
    // becomes the offsets in force; an open dialog shows the new name and
    // lets its pair be kept.
    void usePrinter(const QString &printerName);
    // The pair kept for a printer (names are matched without regard to
    // letter case, as the print system and the settings file match them).
    std::optional<print::Adjustment> keptAdjustment(const QString &printerName) const;

public Q_SLOTS:
    void okClicked();
    void testPrintClicked();

private:
    struct Kept
    {
        QString printer;
        print::Adjustment adjustment;
    };
    bool checkEntry(OffsetEdit *memo);
    void showPrinter(const QString &printerName);
    qsizetype keptIndex(const QString &printerName) const;
    void loadKept(const SettingsStore &settings);
    void saveKept(SettingsStore &settings) const;
    void keep(const QString &printerName, bool on);

    SettingsStore &m_settings;
    print::Adjustment m_adjustment;
    QList<Kept> m_kept;
    QStringList m_changed; // printers whose pair was kept or dropped this run
    QString m_shownPrinter;
    TestPrint m_testPrint;

    // The widgets, named after these fields (tests find them by name).
    QLabel *defaultPrinterLabel = nullptr;
    QLabel *LabelPrinter = nullptr;
    QLabel *verticalLabel = nullptr;
    OffsetEdit *verticalEdit = nullptr;
    QLabel *verticalUnit = nullptr;
    QLabel *verticalRule = nullptr;
    QLabel *horizontalLabel = nullptr;
    OffsetEdit *horizontalEdit = nullptr;
    QLabel *horizontalUnit = nullptr;
    QLabel *horizontalRule = nullptr;
    QCheckBox *CheckBoxKeep = nullptr;
    QPushButton *testPrintButton = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
