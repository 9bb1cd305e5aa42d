#pragma once
// TMainSub: the program folder, the per-user settings folder and the
// settings store. The main window owns the one instance of a run and hands
// the store to the windows that keep settings.

#include "platform/settingsstore.h"

#include <QString>
#include <memory>

class TMainSub
{
public:
    // executablePath defaults to the running program.
    explicit TMainSub(const QString &executablePath = QString());
    ~TMainSub();

    QString programFolder() const { return m_programFolder; }
    QString settingsFolder() const { return m_settingsFolder; }
    SettingsStore &settings() { return *m_settings; }

    // The executable's file name up to its last "."; a name without a dot is
    // used whole (Linux executables carry no extension).
    static QString baseName(const QString &fileName);
    // $APPDATA when set and not empty, else $XDG_CONFIG_HOME, else ~/.config.
    static QString userDataFolder();

private:
    QString m_programFolder;
    QString m_settingsFolder;
    std::unique_ptr<SettingsStore> m_settings;
};
