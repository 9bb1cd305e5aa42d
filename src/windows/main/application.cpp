#include "windows/main/application.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "platform/stopsignals.h"
#include "windows/common/instancechannel.h"
#include "windows/common/userdialogs.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/registercommands.h"

#include <QFont>
#include <cstdio>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

namespace {
std::function<void(const QString &)> &reporter()
{
    static std::function<void(const QString &)> r;
    return r;
}

// A modal window (a dialog, a question) may still write into the open
// register when it closes, so a handed-over file waits until none is open.
void openWhenNoModalWindow(const QString &file)
{
    if (!FMain)
        return;
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        QTimer::singleShot(300, qApp, [file] { openWhenNoModalWindow(file); });
        return;
    }
    FMain->registerCommands().openFile(file);
}

int endingSignal = 0;

} // namespace

TavrelApplication::TavrelApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tavrel"));
    setApplicationDisplayName(QString());
    setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    // The installed desktop entry and icon (the icon theme's, when there is one).
    setDesktopFileName(QStringLiteral("tavrel"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("tavrel")));
    auto *qt = new QTranslator(this);
    if (qt->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qt);
    installFontSubstitutions();
    // Every window and its controls use this face unless said otherwise.
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
}

void TavrelApplication::setExceptionReporter(std::function<void(const QString &)> r)
{
    reporter() = std::move(r);
}

void TavrelApplication::showException(const QString &message)
{
    if (reporter()) {
        reporter()(message);
        return;
    }
    UserDialogs::current().exception(activeWindow(), message);
}

bool TavrelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const TavrelError &e) {
        showException(e.message());
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("予期しないエラーが発生しました。"));
    }
    return false;
}

bool TavrelApplication::listenForLaterStarts(const QString &lockPath)
{
    auto *channel = new InstanceChannel(qApp);
    connect(channel, &InstanceChannel::requested, qApp, &TavrelApplication::openRequested);
    return channel->listen(InstanceChannel::socketPath(lockPath));
}

void TavrelApplication::openRequested(const QString &file)
{
    if (!FMain)
        return;
    FMain->setWindowState(FMain->windowState() & ~Qt::WindowMinimized);
    FMain->show();
    FMain->raise();
    FMain->activateWindow();
    if (!file.isEmpty())
        openWhenNoModalWindow(file);
}

void TavrelApplication::endOnStopSignals()
{
    auto *signals_ = new StopSignals(qApp);
    connect(signals_, &StopSignals::received, qApp, [](int signalNumber) {
        if (endingSignal != 0)
            return;
        endingSignal = signalNumber;
        // Nothing is asked: whoever sent the signal wants the program gone.
        if (FMain) {
            try {
                const QString copy = FMain->registerCommands().writeRecoveryCopy();
                if (!copy.isEmpty())
                    std::fprintf(stderr, "tavrel: %s\n",
                                 QStringLiteral("保存されていない変更を %1 に書き込みました。").arg(copy).toLocal8Bit().constData());
            } catch (const TavrelError &e) {
                std::fprintf(stderr, "tavrel: %s\n", e.message().toLocal8Bit().constData());
            }
        }
        // Every event loop ends, the nested ones of open dialogs too; the
        // windows are then destroyed as on a normal close.
        QCoreApplication::exit(0);
    });
}

int TavrelApplication::stopSignal()
{
    return endingSignal;
}
