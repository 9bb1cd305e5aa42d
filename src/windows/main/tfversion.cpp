#include "windows/main/tfversion.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

const QString TFVersion::RightsLine = QStringLiteral("Copyright (C) Tavrel project");
const QString TFVersion::Notice = QStringLiteral("このソフトウェアは現状のまま提供されます。\n"
                                                 "使用によって生じた損害について、作者は\n"
                                                 "一切の責任を負いません。印刷の前に必ず\n"
                                                 "プレビューで内容を確認してください。\n");

namespace {

// The part of v before its first ".", or nothing when it has none.
QString beforeDot(const QString &v)
{
    const qsizetype dot = v.indexOf(u'.');
    return dot < 0 ? QString() : v.left(dot);
}

// Removes v up to and including its first "." (nothing when it has none).
void dropThroughDot(QString &v)
{
    v.remove(0, v.indexOf(u'.') + 1);
}

QFont dialogFont(int pixels, bool boldItalic)
{
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(pixels);
    f.setBold(boldItalic);
    f.setItalic(boldItalic);
    return f;
}

} // namespace

QString TFVersion::versionLine(const QString &programVersion)
{
    QString v = programVersion;
    const qsizetype dot = v.indexOf(u'.');
    QString result = v.left(dot + 1); // the major number and its dot
    v.remove(0, dot + 1);
    result += beforeDot(v); // the minor number
    dropThroughDot(v);
    result += beforeDot(v); // the third number, without a separator
    return QStringLiteral("Version ") + result + QStringLiteral("N ");
}

QImage TFVersion::drawLogo()
{
    QImage image(233, 35, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(33);
    font.setWeight(QFont::Black);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 7);
    QPainterPath path;
    const QString name = QStringLiteral("TAVREL");
    const QFontMetrics fm(font);
    const int x = (image.width() - fm.horizontalAdvance(name)) / 2;
    path.addText(x + 3, 30, font, name);
    QLinearGradient shade(0, 4, 0, 31);
    shade.setColorAt(0, QColor(255, 236, 64));
    shade.setColorAt(0.55, QColor(255, 170, 20));
    shade.setColorAt(1, QColor(232, 96, 0));
    // A wide outline drawn with round joins first rounds the letters off;
    // the fill and a thin dark line then sit on top of it.
    p.strokePath(path, QPen(QColor(72, 40, 8), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, shade);
    p.strokePath(path, QPen(QColor(72, 40, 8, 140), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return image;
}

TFVersion::TFVersion(QWidget *parent, const QString &programVersion) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(dialogFont(12, false));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setFixedSize(Width, Height);

    logoLabel = new QLabel(this);

    logoLabel->setObjectName(QStringLiteral("logoLabel"));
    logoLabel->setGeometry(24, 24, 235, 34);
    logoLabel->setPixmap(QPixmap::fromImage(drawLogo()));
    logoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    LabelVersion = new QLabel(versionLine(programVersion), this);

    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setFont(dialogFont(13, true));
    LabelVersion->move(28, 72);
    LabelVersion->adjustSize();

    LabelCopyright = new QLabel(RightsLine, this);

    LabelCopyright->setObjectName(QStringLiteral("LabelCopyright"));
    LabelCopyright->setFont(dialogFont(13, true));
    LabelCopyright->move(28, 86);
    LabelCopyright->adjustSize();

    separatorRule = new QWidget(this);

    separatorRule->setObjectName(QStringLiteral("separatorRule"));
    separatorRule->setGeometry(24, 110, 343, 2);
    separatorRule->setAutoFillBackground(true);
    QPalette rule = separatorRule->palette();
    rule.setColor(QPalette::Window, QColor(128, 128, 128));
    separatorRule->setPalette(rule);

    descriptionLabel = new QLabel(Notice, this);

    descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    descriptionLabel->setGeometry(28, 130, 250, 60);
    descriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);

    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setGeometry(292, 170, 75, 23);
    ButtonOk->setDefault(true);
    ButtonOk->setAutoDefault(true);
    // Enter presses the default button; Esc rejects the dialog.
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TFVersion::showEvent(QShowEvent *event)
{
    setFixedSize(Width, Height);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(Width / 2, Height / 2));
    ButtonOk->setFocus();
    QDialog::showEvent(event);
}
