#pragma once
// TFAdjust: the printer fine adjustment. Shows the printer in use and the
// vertical and horizontal offsets in mm, checks what the user types, and
// keeps the offsets for the rest of the run (they are not saved). Every
// strip page drawn, preview and paper, reads them.

#include "print/strippage.h"

#include <QDialog>
#include <QPlainTextEdit>

class QLabel;
class QPushButton;

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

    explicit TFAdjust(QWidget *parent = nullptr);
    ~TFAdjust() override;

    print::Adjustment adjustment() const { return m_adjustment; }
    // Shows the dialog modally for the printer in use.
    int execFor(const QString &printerName);

    QLabel *Label1 = nullptr;
    QLabel *LabelPrinter = nullptr;
    QLabel *Label3 = nullptr;
    OffsetEdit *Memo1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label4 = nullptr;
    OffsetEdit *Memo2 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label8 = nullptr;
    QPushButton *Button_OK = nullptr;
    QPushButton *Button_CANCEL = nullptr;

public Q_SLOTS:
    void Button_OKClick();

private:
    bool checkEntry(OffsetEdit *memo);
    print::Adjustment m_adjustment;
};
