#include "print/previewwindow.h"

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
    b->setAutoDefault(false);
    const qsizetype bar_ = hint.indexOf(u'|');
    b->setToolTip(hint.left(bar_));
    b->setStatusTip(hint.mid(bar_ + 1));
    return b;
}

PreviewFrame buildPreviewFrame(QDialog *dialog, const char *printName, const char *previousName,
                               const char *nextName)
{
    PreviewFrame f;
    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new TopBar(dialog);
    bar->setFixedHeight(30);
    f.print = barButton(bar, QStringLiteral("印刷"), QStringLiteral("印刷|印刷を開始します"), printName, 10);
    f.print->setDefault(true);
    f.previous = barButton(bar, QStringLiteral("<<前ﾍﾟｰｼﾞ"), QStringLiteral("前ﾍﾟｰｼﾞ|前ﾍﾟｰｼﾞに戻ります"),
                           previousName, 84);
    f.next = barButton(bar, QStringLiteral("次ﾍﾟｰｼﾞ>>"), QStringLiteral("次ﾍﾟｰｼﾞ|次ﾍﾟｰｼﾞに進みます"), nextName,
                       158);
    f.close = barButton(bar, QStringLiteral("閉じる"), QStringLiteral("閉じる|印刷ﾌﾟﾚﾋﾞｭｰを閉じます"),
                        "closeButton", 0);
    bar->rightButton = f.close;
    QObject::connect(f.close, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addWidget(bar);

    f.scroll = new QScrollArea(dialog);
    f.scroll->setObjectName(QStringLiteral("pageScroll"));
    f.scroll->setWidgetResizable(false);
    f.scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    f.scroll->horizontalScrollBar()->setTracking(true);
    f.scroll->verticalScrollBar()->setTracking(true);
    f.image = new QLabel;
    f.image->setObjectName(QStringLiteral("pageLabel"));
    f.image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    f.scroll->setWidget(f.image);
    layout->addWidget(f.scroll, 1);
    dialog->setMinimumSize(640, 480);
    dialog->setSizeGripEnabled(true);
    return f;
}

} // namespace print
