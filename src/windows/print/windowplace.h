#pragma once
// Position, size and state of a print window in the settings store: the
// position and size are restored and saved only while the window's state is
// normal; the state (0 normal, 1 minimised, 2 maximised) always.

class QWidget;
class QString;
class SettingsStore;

namespace print {

void restoreWindowPlace(SettingsStore &settings, QWidget *w, const QString &prefix, int width, int height);
void saveWindowPlace(SettingsStore &settings, QWidget *w, const QString &prefix);

} // namespace print
