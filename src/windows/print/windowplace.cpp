#include "windows/print/windowplace.h"

#include "platform/settingsstore.h"
#include "windows/common/screenplace.h"

#include <QWidget>

namespace print {

namespace {
const QString Position = QStringLiteral("Position");
}

void restoreWindowPlace(SettingsStore &s, QWidget *w, const QString &prefix, int width, int height)
{
    const int top = s.readInteger(Position, prefix + QStringLiteral("Top"), 0);
    const int left = s.readInteger(Position, prefix + QStringLiteral("Left"), 0);
    const int wd = s.readInteger(Position, prefix + QStringLiteral("Width"), width);
    const int ht = s.readInteger(Position, prefix + QStringLiteral("Height"), height);
    // The position is the frame's, as the other windows keep theirs.
    w->resize(wd, ht);
    screenplace::moveOnScreen(w, QPoint(left, top));
    const int state = s.readInteger(Position, prefix + QStringLiteral("WState"), 0);
    w->setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
}

void saveWindowPlace(SettingsStore &s, QWidget *w, const QString &prefix)
{
    const Qt::WindowStates st = w->windowState();
    const int state = st & Qt::WindowMinimized ? 1 : st & (Qt::WindowMaximized | Qt::WindowFullScreen) ? 2 : 0;
    if (state == 0) {
        s.writeInteger(Position, prefix + QStringLiteral("Top"), w->y());
        s.writeInteger(Position, prefix + QStringLiteral("Left"), w->x());
        s.writeInteger(Position, prefix + QStringLiteral("Width"), w->width());
        s.writeInteger(Position, prefix + QStringLiteral("Height"), w->height());
    }
    s.writeInteger(Position, prefix + QStringLiteral("WState"), state);
}

} // namespace print
