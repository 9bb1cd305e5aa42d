#pragma once
// The command line of the window program: tavrel [FILE], --help and
// --version, and what it says when there is no display to show a window on.
// All of it is read before any application object exists, so none of it
// needs a display.

#include <QString>
#include <QStringList>

namespace commandline {

struct StartRequest
{
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    QString file;  // the register to open, as given; empty for none
    QString error; // UsageError: what is wrong, without the program name
};

// args: the arguments after the program name. --help (-h) and --version
// win over everything else before "--"; "--" ends the options.
StartRequest parse(const QStringList &args);
// The usage lines that start the help and follow a usage error.
QString usage();
QString help();
// What --version prints for `program` (tavrel, tavrel-cli).
QString versionText(const QString &program);

// True when a display is named (DISPLAY, WAYLAND_DISPLAY) or a platform is
// chosen (QT_QPA_PLATFORM); without any of them no window can be shown.
bool displayGiven();
// The one line said when no window can be shown; display names the display
// that could not be opened, empty when none was given.
QString noDisplayMessage(const QString &display);

// Watches the construction of the GUI application: when its platform cannot
// start (a display that is gone or refuses the connection), Qt would print
// several lines and abort; instead the process says noDisplayMessage() and
// ends with exit code 1. Qt's messages from the attempt are held back and
// passed on once the platform has started (started()).
class PlatformStartGuard
{
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard &) = delete;
    PlatformStartGuard &operator=(const PlatformStartGuard &) = delete;
    void started();
};

} // namespace commandline
