#include "windows/main/application.h"

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "windows/common/instancechannel.h"
#include "windows/common/userdialogs.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/registercommands.h"

#include <QFont>
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
