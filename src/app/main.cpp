// Tavrel: start-up. One copy per executable name; a later start hands its
// file to the running copy. The windows are created in a fixed order and
// destroyed in reverse when the main window closes.

#include "platform/commandline.h"
#include "platform/conversion.h"
#include "platform/instancelock.h"
#include "windows/common/instancechannel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"

#include <QFileInfo>
#include <QMetaObject>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const commandline::StartRequest request = commandline::parse(args);
    switch (request.action) {
    case commandline::StartRequest::Action::Help:
        std::fputs(commandline::help().toLocal8Bit().constData(), stdout);
        return 0;
    case commandline::StartRequest::Action::Version:
        std::fputs(commandline::versionText(QStringLiteral("tavrel")).toLocal8Bit().constData(), stdout);
        return 0;
    case commandline::StartRequest::Action::UsageError:
        std::fprintf(stderr, "tavrel: %s\n%s", request.error.toLocal8Bit().constData(),
                     commandline::usage().toLocal8Bit().constData());
        return 2;
    case commandline::StartRequest::Action::Run:
        break;
    }
    // The running copy and this one may have different working folders.
    const QString file = request.file.isEmpty() ? QString() : QFileInfo(request.file).absoluteFilePath();

    const QString exeName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    InstanceLock lock(exeName);
    if (!lock.problem().isEmpty()) {
        // Another user could take the single-instance names: nothing is
        // handed over, and the program does not start unguarded.
        std::fprintf(stderr, "tavrel: %s\n", lock.problem().toLocal8Bit().constData());
        return 1;
    }
    if (!lock.acquired()) {
        // Another copy runs: it raises its window and opens the file; this
        // one shows nothing and leaves, with 0 when the running copy took
        // the request (a file manager then reports no failure) and 1 when
        // it did not answer.
        if (InstanceChannel::send(InstanceChannel::socketPath(lock.path()), file))
            return 0;
        std::fputs("tavrel: another copy is running but did not answer\n", stderr);
        return 1;
    }
    if (!commandline::displayGiven()) {
        std::fprintf(stderr, "%s\n", commandline::noDisplayMessage(QString()).toLocal8Bit().constData());
        return 1;
    }

    // The windows keep their design pixel sizes on any screen density. Qt
    // reads no option of its own from the command line.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    int qtArgc = 1;
    commandline::PlatformStartGuard guard;
    TavrelApplication app(qtArgc, argv);
    guard.started();
    TavrelApplication::listenForLaterStarts(lock.path());
    TavrelApplication::endOnStopSignals();
    try {
        createWindows();
        FMain->show();
        // The file named on the command line is opened once the main window
        // has done its first-show work, as if chosen in File ▸ Open.
        if (!file.isEmpty())
            QMetaObject::invokeMethod(
                &app, [file] { TavrelApplication::openRequested(file); }, Qt::QueuedConnection);
        // For checking an installation: once the main window has been shown
        // (its first-show work done), close it the normal way, so that the
        // run ends through the same shut-down as the user's.
        if (qEnvironmentVariableIsSet("TAVREL_CLOSE_AFTER_SHOW"))
            QMetaObject::invokeMethod(FMain, &QWidget::close, Qt::QueuedConnection);
        app.exec();
    } catch (const TavrelError &e) {
        TavrelApplication::showException(e.message());
    } catch (const std::exception &e) {
        TavrelApplication::showException(QString::fromLocal8Bit(e.what()));
    }
    destroyWindows();
    // Ended by a signal: said in the exit status as the shell says it.
    return TavrelApplication::stopSignal() != 0 ? 128 + TavrelApplication::stopSignal() : 0;
}
