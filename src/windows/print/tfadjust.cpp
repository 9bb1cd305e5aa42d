#include "windows/print/tfadjust.h"
#include "windows/common/appsettings.h"

#include "platform/settingsstore.h"
#include "print/adjustment.h"
#include "windows/common/screenplace.h"
#include "windows/common/userdialogs.h"
#include "windows/print/printers.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>

const QString TFAdjust::NotNumberMessage = QStringLiteral("数字のみ入力してください。");
const QString TFAdjust::NoPrinterText = QStringLiteral("なし");

OffsetEdit::OffsetEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignRight);
    document()->setDefaultTextOption(option);
    document()->setDocumentMargin(1);
}

QString OffsetEdit::firstLine() const
{
    return document()->firstBlock().text();
}

void OffsetEdit::setFirstLine(const QString &text)
{
    QTextCursor c(document()->firstBlock());
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(text);
}

void OffsetEdit::keyPressEvent(QKeyEvent *e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !(e->modifiers() & ~Qt::KeypadModifier)) {
        e->ignore(); // the dialog presses its default button
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        e->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void OffsetEdit::focusInEvent(QFocusEvent *e)
{
    QPlainTextEdit::focusInEvent(e);
    selectAll();
}

TFAdjust::TFAdjust(SettingsStore &settings, QWidget *parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("FAdjust"));
    setWindowTitle(QStringLiteral("プリンタの微調整"));
    setFixedSize(321, 290);
    setSizeGripEnabled(false);

    auto *upper = new QFrame(this);
    upper->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    upper->setGeometry(8, 8, 305, 64);
    defaultPrinterLabel = new QLabel(QStringLiteral("通常使うプリンタ"), upper);
    defaultPrinterLabel->setObjectName(QStringLiteral("defaultPrinterLabel"));
    defaultPrinterLabel->setGeometry(12, 10, 280, 16);
    LabelPrinter = new QLabel(NoPrinterText, upper);
    LabelPrinter->setObjectName(QStringLiteral("LabelPrinter"));
    LabelPrinter->setGeometry(24, 34, 270, 18);
    QFont bold = LabelPrinter->font();
    bold.setBold(true);
    LabelPrinter->setFont(bold);

    auto row = [this](int y, const QString &caption, const QString &sign, QLabel *&label, OffsetEdit *&memo,
                      QLabel *&unit, QLabel *&rule, const char *memoName) {
        label = new QLabel(caption, this);
        label->setGeometry(20, y + 2, 80, 16);
        memo = new OffsetEdit(this);
        memo->setObjectName(QString::fromLatin1(memoName));
        memo->setGeometry(104, y, 60, 20);
        label->setBuddy(memo);
        unit = new QLabel(QStringLiteral("mm"), this);
        unit->setGeometry(170, y + 2, 30, 16);
        rule = new QLabel(sign, this);
        rule->setGeometry(40, y + 28, 270, 16);
    };
    row(92, QStringLiteral("縦方向(&V)"), QStringLiteral("（マイナスで上方／プラスで下方）"), verticalLabel, verticalEdit, verticalUnit,
        verticalRule, "verticalEdit");
    row(160, QStringLiteral("横方向(&H)"), QStringLiteral("（マイナスで左／プラスで右）"), horizontalLabel, horizontalEdit, horizontalUnit,
        horizontalRule, "horizontalEdit");
    for (const auto &[part, name] : {std::pair<QWidget *, const char *>{verticalLabel, "verticalLabel"},
                                     {verticalUnit, "verticalUnit"},
                                     {verticalRule, "verticalRule"},
                                     {horizontalLabel, "horizontalLabel"},
                                     {horizontalUnit, "horizontalUnit"},
                                     {horizontalRule, "horizontalRule"}})
        part->setObjectName(QLatin1String(name));

    CheckBoxKeep = new QCheckBox(QStringLiteral("このプリンタの調整値として保存する(&K)"), this);
    CheckBoxKeep->setObjectName(QStringLiteral("CheckBoxKeep"));
    CheckBoxKeep->setGeometry(20, 214, 290, 20);
    testPrintButton = new QPushButton(QStringLiteral("テスト印刷(&T)"), this);
    testPrintButton->setObjectName(QStringLiteral("testPrintButton"));
    testPrintButton->setGeometry(16, 246, 96, 26);
    // Enter presses the focused button; in the entries it presses OK.
    testPrintButton->setAutoDefault(true);
    testPrintButton->setToolTip(QStringLiteral("入力した値で位置確認用のページを印刷します"));
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(124, 246, 80, 26);
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(216, 246, 80, 26);
    cancelButton->setAutoDefault(true);
    connect(okButton, &QPushButton::clicked, this, &TFAdjust::okClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(testPrintButton, &QPushButton::clicked, this, &TFAdjust::testPrintClicked);
    setTabOrder(verticalEdit, horizontalEdit);
    setTabOrder(horizontalEdit, CheckBoxKeep);
    setTabOrder(CheckBoxKeep, testPrintButton);
    setTabOrder(testPrintButton, okButton);
    setTabOrder(okButton, cancelButton);

    screenplace::moveOnScreen(this, appsettings::read(m_settings, appsettings::AdjustPlace));
    loadKept(m_settings);
    usePrinter(printers::defaultPrinterName());
}

TFAdjust::~TFAdjust()
{
    appsettings::write(m_settings, appsettings::AdjustPlace, pos());
    saveKept(m_settings);
}

// ---------------------------------------------------------------- kept pairs

qsizetype TFAdjust::keptIndex(const QString &printerName) const
{
    for (qsizetype i = 0; i < m_kept.size(); ++i)
        if (m_kept.at(i).printer.compare(printerName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::optional<print::Adjustment> TFAdjust::keptAdjustment(const QString &printerName) const
{
    const qsizetype i = keptIndex(printerName);
    if (i < 0)
        return std::nullopt;
    return m_kept.at(i).adjustment;
}

// A key that names no printer and a value that is no pair are passed over
// (the printer then has no pair); the first key of a printer counts, as it
// does for every other setting.
void TFAdjust::loadKept(const SettingsStore &settings)
{
    QStringList seen;
    for (const auto &[key, value] : settings.entries(appsettings::AdjustSection)) {
        const QString printer = print::printerOfAdjustKey(key);
        if (printer.isEmpty() || seen.contains(printer, Qt::CaseInsensitive))
            continue;
        seen.append(printer);
        if (const std::optional<print::Adjustment> a = print::parseAdjustPair(value))
            m_kept.append({printer, *a});
    }
}

// Only the printers whose pair changed are written, so that the lines of the
// others stay as they were, even those this program could not read.
void TFAdjust::saveKept(SettingsStore &settings) const
{
    for (const QString &printer : m_changed) {
        const QString key = print::adjustKeyOfPrinter(printer);
        if (const std::optional<print::Adjustment> a = keptAdjustment(printer))
            settings.writeString(appsettings::AdjustSection, key, print::formatAdjustPair(*a));
        else
            settings.removeKey(appsettings::AdjustSection, key);
    }
}

void TFAdjust::keep(const QString &printerName, bool on)
{
    if (printerName.isEmpty())
        return;
    const qsizetype i = keptIndex(printerName);
    if (on) {
        if (i >= 0)
            m_kept[i].adjustment = m_adjustment;
        else
            m_kept.append({printerName, m_adjustment});
    } else if (i >= 0) {
        m_kept.removeAt(i);
    } else {
        return;
    }
    if (!m_changed.contains(printerName, Qt::CaseInsensitive))
        m_changed.append(printerName);
}

void TFAdjust::usePrinter(const QString &printerName)
{
    if (const std::optional<print::Adjustment> a = keptAdjustment(printerName))
        m_adjustment = *a;
    if (isVisible())
        showPrinter(printerName);
}

void TFAdjust::showPrinter(const QString &printerName)
{
    m_shownPrinter = printerName;
    LabelPrinter->setText(printerName.isEmpty() ? NoPrinterText : printerName);
    // A pair can only be kept for a printer that is known.
    CheckBoxKeep->setEnabled(!printerName.isEmpty());
}

// ---------------------------------------------------------------- dialog

int TFAdjust::execFor(const QString &printerName, TestPrint testPrint)
{
    m_testPrint = std::move(testPrint);
    testPrintButton->setEnabled(bool(m_testPrint));
    showPrinter(printerName);
    CheckBoxKeep->setChecked(keptAdjustment(printerName).has_value());
    verticalEdit->setPlainText(print::formatAdjustment(m_adjustment.vertical));
    horizontalEdit->setPlainText(print::formatAdjustment(m_adjustment.horizontal));
    verticalEdit->setFocus(Qt::OtherFocusReason);
    verticalEdit->selectAll();
    return exec();
}

bool TFAdjust::checkEntry(OffsetEdit *memo)
{
    if (print::adjustmentTextAccepted(memo->firstLine()))
        return true;
    UserDialogs::current().error(this, NotNumberMessage);
    memo->setFocus(Qt::OtherFocusReason);
    memo->selectAll();
    return false;
}

void TFAdjust::okClicked()
{
    if (!checkEntry(verticalEdit) || !checkEntry(horizontalEdit))
        return;
    const Fixed4 vertical = print::adjustmentValue(verticalEdit->firstLine());
    const Fixed4 horizontal = print::adjustmentValue(horizontalEdit->firstLine());
    verticalEdit->setFirstLine(print::formatAdjustment(vertical));
    horizontalEdit->setFirstLine(print::formatAdjustment(horizontal));
    m_adjustment = {vertical, horizontal};
    keep(m_shownPrinter, CheckBoxKeep->isChecked());
    accept();
}

void TFAdjust::testPrintClicked()
{
    if (!checkEntry(verticalEdit) || !checkEntry(horizontalEdit) || !m_testPrint)
        return;
    m_testPrint(this, {print::adjustmentValue(verticalEdit->firstLine()), print::adjustmentValue(horizontalEdit->firstLine())});
}
