#pragma once
// The application object: one notify override shows every exception that
// escapes an event handler in a critical message box, and the program runs
// on; start-up loads Qt's Japanese texts and the font substitutions.

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
};
