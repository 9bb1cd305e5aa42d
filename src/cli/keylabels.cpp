// tavrel-cli keylabels: prints the key label set of one series as the lines
// of its key label file, or creates the file from the defaults; the same
// catalogue code as the key label dialog and panel.

#include "cli/commands.h"

#include "app/mainsub.h"
#include "keylabel/keylabelset.h"
#include "platform/conversion.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Usage = QStringLiteral(
    "keylabels --series N [--defaults] [--settings-dir DIR]\n"
    "       keylabels --series N --write-defaults [--force] [--settings-dir DIR]");

int cmdKeyLabels(CliContext &ctx, const QStringList &argv)
{
    QString seriesText, folder;
    bool haveSeries = false, haveFolder = false, defaults = false, writeDefaults = false, force = false;
    for (qsizetype i = 0; i < argv.size(); ++i) {
        const QString &a = argv.at(i);
        if (a == QLatin1String("--series") || a == QLatin1String("--settings-dir")) {
            if (i + 1 >= argv.size())
                return usageError(ctx, QStringLiteral("option %1 needs a value\n").arg(a) + Usage);
            (a == QLatin1String("--series") ? seriesText : folder) = argv.at(++i);
            (a == QLatin1String("--series") ? haveSeries : haveFolder) = true;
        } else if (a == QLatin1String("--defaults")) {
            defaults = true;
        } else if (a == QLatin1String("--write-defaults")) {
            writeDefaults = true;
        } else if (a == QLatin1String("--force")) {
            force = true;
        } else {
            return usageError(ctx, QStringLiteral("unexpected argument '%1'\n").arg(a) + Usage);
        }
    }
    int series = -1;
    if (!haveSeries || !tryParseInt(seriesText, series) || series < 0 || series > 7)
        return usageError(ctx, QStringLiteral("--series needs a series number from 0 to 7\n") + Usage);
    if (haveFolder && folder.isEmpty())
        return usageError(ctx, QStringLiteral("--settings-dir needs a folder\n") + Usage);
    if (force && !writeDefaults)
        return usageError(ctx, QStringLiteral("--force goes with --write-defaults\n") + Usage);

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

const CliRegistration reg(QStringLiteral("keylabels"), cmdKeyLabels);

} // namespace
