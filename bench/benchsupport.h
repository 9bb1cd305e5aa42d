#pragma once
// What every benchmark starts with: its size from the command line, the
// offscreen platform when there is no display, and times in milliseconds.

#include <QElapsedTimer>
#include <QStringList>
#include <QtGlobal>

namespace bench {

inline double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

struct Size
{
    int entries = 2000;
    int cells = 100;
};

// Entries and cells per entry from arguments 1 and 2 (2,000 × 100 when not
// given); either may be given alone.
inline Size sizeFromArguments(const QStringList &args)
{
    Size s;
    if (args.size() > 1)
        s.entries = args.at(1).toInt();
    if (args.size() > 2)
        s.cells = args.at(2).toInt();
    return s;
}

// Windows are measured on the offscreen platform when there is no display.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
