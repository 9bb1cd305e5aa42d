// tavrel-cli: lists, checks, converts and creates registers, lists the
// templates; the strip and print commands draw with the same code as the
// program.

#include "cli/commands.h"
#include "platform/conversion.h"
#include "platform/fonts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>

static const char *Usage =
    "usage: tavrel-cli [--templates-dir DIR] COMMAND ...\n"
    "  list FILE\n"
    "  check FILE\n"
    "  convert IN OUT\n"
    "  templates [--series N]\n"
    "  new FILE --series N --type T --ext E [--dept D] [--user U] [--copy-from ENTRY]\n"
    "           [--date \"yyyy/mm/dd hh:nn\"]\n"
    "  render FILE --entry N [--view detail|overview] -o OUT.png\n"
    "  text FILE --entry N --cell C [LINE...]\n"
    "  find FILE TEXT [--case]\n"
    "  replace FILE OLD NEW [--case] [--entries LIST] [--dry-run]\n"
    "  keylabels --series N [--defaults] [--settings-dir DIR]\n"
    "  keylabels --series N --write-defaults [--force] [--settings-dir DIR]\n";

int main(int argc, char **argv)
{
    // Drawing needs a GUI application; without a display the offscreen
    // platform serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutions();

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    QStringList args = app.arguments().mid(1);
    CliContext ctx{out, err, QCoreApplication::applicationDirPath() + u'/'};
    if (args.size() >= 2 && args.at(0) == QLatin1String("--templates-dir")) {
        ctx.templateFolder = args.at(1);
        if (!ctx.templateFolder.endsWith(u'/'))
            ctx.templateFolder += u'/';
        args = args.mid(2);
    }
    if (args.isEmpty() || args.at(0) == QLatin1String("--help") || args.at(0) == QLatin1String("-h")) {
        err << Usage;
        return args.isEmpty() ? 2 : 0;
    }
    const auto it = cliCommands().find(args.at(0));
    if (it == cliCommands().end()) {
        err << "tavrel-cli: unknown command '" << args.at(0) << "'\n" << Usage;
        return 2;
    }
    try {
        const int rc = it->second(ctx, args.mid(1));
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
