// tavrel-cli keylabels: prints the key label set of one series as the lines
// of its key label file, or creates the file from the defaults; the same
// catalogue code as the key label dialog and panel.

#include "cli/commands.h"

#include "platform/mainsub.h"
#include "keylabel/keylabelset.h"
#include "platform/conversion.h"

#include <QDir>
#include <QFileInfo>

namespace {

int cmdKeyLabels(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (!args.positional().isEmpty())
        return usageErrorWithUsage(ctx, QStringLiteral("unexpected argument '%1'").arg(args.positional().constFirst()));
    const QString seriesText = args.value(QStringLiteral("series"));
    QString folder = args.value(QStringLiteral("settings-dir"));
    const bool haveSeries = args.has(QStringLiteral("series")), haveFolder = args.has(QStringLiteral("settings-dir"));
    const bool defaults = args.has(QStringLiteral("defaults")), writeDefaults = args.has(QStringLiteral("write-defaults"));
    const bool force = args.has(QStringLiteral("force"));
    int series = -1;
    if (!haveSeries || !tryParseInt(seriesText, series) || series < 0 || series > 7)
        return usageErrorWithUsage(ctx, QStringLiteral("--series needs a series number from 0 to 7"));
    if (haveFolder && folder.isEmpty())
        return usageErrorWithUsage(ctx, QStringLiteral("--settings-dir needs a folder"));
    if (force && !writeDefaults)
        return usageErrorWithUsage(ctx, QStringLiteral("--force goes with --write-defaults"));

    // The desktop program's settings folder, whatever this program is called.
    if (!haveFolder)
        folder = TMainSub::userDataFolder() + QStringLiteral("/tavrel/");
    keylabel::KeyLabelSet set(folder);
    const QString path = set.filePath(series);

    if (writeDefaults) {
        if (QFileInfo::exists(path) && !force) {
            ctx.err << QStringLiteral("%1 は既にあります（置き換えるには --force）。").arg(path) << '\n';
            return 1;
        }
        if (!haveFolder)
            QDir().mkpath(folder);
        set.SetDefaultKeyLabels(series);
        set.SaveKeyLabels(series);
        ctx.out << path << '\n';
        return 0;
    }

    if (defaults) {
        set.SetDefaultKeyLabels(series);
    } else if (set.LoadKeyLabels(series) == keylabel::LoadResult::Malformed) {
        ctx.err << keylabel::malformedFileMessage(path) << '\n';
    }
    for (const QString &line : set.lines())
        ctx.out << line << '\n';
    return 0;
}

const CliRegistration reg(
    QStringLiteral("keylabels"), cmdKeyLabels, CliApplication::Core,
    {QStringLiteral("--series N [--defaults] [--settings-dir DIR]\n"
                    "--series N --write-defaults [--force] [--settings-dir DIR]"),
     QStringLiteral("print a series' key labels (キーラベル), or create its key label file from the defaults"),
     {{QStringLiteral("series"), QStringLiteral("N"), QStringLiteral("主装置のシリーズ (series), 0 to 7")},
      {QStringLiteral("defaults"), QString(), QStringLiteral("the built-in defaults instead of the series' file")},
      {QStringLiteral("write-defaults"), QString(),
       QStringLiteral("write the defaults to the series' file (TAVKey1.ini ... TAVKey8.ini) and print its path")},
      {QStringLiteral("force"), QString(), QStringLiteral("with --write-defaults: replace a file that exists")},
      {QStringLiteral("settings-dir"), QStringLiteral("DIR"),
       QStringLiteral("the settings folder; the desktop program's when not given")}},
     QStringLiteral("Without --write-defaults the set is printed one line per line of the key label file. A "
                    "damaged file is reported on standard error and the defaults are printed.")});

} // namespace
