// Tavrel: start-up. One copy per executable name; the windows are created
// in a fixed order and destroyed in reverse when the main window closes.

#include "app/application.h"
#include "app/tfmain.h"
#include "app/windows.h"
#include "platform/conversion.h"
#include "platform/instancelock.h"

#include <QFileInfo>
#include <QMetaObject>

int main(int argc, char **argv)
{
    const QString exeName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    InstanceLock lock(exeName);
    if (!lock.acquired())
        return 1; // another copy runs: leave at once, showing nothing

    // The windows keep their design pixel sizes on any screen density.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    TavrelApplication app(argc, argv);
    try {
        createWindows();
        FMain->show();
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
    return 0;
}
