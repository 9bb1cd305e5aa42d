#include "platform/commandline.h"

#include <QList>
#include <QtGlobal>
#include <cstdio>
#include <tuple>
#include <unistd.h>

namespace commandline {

StartRequest parse(const QStringList &args)
{
    StartRequest request;
    QStringList files;
    bool options = true;
    for (const QString &a : args) {
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            return {StartRequest::Action::Help, {}, {}};
        } else if (options && a == QLatin1String("--version")) {
            return {StartRequest::Action::Version, {}, {}};
        } else if (options && a.size() > 1 && a.startsWith(u'-')) {
            if (request.error.isEmpty())
                request.error = QStringLiteral("unknown option '%1'").arg(a);
        } else {
            files.append(a);
        }
    }
    if (request.error.isEmpty() && files.size() > 1)
        request.error = QStringLiteral("one register at a time: %1 files were given").arg(files.size());
    if (request.error.isEmpty() && files.size() == 1 && files.constFirst().isEmpty())
        request.error = QStringLiteral("the file name is empty");
    if (!request.error.isEmpty()) {
        request.action = StartRequest::Action::UsageError;
        return request;
    }
    if (!files.isEmpty())
        request.file = files.constFirst();
    return request;
}

QString usage()
{
    return QStringLiteral("usage: tavrel [FILE]\n"
                          "       tavrel --help | --version\n");
}

QString help()
{
    return usage()
           + QStringLiteral(
               "\n"
               "Tavrel prepares and prints the designation strips of business key\n"
               "telephones. This is the window program; tavrel-cli works on the same\n"
               "registers from the command line.\n"
               "\n"
               "  FILE           a register (.TAV) to open, as File > Open opens it\n"
               "  -h, --help     show this help and exit\n"
               "  --version      show the version and exit\n"
               "  --             end of the options: a FILE that starts with \"-\" follows\n"
               "\n"
               "One copy runs per user. Starting tavrel again brings the running window\n"
               "to the front; with a FILE the running window opens it, after asking\n"
               "whether to save the changes to the register it holds. The second start\n"
               "then ends with exit code 1.\n"
               "\n"
               "The window needs a display. Without one, start it under Xvfb\n"
               "(xvfb-run -a tavrel), or use tavrel-cli (tavrel-cli --help).\n"
               "\n"
               "Exit codes: 0 the program ran and was closed, 1 another copy runs or\n"
               "there is no display, 2 bad usage.\n");
}

QString versionText(const QString &program)
{
    return QStringLiteral("%1 %2\n"
                          "Copyright (c) 2026 The Tavrel developers\n"
                          "Released under the MIT License; there is no warranty.\n")
        .arg(program, QStringLiteral(TAVREL_VERSION));
}

bool displayGiven()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
}

QString noDisplayMessage(const QString &display)
{
    const QString what = display.isEmpty() ? QStringLiteral("no display (DISPLAY is not set)")
                                           : QStringLiteral("cannot open the display %1").arg(display);
    return QStringLiteral("tavrel: %1; start it under Xvfb with \"xvfb-run -a tavrel\", "
                          "or work on registers with tavrel-cli")
        .arg(what);
}

namespace {

QtMessageHandler previousHandler = nullptr;
QList<std::tuple<QtMsgType, QString, QString>> heldBack; // type, category, message

void holdBack(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt gives up on its platform with a fatal message naming the plugin.
    if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
        QString display = qEnvironmentVariable("DISPLAY");
        if (display.isEmpty())
            display = qEnvironmentVariable("WAYLAND_DISPLAY");
        std::fprintf(stderr, "%s\n", noDisplayMessage(display).toLocal8Bit().constData());
        std::fflush(stderr);
        ::_exit(1);
    }
    if (type == QtFatalMsg) {
        previousHandler(type, context, message);
        return;
    }
    heldBack.append({type, QString::fromUtf8(context.category), message});
}

} // namespace

PlatformStartGuard::PlatformStartGuard()
{
    heldBack.clear();
    previousHandler = qInstallMessageHandler(holdBack);
}

void PlatformStartGuard::started()
{
    if (!previousHandler)
        return;
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
    for (const auto &[type, category, message] : std::as_const(heldBack)) {
        const QByteArray c = category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, c.constData());
        qt_message_output(type, context, message);
    }
    heldBack.clear();
}

PlatformStartGuard::~PlatformStartGuard()
{
    started();
}

} // namespace commandline
