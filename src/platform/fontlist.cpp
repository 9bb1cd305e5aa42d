#include "platform/fontlist.h"

#include <QFontDatabase>
#include <QPainter>

QStringList fontMarkList()
{
    QStringList out;
    QStringList names;
    for (const QString &family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        names.append(family);
        out.append(family + (QFontDatabase::isSmoothlyScalable(family) ? u't' : u'u'));
    }
    for (const char16_t *face : {u"ＭＳ 明朝", u"ＭＳ Ｐ明朝", u"ＭＳ ゴシック", u"ＭＳ Ｐゴシック"}) {
        const QString name = QString::fromUtf16(face);
        if (!names.contains(name, Qt::CaseInsensitive))
            out.append(name + u't');
    }
    return out;
}

QImage trueTypeMark()
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    auto letterT = [&p](int x, int y, const QColor &c) {
        p.fillRect(x, y, 9, 2, c);     // bar
        p.fillRect(x + 3, y, 3, 10, c); // stem
    };
    letterT(1, 1, QColor(128, 128, 128));
    letterT(6, 5, Qt::black);
    return img;
}
