#pragma once
// What every benchmark starts with: its size from the command line, the
// offscreen platform when there is no display, and times in milliseconds.

#include <QElapsedTimer>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

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

struct ProcessRun
{
    double ms = 1e18;
    long maxRssKb = 0;
    int status = -1;
    double peakMb() const { return maxRssKb / 1024.0; }
    int exitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

// Runs a program with its standard output and error to /dev/null; best wall
// time of `runs`, and the largest peak resident size any run reached.
// `before` (untimed) prepares each run, e.g. a fresh copy of the file a
// writing command changes.
inline ProcessRun runProcess(const QStringList &argv, int runs = 3, const std::function<void()> &before = {})
{
    ProcessRun best;
    for (int run = 0; run < runs; ++run) {
        if (before)
            before();
        std::vector<QByteArray> args;
        for (const QString &a : argv)
            args.push_back(a.toLocal8Bit());
        std::vector<char *> cargs;
        for (QByteArray &a : args)
            cargs.push_back(a.data());
        cargs.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        QElapsedTimer t;
        t.start();
        pid_t pid = 0;
        if (posix_spawnp(&pid, cargs[0], &fa, nullptr, cargs.data(), environ) != 0) {
            posix_spawn_file_actions_destroy(&fa);
            return best;
        }
        int status = 0;
        rusage ru{};
        wait4(pid, &status, 0, &ru);
        const double elapsed = ms(t);
        posix_spawn_file_actions_destroy(&fa);
        best.ms = std::min(best.ms, elapsed);
        best.maxRssKb = std::max(best.maxRssKb, ru.ru_maxrss);
        best.status = status;
    }
    return best;
}

} // namespace bench
