#include "windows/common/screenplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace screenplace {

QPoint reachablePosition(const QRect &frame, const QList<QRect> &screens)
{
    // The band along the top edge holds the title bar; enough of it must lie
    // on one screen to grab it.
    constexpr int TitleBand = 30;
    constexpr int MinGrip = 100;
    const int grip = std::min(MinGrip, std::max(1, frame.width()));
    const QRect band(frame.left(), frame.top(), std::max(1, frame.width()), TitleBand);
    for (const QRect &s : screens) {
        const QRect on = band.intersected(s);
        if (on.height() == TitleBand && on.width() >= grip)
            return frame.topLeft();
    }
    if (screens.isEmpty())
        return frame.topLeft();
    // The screen nearest to the frame's centre.
    const QPoint c = frame.center();
    const QRect *best = &screens.first();
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect &s : screens) {
        const qint64 dx = c.x() < s.left() ? s.left() - c.x() : c.x() > s.right() ? c.x() - s.right() : 0;
        const qint64 dy = c.y() < s.top() ? s.top() - c.y() : c.y() > s.bottom() ? c.y() - s.bottom() : 0;
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = &s;
        }
    }
    const QRect &s = *best;
    const int x = std::clamp(frame.left(), s.left() - band.width() + grip, std::max(s.left(), s.right() + 1 - grip));
    const int y = std::clamp(frame.top(), s.top(), std::max(s.top(), s.bottom() + 1 - TitleBand));
    return QPoint(x, y);
}

void moveOnScreen(QWidget *window, const QPoint &topLeft)
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    window->move(reachablePosition(QRect(topLeft, window->size()), screens));
}

} // namespace screenplace
