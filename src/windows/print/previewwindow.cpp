#include "windows/print/previewwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace print {

namespace {

// The close button stays at the right edge of the bar.
class TopBar : public QWidget
{
public:
    using QWidget::QWidget;
    QPushButton *rightButton = nullptr;

protected:
    void resizeEvent(QResizeEvent *e) override
    {
        QWidget::resizeEvent(e);
        if (rightButton)
            rightButton->move(width() - rightButton->width() - 10, 4);
    }
};

} // namespace

QPushButton *barButton(QWidget *bar, const QString &caption, const QString &hint, const char *name, int left)
{
    auto *b = new QPushButton(caption, bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, 4, 70, 20);
    // Enter presses the focused button; elsewhere it prints (the default).
    b->setAutoDefault(true);
    const qsizetype bar_ = hint.indexOf(u'|');
    b->setToolTip(hint.left(bar_));
    b->setStatusTip(hint.mid(bar_ + 1));
    return b;
}

PreviewDialog::PreviewDialog(QWidget *parent) : QDialog(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new TopBar(this);
    bar->setFixedHeight(30);
    printButton = barButton(bar, QStringLiteral("印刷"), QStringLiteral("印刷|印刷を開始します"), "printButton", 10);
    printButton->setDefault(true);
    previousButton = barButton(bar, QStringLiteral("<<前ﾍﾟｰｼﾞ"), QStringLiteral("前ﾍﾟｰｼﾞ|前ﾍﾟｰｼﾞに戻ります"),
                               "previousButton", 84);
    nextButton = barButton(bar, QStringLiteral("次ﾍﾟｰｼﾞ>>"), QStringLiteral("次ﾍﾟｰｼﾞ|次ﾍﾟｰｼﾞに進みます"),
                           "nextButton", 158);
    closeButton = barButton(bar, QStringLiteral("閉じる"), QStringLiteral("閉じる|印刷ﾌﾟﾚﾋﾞｭｰを閉じます"),
                            "closeButton", 0);
    bar->rightButton = closeButton;
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(bar);

    pageScroll = new QScrollArea(this);
    pageScroll->setObjectName(QStringLiteral("pageScroll"));
    pageScroll->setWidgetResizable(false);
    pageScroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pageScroll->horizontalScrollBar()->setTracking(true);
    pageScroll->verticalScrollBar()->setTracking(true);
    pageLabel = new QLabel;
    pageLabel->setObjectName(QStringLiteral("pageLabel"));
    pageLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pageScroll->setWidget(pageLabel);
    layout->addWidget(pageScroll, 1);
    setMinimumSize(640, 480);
    setSizeGripEnabled(true);
}

} // namespace print
