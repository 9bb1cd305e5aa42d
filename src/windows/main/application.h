#pragma once
// The application object: one notify override shows every exception that
// escapes an event handler in a critical message box, and the program runs
// on; start-up loads Qt's Japanese texts and the font substitutions. The
// running program opens the files that later starts hand over.

#include <QApplication>
#include <functional>

class TavrelApplication : public QApplication
{
    Q_OBJECT

public:
    TavrelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows an error message in the standard error box (UserDialogs), or
    // hands it to the reporter when one is installed.
    static void showException(const QString &message);
    static void setExceptionReporter(std::function<void(const QString &)> reporter);

    // Serves the later starts of the program while it runs: each one that
    // finds the single-instance lock (at lockPath) taken hands over a file
    // or nothing on the local socket beside it (openRequested). False when
    // the socket cannot be made; the program then runs on without it.
    static bool listenForLaterStarts(const QString &lockPath);
    // Brings the main window to the front and, when file is not empty, opens
    // it as File ▸ Open does (the unsaved-changes question first). While a
    // modal window is open the file waits until it is closed, since that
    // window may still write into the open register.
    static void openRequested(const QString &file);

    // From now on SIGTERM, SIGHUP and SIGINT end the program through the
    // event loop: unsaved changes go to the register's recovery copy, every
    // open window and question is left, and the register lock and the
    // single-instance socket are removed as on a normal close.
    static void endOnStopSignals();
    // The signal that ended the program, 0 when none did.
    static int stopSignal();
};
