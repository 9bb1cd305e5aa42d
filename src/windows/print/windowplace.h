#pragma once
// Position, size and state of a print window in the settings store: the
// position and size are restored and saved only while the window's state is
// normal; the state (0 normal, 1 minimised, 2 maximised) always.

#include "windows/common/appsettings.h"

class QWidget;

namespace print {

void restoreWindowPlace(SettingsStore &settings, QWidget *w, const appsettings::WindowPlace &place);
void saveWindowPlace(SettingsStore &settings, QWidget *w, const appsettings::WindowPlace &place);

} // namespace print
