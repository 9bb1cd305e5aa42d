// tavrel-cli keylabels: prints the key label set of one series as the lines
// of its key label file, creates the file from the defaults, or applies one
// key label to cells of a register as the key label panel does; the same
// catalogue and the same apply code as the key label dialog and panel.

#include "cli/commands.h"
#include "cli/selection.h"

#include "keylabel/applykeylabel.h"
#include "keylabel/keylabelset.h"
#include "platform/conversion.h"
#include "platform/mainsub.h"
#include "register/registerdocument.h"
#include "register/registerformat.h"
#include "register/series.h"
#include "register/textrule.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The key label set of a series from the settings folder (or the defaults);
// a damaged file is said on standard error and the defaults are used.
void loadSet(CliContext &ctx, keylabel::KeyLabelSet &set, int series, bool defaults)
{
    if (defaults)
        set.SetDefaultKeyLabels(series);
    else if (set.LoadKeyLabels(series) == keylabel::LoadResult::Malformed)
        ctx.err << keylabel::malformedFileMessage(set.filePath(series)) << '\n';
}

QString settingsFolder(const CliArgs &args)
{
    // The desktop program's settings folder, whatever this program is called.
    return args.has(QStringLiteral("settings-dir")) ? args.value(QStringLiteral("settings-dir"))
                                                     : TMainSub::userDataFolder() + QStringLiteral("/tavrel/");
}

// keylabels FILE --key K (--cell C | --cells LIST) [entries]: the label goes
// to the cells of each entry, from the set of the entry's series unless
// --series names one.
int applyToRegister(CliContext &ctx, const CliArgs &args)
{
    if (args.has(QStringLiteral("write-defaults")))
        return usageErrorWithUsage(ctx, QStringLiteral("--write-defaults takes no register file"));
    int key = 0;
    if (!args.has(QStringLiteral("key")) || !tryParseInt(args.value(QStringLiteral("key")), key) || key < 1)
        return usageErrorWithUsage(ctx, QStringLiteral("--key needs the number of a key label, counted from 1"));
    int fixedSeries = -1;
    if (args.has(QStringLiteral("series"))
        && (!tryParseInt(args.value(QStringLiteral("series")), fixedSeries) || fixedSeries < 0 || fixedSeries > 7))
        return usageErrorWithUsage(ctx, QStringLiteral("--series needs a series number from 0 to 7"));
    if (args.has(QStringLiteral("settings-dir")) && args.value(QStringLiteral("settings-dir")).isEmpty())
        return usageErrorWithUsage(ctx, QStringLiteral("--settings-dir needs a folder"));
    QList<int> cells;
    bool allCells = false;
    if (const int rc = selectCells(ctx, args, cells, allCells))
        return rc;

    const QString path = args.positional().at(0);
    lockForWriting(ctx, path);
    RegisterDocument doc;
    doc.load(path);
    QList<int> entries;
    if (const int rc = selectEntries(ctx, args, doc, entries))
        return rc;

    keylabel::KeyLabelSet set(settingsFolder(args));
    int loaded = -1;
    QStringList report;
    for (int n : entries) {
        const int h = doc.findEntry(n) + 1;
        const int series = fixedSeries >= 0 ? fixedSeries
                                             : series::indexOfCaption(doc.line(h + regfmt::entry::SeriesCaption));
        if (series < 0 || series > 7) {
            ctx.err << QStringLiteral("エントリ %1: 主装置のシリーズ「%2」のキーラベルはありません（--series で指定してください）。")
                           .arg(n)
                           .arg(doc.line(h + regfmt::entry::SeriesCaption))
                    << '\n';
            return 1;
        }
        if (series != loaded) {
            loadSet(ctx, set, series, args.has(QStringLiteral("defaults")));
            loaded = series;
        }
        if (key > set.keyCount()) {
            ctx.err << QStringLiteral("シリーズ %1 のキーラベルは %2 個です（--key %3）。").arg(series).arg(set.keyCount()).arg(key)
                    << '\n';
            return 1;
        }
        const keylabel::KeyLabel label = set.ReadKeyLabel(key - 1);
        try {
            // A cell the entry does not have is refused before anything changes.
            for (int c : keylabel::applyKeyLabel(doc, h, entryCells(doc, h, cells, allCells), label))
                report.append(QStringLiteral("%1\t%2\t%3").arg(n).arg(c).arg(label.lines.join(u' ')));
        } catch (const TavrelError &e) {
            // Nothing has been saved: the file stays as it was.
            ctx.err << QStringLiteral("エントリ %1: ").arg(n) << e.message() << '\n';
            return 1;
        }
    }
    if (!report.isEmpty() && !saveRegister(ctx, doc, path))
        return 1;
    for (const QString &line : report)
        ctx.out << line << '\n';
    return 0;
}

int cmdKeyLabels(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    if (args.positional().size() > 1)
        return usageErrorWithUsage(ctx, QStringLiteral("unexpected argument '%1'").arg(args.positional().at(1)));
    if (args.positional().size() == 1)
        return applyToRegister(ctx, args);
    for (const char *option : {"key", "entry", "entries", "type", "cell", "cells"})
        if (args.has(QLatin1String(option)))
            return usageErrorWithUsage(ctx, QStringLiteral("--%1 goes with a register file").arg(QLatin1String(option)));
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

    folder = settingsFolder(args);
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

    loadSet(ctx, set, series, defaults);
    for (const QString &line : set.lines())
        ctx.out << line << '\n';
    return 0;
}

const CliRegistration reg(
    QStringLiteral("keylabels"), cmdKeyLabels, CliApplication::Core,
    {QStringLiteral("--series N [--defaults] [--settings-dir DIR]\n"
                    "--series N --write-defaults [--force] [--settings-dir DIR]\n"
                    "FILE --key K [--entry N | --entries LIST] [--type T] (--cell C | --cells LIST) [--series N] "
                    "[--defaults] [--settings-dir DIR] [--force]"),
     QStringLiteral("print a series' key labels (キーラベル), create its key label file from the defaults, or "
                    "apply a key label to cells of a register"),
     {{QStringLiteral("series"), QStringLiteral("N"),
       QStringLiteral("主装置のシリーズ (series), 0 to 7; with a register, instead of each entry's own")},
      {QStringLiteral("key"), QStringLiteral("K"),
       QStringLiteral("with a register: the key label to apply, counted from 1 in the order printed")},
      {QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("one entry")},
      {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("several entries; every entry when neither is given")},
      {QStringLiteral("type"), QStringLiteral("T"), QStringLiteral("only the entries of this strip type (示名条のタイプ)")},
      {QStringLiteral("cell"), QStringLiteral("C"), QStringLiteral("one cell, counted from 0 across the sections")},
      {QStringLiteral("cells"), QStringLiteral("LIST"), QStringLiteral("several cells, or all")},
      {QStringLiteral("defaults"), QString(), QStringLiteral("the built-in defaults instead of the series' file")},
      {QStringLiteral("write-defaults"), QString(),
       QStringLiteral("write the defaults to the series' file (TAVKey1.ini ... TAVKey8.ini) and print its path")},
      {QStringLiteral("force"), QString(),
       QStringLiteral("with --write-defaults: replace a file that exists; with a register: write it although a "
                      "window has it open")},
      {QStringLiteral("settings-dir"), QStringLiteral("DIR"),
       QStringLiteral("the settings folder; the desktop program's when not given")}},
     QStringLiteral("Without a register or --write-defaults the set is printed one line per line of the key label "
                    "file. A damaged file is reported on standard error and the defaults are used. With a register, "
                    "the label's face, size, colours and lines go to each cell as a key label button puts them "
                    "(cells that show a picture are left alone); each changed cell is printed as ENTRY CELL LABEL, "
                    "tab-separated.")});

} // namespace
