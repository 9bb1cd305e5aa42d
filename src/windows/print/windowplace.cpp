#include "windows/print/windowplace.h"
#include "windows/common/appsettings.h"

#include "platform/settingsstore.h"
#include "windows/common/screenplace.h"

#include <QWidget>

namespace print {

void restoreWindowPlace(SettingsStore &s, QWidget *w, const appsettings::WindowPlace &place)
{
    const int top = appsettings::read(s, place.top);
    const int left = appsettings::read(s, place.left);
    const int wd = appsettings::read(s, place.width);
    const int ht = appsettings::read(s, place.height);
    // The position is the frame's, as the other windows keep theirs.
    w->resize(wd, ht);
    screenplace::moveOnScreen(w, QPoint(left, top));
    const int state = appsettings::read(s, place.state);
    w->setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
}

void saveWindowPlace(SettingsStore &s, QWidget *w, const appsettings::WindowPlace &place)
{
    const Qt::WindowStates st = w->windowState();
    const int state = st & Qt::WindowMinimized ? 1 : st & (Qt::WindowMaximized | Qt::WindowFullScreen) ? 2 : 0;
    if (state == 0) {
        appsettings::write(s, place.top, w->y());
        appsettings::write(s, place.left, w->x());
        appsettings::write(s, place.width, w->width());
        appsettings::write(s, place.height, w->height());
    }
    appsettings::write(s, place.state, state);
}

} // namespace print
