#pragma once
// Where a window goes when its stored place is restored. A place left from
// another screen setup (a screen since removed, a smaller resolution) is
// brought back so that the title bar can be grabbed: a modal window opened
// off every screen would leave the program blocked with nothing to close.

#include <QList>
#include <QPoint>
#include <QRect>

class QWidget;

namespace screenplace {

// The top-left corner for a window frame so that enough of its title bar
// lies on one of the screens: the frame's own corner when it does, else
// the nearest corner on the screen nearest to the frame's centre.
QPoint reachablePosition(const QRect &frame, const QList<QRect> &screens);

// Moves the window's frame to topLeft, or to the nearest reachable place
// on the screens there are now; the window keeps its size.
void moveOnScreen(QWidget *window, const QPoint &topLeft);

} // namespace screenplace
