#include "windows/strip/tfviewimage.h"

#include "windows/common/screenplace.h"
#include "windows/common/userdialogs.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

TFViewImage::TFViewImage(QWidget *parent, const Settings &settings) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("画像取込み"));
    setMinimumSize(360, 260);
    resize(360, 260);
    setSizeGripEnabled(true);
    screenplace::moveOnScreen(this, QPoint(settings.left, settings.top));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pictureScroll = new QScrollArea(this);
    pictureScroll->setObjectName(QStringLiteral("pictureScroll"));
    pictureScroll->setWidgetResizable(false);
    // The picture is centred while it is smaller than the area, and starts
    // at the area's edge where it is larger; this holds on every resize.
    pictureScroll->setAlignment(Qt::AlignCenter);
    pictureScroll->setFocusPolicy(Qt::StrongFocus);
    pictureLabel = new QLabel;
    pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    pictureLabel->resize(0, 0);
    pictureScroll->setWidget(pictureLabel);
    layout->addWidget(pictureScroll, 1);

    auto *bar = new QWidget(this);
    bar->setFixedHeight(40);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(10, 8, 10, 9);
    barLayout->setSpacing(8);
    auto makeButton = [bar](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(75, 23);
        b->setAutoDefault(true); // Enter presses the focused button, OK otherwise
        return b;
    };
    ButtonLoad = makeButton(QStringLiteral("取込み"), "ButtonLoad");
    ButtonClear = makeButton(QStringLiteral("クリア"), "ButtonClear");
    ButtonOK = makeButton(QStringLiteral("OK"), "ButtonOK");
    ButtonCancel = makeButton(QStringLiteral("ｷｬﾝｾﾙ"), "ButtonCancel");
    ButtonOK->setDefault(true);
    barLayout->addWidget(ButtonLoad);
    barLayout->addWidget(ButtonClear);
    barLayout->addStretch(1);
    barLayout->addWidget(ButtonOK);
    barLayout->addWidget(ButtonCancel);
    layout->addWidget(bar);

    connect(ButtonLoad, &QPushButton::clicked, this, &TFViewImage::ButtonLoadClick);
    connect(ButtonClear, &QPushButton::clicked, this, &TFViewImage::ButtonClearClick);
    connect(ButtonOK, &QPushButton::clicked, this, &TFViewImage::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFViewImage::Settings TFViewImage::settings() const
{
    Settings s = m_settings;
    s.left = x();
    s.top = y();
    return s;
}

void TFViewImage::showPicture(const QImage &picture)
{
    if (picture.isNull()) {
        pictureLabel->setPixmap(QPixmap());
        pictureLabel->resize(0, 0);
    } else {
        pictureLabel->setPixmap(QPixmap::fromImage(picture));
        pictureLabel->resize(picture.size());
    }
}

bool TFViewImage::editPicture(const QImage &picture)
{
    showPicture(picture);
    return exec() == QDialog::Accepted;
}

void TFViewImage::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_outcome = Outcome::Unchanged;
    m_file = strip::PictureFile();
    pictureScroll->setFocus(Qt::OtherFocusReason);
}

void TFViewImage::ButtonLoadClick()
{
    UserDialogs::FileRequest request;
    request.title = QStringLiteral("画像ﾌｧｲﾙ読み込み");
    request.filter = QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.jpeg)");
    request.folder = m_settings.openPicture;
    request.writable = false; // a picture is only read
    const QString path = UserDialogs::current().openFileName(this, request);
    if (path.isEmpty())
        return;
    // The folder is remembered whether or not the file loads.
    m_settings.openPicture = QFileInfo(path).absolutePath();
    strip::PictureFile file;
    const QString problem = strip::readPictureFile(path, file);
    if (!problem.isEmpty()) {
        // Refused files are never stored; the dialog keeps what it showed.
        UserDialogs::current().error(this, problem);
    } else {
        m_file = file;
        m_outcome = Outcome::Loaded;
        showPicture(m_file.image);
    }
    pictureScroll->setFocus(Qt::OtherFocusReason);
}

void TFViewImage::ButtonClearClick()
{
    const QSize area = pictureScroll->viewport()->size();
    QPixmap white(area.isEmpty() ? QSize(1, 1) : area);
    white.fill(Qt::white);
    pictureLabel->setPixmap(white);
    pictureLabel->resize(area);
    m_file = strip::PictureFile();
    m_outcome = Outcome::Cleared;
    pictureScroll->setFocus(Qt::OtherFocusReason);
}

void TFViewImage::ButtonOKClick()
{
    if (m_settings.pictureFileSizeMax < fileSize()) {
        UserDialogs::current().error(this, strip::pictureTooLargeMessage(m_settings.pictureFileSizeMax));
        return;
    }
    accept();
}
