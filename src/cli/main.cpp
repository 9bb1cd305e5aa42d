// tavrel-cli: lists, checks, converts and creates registers, lists the
// templates; the strip and print commands draw with the same code as the
// program.

#include "cli/commands.h"
#include "cli/help.h"
#include "platform/commandline.h"
#include "platform/conversion.h"
#include "platform/fonts.h"
#include "platform/mainsub.h"
#include "platform/settingsstore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// The command named on the command line, found before any application
// object exists (it decides which one to make): the first argument after
// the optional folder options (--templates-dir DIR and the like).
const char *const FolderOptions[] = {"--templates-dir", "--site-templates", "--user-templates"};

bool isFolderOption(const char *arg)
{
    for (const char *o : FolderOptions)
        if (qstrcmp(arg, o) == 0)
            return true;
    return false;
}

QString commandName(int argc, char **argv)
{
    int i = 1;
    while (i < argc && isFolderOption(argv[i]))
        i += 2;
    return i < argc ? QString::fromLocal8Bit(argv[i]) : QString();
}

QtMessageHandler previousHandler = nullptr;

// Every GUI application looks for the runtime folder while choosing its
// platform and warns when XDG_RUNTIME_DIR is unset (cron, CI, ssh); the
// offscreen platform never uses that folder, so the warning is noise.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    previousHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG and is
    // reported, instead of the signal ending the program mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
    // The companion shows no window. Commands that draw run on the offscreen
    // platform whatever DISPLAY says (a display that is gone must not abort
    // them); the others on a core application, which needs no platform.
    const auto entry = cliCommands().find(commandName(argc, argv));
    const bool draws = entry != cliCommands().end() && entry->second.application == CliApplication::Offscreen;
    std::unique_ptr<QCoreApplication> application;
    if (draws) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        previousHandler = qInstallMessageHandler(messageHandler);
        application = std::make_unique<QGuiApplication>(argc, argv);
        installFontSubstitutions();
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    QStringList args = QCoreApplication::arguments().mid(1);
    CliContext ctx{out, err, {}, QString(), nullptr, false, nullptr};
    // The site folder named in the program's settings, read only.
    const SettingsStore settings(TMainSub::userDataFolder() + QStringLiteral("/tavrel/tavrel.ini"));
    ctx.folders = templates::Folders(QCoreApplication::applicationDirPath() + u'/',
                                     settings.readString(templates::SettingsSection, templates::SiteKey, QString()),
                                     templates::userFolder());
    QStringList given;
    while (!args.isEmpty() && isFolderOption(args.at(0).toLocal8Bit().constData())) {
        const QString option = args.at(0);
        if (given.contains(option)) {
            err << "tavrel-cli: option " << option << " is given twice\n" << clihelp::programUsage();
            return 2;
        }
        given.append(option);
        if (args.size() < 2) {
            err << "tavrel-cli: option " << option << " needs a value\n" << clihelp::programUsage();
            return 2;
        }
        QString folder = args.at(1);
        // A misspelt program folder would otherwise list no templates and
        // succeed. The user and site folders may not exist yet: a template
        // saved there makes them.
        const bool program = option == QLatin1String("--templates-dir");
        if (program ? !QFileInfo(folder).isDir()
                    : (folder.isEmpty() || (QFileInfo::exists(folder) && !QFileInfo(folder).isDir()))) {
            err << "tavrel-cli: " << option << ' ' << folder << " is no folder\n";
            return 2;
        }
        if (!folder.endsWith(u'/'))
            folder += u'/';
        if (program)
            ctx.folders.program = folder;
        else if (option == QLatin1String("--site-templates"))
            ctx.folders.site = folder;
        else
            ctx.folders.user = folder;
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        err << clihelp::programUsage() << "tavrel-cli --help lists the commands.\n";
        return 2;
    }
    if (args.at(0) == QLatin1String("--help") || args.at(0) == QLatin1String("-h")) {
        out << clihelp::programHelp();
        return 0;
    }
    if (args.at(0) == QLatin1String("--version")) {
        out << commandline::versionText(QStringLiteral("tavrel-cli"));
        return 0;
    }
    if (args.at(0) == QLatin1String("--manpage")) {
        const QString language = args.value(1);
        if (args.size() > 2 || (!language.isEmpty() && language != QLatin1String("ja"))) {
            err << "tavrel-cli: --manpage takes no argument but ja\n";
            return 2;
        }
        out << clihelp::manualPage(language);
        // A text of the tables without its Japanese form is printed in
        // English; it is named here so that it gets one.
        if (!language.isEmpty())
            for (const QString &t : clihelp::untranslated())
                err << "tavrel-cli: no Japanese text for: " << t << '\n';
        return 0;
    }
    const auto it = cliCommands().find(args.at(0));
    if (it == cliCommands().end()) {
        err << "tavrel-cli: unknown command '" << args.at(0) << "'\n"
            << clihelp::programUsage() << "tavrel-cli --help lists the commands.\n";
        return 2;
    }
    ctx.command = it->first;
    ctx.syntax = &it->second.syntax;
    // --force as the command's own parser reads it: an option, not the
    // value of another option nor a text after "--".
    ctx.force = CliArgs(ctx, args.mid(1)).has(QStringLiteral("force"));
    if (clihelp::asksForHelp(it->second.syntax, args.mid(1))) {
        out << clihelp::commandHelp(it->first, it->second.syntax);
        return 0;
    }
    try {
        const int rc = it->second.run(ctx, args.mid(1));
        out.flush();
        return rc;
    } catch (const TavrelError &e) {
        out.flush();
        err << e.message() << '\n';
        return 1;
    } catch (const std::exception &e) {
        out.flush();
        err << QString::fromLocal8Bit(e.what()) << '\n';
        return 1;
    }
}
