#include "print/tfadjust.h"

#include "app/mainsub.h"
#include "platform/userdialogs.h"
#include "print/adjustment.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>

const QString TFAdjust::NotNumberMessage = QStringLiteral("数字のみ入力してください。");

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

TFAdjust::TFAdjust(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FAdjust"));
    setWindowTitle(QStringLiteral("プリンタの微調整"));
    setFixedSize(321, 290);
    setSizeGripEnabled(false);

    auto *upper = new QFrame(this);
    upper->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    upper->setGeometry(8, 8, 305, 64);
    Label1 = new QLabel(QStringLiteral("通常使うプリンタ"), upper);
    Label1->setGeometry(12, 10, 280, 16);
    LabelPrinter = new QLabel(QStringLiteral("なし"), upper);
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
    row(92, QStringLiteral("縦方向(&V)"), QStringLiteral("（マイナスで上方／プラスで下方）"), Label3, Memo1, Label5,
        Label7, "Memo1");
    row(160, QStringLiteral("横方向(&H)"), QStringLiteral("（マイナスで左／プラスで右）"), Label4, Memo2, Label6,
        Label8, "Memo2");

    Button_OK = new QPushButton(QStringLiteral("OK"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(72, 246, 80, 26);
    Button_OK->setDefault(true);
    Button_OK->setAutoDefault(false);
    Button_CANCEL = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Button_CANCEL->setObjectName(QStringLiteral("Button_CANCEL"));
    Button_CANCEL->setGeometry(168, 246, 80, 26);
    Button_CANCEL->setAutoDefault(false);
    connect(Button_OK, &QPushButton::clicked, this, &TFAdjust::Button_OKClick);
    connect(Button_CANCEL, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(Memo1, Memo2);
    setTabOrder(Memo2, Button_OK);
    setTabOrder(Button_OK, Button_CANCEL);

    if (MainSub) {
        SettingsStore &s = MainSub->settings();
        move(s.readInteger(QStringLiteral("Position"), QStringLiteral("AdjustLeft"), 100),
             s.readInteger(QStringLiteral("Position"), QStringLiteral("AdjustTop"), 100));
    }
}

TFAdjust::~TFAdjust()
{
    if (MainSub) {
        SettingsStore &s = MainSub->settings();
        s.writeInteger(QStringLiteral("Position"), QStringLiteral("AdjustTop"), y());
        s.writeInteger(QStringLiteral("Position"), QStringLiteral("AdjustLeft"), x());
    }
}

int TFAdjust::execFor(const QString &printerName)
{
    LabelPrinter->setText(printerName);
    Memo1->setPlainText(print::formatAdjustment(m_adjustment.vertical));
    Memo2->setPlainText(print::formatAdjustment(m_adjustment.horizontal));
    Memo1->setFocus(Qt::OtherFocusReason);
    Memo1->selectAll();
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

void TFAdjust::Button_OKClick()
{
    if (!checkEntry(Memo1) || !checkEntry(Memo2))
        return;
    const Fixed4 vertical = print::adjustmentValue(Memo1->firstLine());
    const Fixed4 horizontal = print::adjustmentValue(Memo2->firstLine());
    Memo1->setFirstLine(print::formatAdjustment(vertical));
    Memo2->setFirstLine(print::formatAdjustment(horizontal));
    m_adjustment = {vertical, horizontal};
    accept();
}
