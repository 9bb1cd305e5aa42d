// tavrel-cli template: checks a template file, makes one from a register
// entry or from a few numbers of a regular grid, and saves it to a file or
// into the user's or the site's template folder.

#include "cli/commands.h"
#include "cli/selection.h"

#include "platform/conversion.h"
#include "platform/registerlock.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templatecheck.h"
#include "register/templates.h"
#include "template/templatemodel.h"

#include <QDir>
#include <algorithm>
#include <QFileInfo>

namespace {

const QString Opt_o = QStringLiteral("o");

// The problems of a template, one line each: "FILE:LINE: エラー: …".
void printProblems(QTextStream &out, const QString &name, const QList<templates::Problem> &problems)
{
    for (const templates::Problem &p : problems) {
        out << name << ':';
        if (p.line >= 0)
            out << (p.line + 1) << ':';
        templates::Problem shown = p;
        shown.line = -1;
        out << ' ' << (p.isError() ? QStringLiteral("エラー: ") : QStringLiteral("警告: ")) << shown.text() << '\n';
    }
}

int templateCheck(CliContext &ctx, const CliArgs &args)
{
    if (args.positional().size() != 2)
        return usageErrorWithUsage(ctx, QStringLiteral("template check takes one template file"));
    for (const QString &o : {QStringLiteral("entry"), QStringLiteral("type"), QStringLiteral("series"), Opt_o,
                             QStringLiteral("user"), QStringLiteral("site"), QStringLiteral("force")})
        if (args.has(o))
            return usageErrorWithUsage(ctx, QStringLiteral("template check takes no --%1").arg(o));
    const QString path = args.positional().at(1);
    const QStringList lines = textfile::read(path).lines;
    const QList<templates::Problem> problems = templates::checkTemplate(lines);
    printProblems(ctx.out, path, problems);
    return templates::hasErrors(problems) ? 1 : 0;
}

// A strip type that can name a file in a template folder.
QString typeNameProblem(const QString &type)
{
    if (type.isEmpty())
        return QStringLiteral("--type needs a name");
    for (QChar c : type)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|.").contains(c))
            return QStringLiteral("--type %1: a strip type name cannot hold %2")
                .arg(type, c.unicode() < 0x20 ? QStringLiteral("a control character") : QString(c));
    return QString();
}

// Where the template goes: -o FILE, or --user / --site with --type. 0 and
// the path, or the exit code after the message. `registerPath` is the
// register read (never written over).
int destination(CliContext &ctx, const CliArgs &args, const QString &registerPath, QString &path, bool &isFolder)
{
    const int given = int(args.has(Opt_o)) + int(args.has(QStringLiteral("user"))) + int(args.has(QStringLiteral("site")));
    if (given != 1)
        return usageErrorWithUsage(ctx, QStringLiteral("give one of -o FILE, --user and --site"));
    const bool force = args.has(QStringLiteral("force"));
    isFolder = !args.has(Opt_o);
    if (!isFolder) {
        path = args.value(Opt_o);
        if (!outputApartFromRegister(ctx, path, registerPath))
            return 2;
    } else {
        const QString type = args.value(QStringLiteral("type"));
        if (const QString problem = typeNameProblem(type); !problem.isEmpty())
            return usageError(ctx, problem);
        const templates::Source source =
            args.has(QStringLiteral("user")) ? templates::Source::User : templates::Source::Site;
        const QString folder = ctx.folders.folder(source);
        if (folder.isEmpty())
            return usageError(ctx, QStringLiteral("no site template folder: give --site-templates DIR before the command "
                                                  "or set SiteDir in the designer"));
        if (const QString problem = templates::installedNameProblem(ctx.folders, type); !problem.isEmpty()) {
            ctx.err << problem << '\n';
            return 1;
        }
        if (!QDir().mkpath(folder)) {
            ctx.err << QStringLiteral("フォルダ %1 を作れません。").arg(folder) << '\n';
            return 1;
        }
        path = templates::templatePathIn(folder, type);
        if (path.isEmpty())
            path = QDir(folder).filePath(type + QStringLiteral(".tpl"));
    }
    if (textfile::outputKind(path) == textfile::OutputKind::File) {
        // An installed template is never written, whatever names it.
        if (!ctx.folders.program.isEmpty()
            && QFileInfo(QFileInfo(path).absolutePath()) == QFileInfo(ctx.folders.program)) {
            ctx.err << QStringLiteral("%1 に書き込みませんでした。インストールされたテンプレートのフォルダには書き込みません。")
                           .arg(path)
                    << '\n';
            return 1;
        }
        if (QFileInfo::exists(path) && !force) {
            ctx.err << QStringLiteral("%1 は既にあります（置き換えるには --force）。").arg(path) << '\n';
            return 1;
        }
    }
    return 0;
}

// Checks and writes a template's lines; in a template folder under the
// lock that guards registers, so that the designer and a script do not
// write one file at once.
int writeTemplate(CliContext &ctx, const QStringList &lines, const QString &path, bool inFolder)
{
    const QList<templates::Problem> problems = templates::checkTemplate(lines);
    printProblems(ctx.err, path, problems);
    if (templates::hasErrors(problems)) {
        ctx.err << QStringLiteral("%1 に書き込みませんでした。テンプレートに誤りがあります。").arg(path) << '\n';
        return 1;
    }
    const QByteArray bytes = textfile::encode(lines);
    RegisterLock lock;
    if (inFolder) {
        const RegisterLock::Probe probe = RegisterLock::probe(path);
        if (probe.state == RegisterLock::State::Live && !ctx.force) {
            ctx.err << QStringLiteral("%1 に書き込みませんでした。%2開いています（それでも書き込むには --force）。")
                           .arg(path, probe.holder.describe())
                    << '\n';
            return 1;
        }
        if (probe.state != RegisterLock::State::Live)
            lock.take(path, false);
    }
    textfile::writeOutput(path, bytes);
    if (textfile::outputKind(path) != textfile::OutputKind::Standard)
        ctx.out << path << '\n';
    return 0;
}

// --series LIST: comma-separated series numbers 0 to 7.
bool seriesList(CliContext &ctx, const CliArgs &args, QList<int> &out)
{
    bool all = false;
    QString beyond;
    QList<int> numbers;
    if (!parseNumberList(args.value(QStringLiteral("series")), numbers, false, all, beyond, ListOrder::AsNamed)
        || !beyond.isEmpty() || numbers.isEmpty()
        || std::any_of(numbers.begin(), numbers.end(), [](int s) { return s < 0 || s >= series::Count; })) {
        usageError(ctx, QStringLiteral("--series takes series numbers 0 to 7, comma-separated"));
        return false;
    }
    out = numbers;
    return true;
}

int templateFromEntry(CliContext &ctx, const CliArgs &args)
{
    if (args.positional().size() != 2)
        return usageErrorWithUsage(ctx, QStringLiteral("template from-entry takes one register file"));
    const QString registerPath = args.positional().at(1);
    if (!args.has(QStringLiteral("entry")))
        return usageError(ctx, QStringLiteral("template from-entry needs --entry N"));
    int n = 0;
    QString beyond;
    if (!parseListedNumber(args.value(QStringLiteral("entry")), n, beyond))
        return usageError(ctx, QStringLiteral("--entry takes an entry number"));
    QList<int> seriesIndexes;
    if (args.has(QStringLiteral("series")) && !seriesList(ctx, args, seriesIndexes))
        return 2;
    QString path;
    bool inFolder = false;
    if (const int rc = destination(ctx, args, registerPath, path, inFolder))
        return rc;
    RegisterDocument doc;
    const int h = loadEntry(ctx, doc, registerPath, n, beyond);
    if (h < 0)
        return 1;
    QString seriesLine;
    if (seriesIndexes.isEmpty()) {
        seriesLine = doc.lines().line(h + regfmt::entry::SeriesCaption);
        if (series::indexOfCaption(seriesLine) < 0) {
            ctx.err << QStringLiteral("エントリ %1 のシリーズ「%2」は主装置のシリーズではありません（--series で指定してください）。")
                           .arg(n)
                           .arg(seriesLine)
                    << '\n';
            return 1;
        }
    } else {
        seriesLine = tpl::seriesLineFor(seriesIndexes);
    }
    return writeTemplate(ctx, tpl::templateFromEntry(doc, h, seriesLine), path, inFolder);
}

bool positiveMm(CliContext &ctx, const CliArgs &args, const QString &name, Fixed4 &value, bool required)
{
    if (!args.has(name)) {
        if (required)
            usageError(ctx, QStringLiteral("template grid needs --%1").arg(name));
        return !required;
    }
    if (!Fixed4::tryParse(args.value(name), value) || value < Fixed4() || value > Fixed4::fromInt(1000)) {
        usageError(ctx, QStringLiteral("--%1 takes millimetres from 0 to 1000, such as 12.5").arg(name));
        return false;
    }
    return true;
}

bool count(CliContext &ctx, const CliArgs &args, const QString &name, int &value)
{
    if (!args.has(name))
        return true;
    if (!tryParseInt(args.value(name), value) || value < 1 || value > 999) {
        usageError(ctx, QStringLiteral("--%1 takes a whole number from 1 to 999").arg(name));
        return false;
    }
    return true;
}

int templateGrid(CliContext &ctx, const CliArgs &args)
{
    if (args.positional().size() != 1)
        return usageErrorWithUsage(ctx, QStringLiteral("template grid takes no file"));
    if (!args.has(QStringLiteral("series")))
        return usageError(ctx, QStringLiteral("template grid needs --series LIST"));
    QList<int> seriesIndexes;
    if (!seriesList(ctx, args, seriesIndexes))
        return 2;
    tpl::GridSpec g;
    Fixed4 originX = Fixed4::fromInt(5), originY = Fixed4::fromInt(5);
    if (!count(ctx, args, QStringLiteral("columns"), g.columns) || !count(ctx, args, QStringLiteral("rows"), g.rows)
        || !count(ctx, args, QStringLiteral("first-key"), g.firstNumber)
        || !positiveMm(ctx, args, QStringLiteral("key-width"), g.keyWidth, true)
        || !positiveMm(ctx, args, QStringLiteral("key-height"), g.keyHeight, true)
        || !positiveMm(ctx, args, QStringLiteral("origin-x"), originX, false)
        || !positiveMm(ctx, args, QStringLiteral("origin-y"), originY, false))
        return 2;
    g.pitchX = g.keyWidth + Fixed4::fromInt(5);
    g.pitchY = g.keyHeight + Fixed4::fromInt(1);
    if (!positiveMm(ctx, args, QStringLiteral("pitch-x"), g.pitchX, false)
        || !positiveMm(ctx, args, QStringLiteral("pitch-y"), g.pitchY, false))
        return 2;
    g.downColumns = args.has(QStringLiteral("down"));
    if (const QString problem = g.problem(); !problem.isEmpty()) {
        ctx.err << problem << '\n';
        return 2;
    }
    QString path;
    bool inFolder = false;
    if (const int rc = destination(ctx, args, QString(), path, inFolder))
        return rc;
    return writeTemplate(ctx, tpl::gridTemplate(g, tpl::seriesLineFor(seriesIndexes), originX, originY), path, inFolder);
}

int cmdTemplate(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok())
        return usageErrorWithUsage(ctx, args.error());
    const QString sub = args.positional().value(0);
    if (sub == QLatin1String("check"))
        return templateCheck(ctx, args);
    if (sub == QLatin1String("from-entry"))
        return templateFromEntry(ctx, args);
    if (sub == QLatin1String("grid"))
        return templateGrid(ctx, args);
    return usageErrorWithUsage(ctx, sub.isEmpty() ? QStringLiteral("template needs check, from-entry or grid")
                                                  : QStringLiteral("unknown template command '%1'").arg(sub));
}

CliOption opt(const char *name, const char *value, const char *help)
{
    return {QString::fromUtf8(name), QString::fromUtf8(value), QString::fromUtf8(help)};
}

const CliRegistration reg(
    QStringLiteral("template"), cmdTemplate, CliApplication::Core,
    {QStringLiteral("check FILE\n"
                    "from-entry REGISTER --entry N [--type NAME] [--series LIST] (-o FILE | --user | --site) "
                    "[--force]\n"
                    "grid --series LIST --key-width MM --key-height MM [--columns N] [--rows N] [--pitch-x MM] "
                    "[--pitch-y MM] [--first-key N] [--down] [--origin-x MM] [--origin-y MM] [--type NAME] "
                    "(-o FILE | --user | --site) [--force]"),
     QStringLiteral("check a strip template, or make one from an entry or a grid of keys"),
     {opt("entry", "N", "from-entry: the entry whose strip becomes the template"),
      opt("series", "LIST", "the series (0 to 7, comma-separated) the template is offered for; from-entry: the "
                            "entry's own series when not given"),
      opt("type", "NAME", "the strip type: the template's file name in the user or site folder (needed there)"),
      opt("o", "FILE", "write the template to FILE (- for standard output)"),
      opt("user", "", "save into the user's template folder as NAME.tpl"),
      opt("site", "", "save into the site's template folder as NAME.tpl"),
      opt("columns", "N", "grid: keys across (default 1)"),
      opt("rows", "N", "grid: keys down (default 1)"),
      opt("key-width", "MM", "grid: width of each key box in mm"),
      opt("key-height", "MM", "grid: height of each key box in mm"),
      opt("pitch-x", "MM", "grid: from one key's left edge to the next one's (default key width + 5)"),
      opt("pitch-y", "MM", "grid: from one key's top edge to the next one's (default key height + 1)"),
      opt("first-key", "N", "grid: number of the first key (default 1)"),
      opt("down", "", "grid: number the keys down each column instead of across each row"),
      opt("origin-x", "MM", "grid: the section's left edge on the sheet (default 5)"),
      opt("origin-y", "MM", "grid: the section's top edge on the sheet (default 5)"),
      opt("force", "", "replace a template file that exists, or one the designer has open")},
     QStringLiteral("template check prints one line per problem, FILE:LINE: エラー or 警告, the section and cell "
                    "counted from 1, and the message; it exits 1 when there is an error (the template cannot make "
                    "entries) and 0 when there are only warnings.\n\n"
                    "template from-entry writes the entry's strip as a template: its sections and the cells' "
                    "lines 0 to 18 (boxes, key-number font, key code with its preset text and name plate fields) "
                    "as the entry holds them. template grid writes one section of columns × rows keys of one size; "
                    "each key's number sits in its top left corner, the text area beside it.\n\n"
                    "A template saved with --user or --site is named by --type; a name that the program folder "
                    "holds is refused, and the program folder is never written. The file is written atomically, "
                    "under the same lock file as a register, and checked first: a template with errors is not "
                    "written. The path written is printed.")});

} // namespace
