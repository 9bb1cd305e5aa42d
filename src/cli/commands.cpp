#include "cli/commands.h"

#include "platform/conversion.h"
#include "register/registercheck.h"
#include "register/linevalue.h"
#include "register/nameplate.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <QSet>

std::map<QString, CliEntry> &cliCommands()
{
    static std::map<QString, CliEntry> commands;
    return commands;
}

CliArgs::CliArgs(const QStringList &args, const QStringList &flags)
{
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && a.startsWith(QLatin1String("-")) && a.size() > 1) {
            QString name = a;
            while (name.startsWith(u'-'))
                name.remove(0, 1);
            if (flags.contains(name)) {
                m_options.insert(name, QString());
                continue;
            }
            if (i + 1 >= args.size()) {
                m_error = QStringLiteral("option %1 needs a value").arg(a);
                return;
            }
            m_options.insert(name, args.at(++i));
        } else {
            m_positional.append(a);
        }
    }
}

QString CliArgs::unknownOption(const QStringList &known) const
{
    for (auto it = m_options.cbegin(); it != m_options.cend(); ++it)
        if (!known.contains(it.key()))
            return it.key();
    return QString();
}

bool CliArgs::has(const QString &name) const { return m_options.contains(name); }
QString CliArgs::value(const QString &name) const { return m_options.value(name); }

int usageError(CliContext &ctx, const QString &message)
{
    ctx.err << "tavrel-cli: " << message << '\n';
    return 2;
}

bool acceptLineValue(CliContext &ctx, const QString &what, const QString &value)
{
    const linevalue::Check c = linevalue::check(value);
    switch (c.fault) {
    case linevalue::Fault::None:
        return true;
    case linevalue::Fault::LineBreak:
        usageError(ctx, QStringLiteral("%1: a register line cannot hold a line break (%2)")
                            .arg(what, linevalue::codePointOf(value, c)));
        return false;
    case linevalue::Fault::Control:
        usageError(ctx, QStringLiteral("%1: a register line cannot hold the control character %2")
                            .arg(what, linevalue::codePointOf(value, c)));
        return false;
    case linevalue::Fault::Marker:
        usageError(ctx, QStringLiteral("%1: the value is an entry marker line (a number and form feeds)").arg(what));
        return false;
    }
    return false;
}

int loadEntry(CliContext &ctx, RegisterDocument &doc, const QString &path, int n)
{
    doc.load(path);
    const int marker = doc.findEntry(n);
    if (marker < 1) {
        ctx.err << QStringLiteral("エントリ %1 がありません。").arg(n) << '\n';
        return -1;
    }
    return marker + 1;
}

namespace {

int cmdList(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageError(ctx, args.ok() ? QStringLiteral("list FILE") : args.error());
    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(args.positional().at(0));
    // Each row under its entry's own number, the number every other command
    // takes (a missing marker leaves a gap).
    const std::vector<RegisterLines::Marker> entries = doc.listedEntries();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const EntryHeader &h = rows.at(r);
        ctx.out << entries.at(size_t(r)).number << '\t' << h.seriesCaption << '\t' << h.stripType << '\t' << h.extension << '\t'
                << h.department << '\t' << h.userName << '\t' << h.date << '\n';
    }
    return 0;
}

int cmdCheck(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageError(ctx, args.ok() ? QStringLiteral("check FILE") : args.error());
    const QString path = args.positional().at(0);
    RegisterDocument doc;
    doc.setLines(RegisterLines::fromBytes(textfile::readBytes(path)));
    if (doc.isEmpty()) {
        ctx.out << path << ":1: " << RegisterDocument::FormatErrorMessage << '\n';
        return 1;
    }
    if (!doc.lines().at(0).contains(QLatin1String("file-version:"))) {
        try {
            doc.convertOlderLayout();
        } catch (const TavrelError &e) {
            ctx.out << path << ":1: " << e.message() << '\n';
            return 1;
        }
    }
    const QList<RegisterProblem> problems = checkRegister(doc.lines());
    for (const RegisterProblem &p : problems)
        ctx.out << path << ':' << (p.line + 1) << ": " << p.message << '\n';
    return problems.isEmpty() ? 0 : 1;
}

int cmdConvert(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok() || args.positional().size() != 2)
        return usageError(ctx, args.ok() ? QStringLiteral("convert IN OUT") : args.error());
    RegisterDocument doc;
    doc.load(args.positional().at(0));
    if (doc.isEmpty())
        throw TavrelError(RegisterDocument::FormatErrorMessage);
    doc.save(args.positional().at(1));
    return 0;
}

int cmdTemplates(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok() || !args.positional().isEmpty())
        return usageError(ctx, args.ok() ? QStringLiteral("templates [--series N]") : args.error());
    int first = 0, last = series::Count - 1;
    if (args.has(QStringLiteral("series"))) {
        int s;
        if (!tryParseInt(args.value(QStringLiteral("series")), s) || s < 0 || s >= series::Count)
            return usageError(ctx, QStringLiteral("--series takes 0 to 7"));
        first = last = s;
    }
    for (int s = first; s <= last; ++s)
        for (const QString &t : templates::listTemplates(ctx.templateFolder, series::caption(s)))
            ctx.out << s << '\t' << series::caption(s) << '\t' << t << '\n';
    return 0;
}

int cmdNew(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageError(ctx, args.ok() ? QStringLiteral("new FILE --series N --type T --ext E ...") : args.error());
    const QString path = args.positional().at(0);
    const bool copy = args.has(QStringLiteral("copy-from"));
    int seriesIndex = -1;
    if (args.has(QStringLiteral("series"))) {
        if (!tryParseInt(args.value(QStringLiteral("series")), seriesIndex) || seriesIndex < 0
            || seriesIndex >= series::Count)
            return usageError(ctx, QStringLiteral("--series takes 0 to 7"));
    } else if (!copy) {
        return usageError(ctx, QStringLiteral("new needs --series"));
    }
    if (!copy && !args.has(QStringLiteral("type")))
        return usageError(ctx, QStringLiteral("new needs --type"));
    // The header values are trimmed as the entry dialog trims them (spaces
    // and control characters at the ends; an ideographic space stays).
    EntryHeader h;
    h.extension = trimControls(args.value(QStringLiteral("ext")));
    if (h.extension.isEmpty())
        return usageError(ctx, QStringLiteral("new needs --ext"));
    h.department = trimControls(args.value(QStringLiteral("dept")));
    h.userName = trimControls(args.value(QStringLiteral("user")));
    h.date = args.has(QStringLiteral("date")) ? args.value(QStringLiteral("date"))
                                              : QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm"));
    h.seriesCaption = seriesIndex >= 0 ? series::caption(seriesIndex) : QString();
    h.stripType = args.value(QStringLiteral("type"));
    const std::pair<const char *, const QString *> values[] = {
        {"--ext", &h.extension}, {"--dept", &h.department}, {"--user", &h.userName},
        {"--date", &h.date},     {"--type", &h.stripType},
    };
    for (const auto &[option, value] : values)
        if (!acceptLineValue(ctx, QLatin1String(option), *value))
            return 2;
    int source = 0;
    if (copy && (!tryParseInt(args.value(QStringLiteral("copy-from")), source) || source < 1))
        return usageError(ctx, QStringLiteral("--copy-from takes an entry number of the register"));

    RegisterDocument doc;
    QList<EntryHeader> rows;
    if (QFileInfo::exists(path))
        rows = doc.load(path);
    for (const EntryHeader &r : rows)
        if (r.extension == h.extension) {
            ctx.err << QStringLiteral("すでにこの内線番号は存在します。") << '\n';
            return 1;
        }

    if (copy) {
        // The source is named by its entry number, as every command names
        // entries; an entry the register does not list is bad data.
        const std::vector<RegisterLines::Marker> entries = doc.listedEntries();
        const auto listed = std::find_if(entries.begin(), entries.end(),
                                         [&](const RegisterLines::Marker &m) { return m.number == source; });
        const int row = listed == entries.end() ? -1 : int(listed - entries.begin());
        if (row < 0) {
            ctx.err << QStringLiteral("複製元の示名条 %1 が見つかりません。").arg(source) << '\n';
            return 1;
        }
        const EntryHeader &src = rows.at(row);
        if (seriesIndex < 0)
            h.seriesCaption = src.seriesCaption;
        if (h.stripType.isEmpty())
            h.stripType = src.stripType;
        nameplate::appendEntryAsCopy(doc, h, source);
    } else {
        if (!templates::templateExists(ctx.templateFolder, h.stripType)) {
            ctx.err << templates::MissingMessage << '\n';
            return 1;
        }
        templates::appendEntryFromTemplate(doc, ctx.templateFolder, h);
    }
    doc.save(path);
    return 0;
}

const CliRegistration regList(QStringLiteral("list"), cmdList, CliApplication::Core);
const CliRegistration regCheck(QStringLiteral("check"), cmdCheck, CliApplication::Core);
const CliRegistration regConvert(QStringLiteral("convert"), cmdConvert, CliApplication::Core);
const CliRegistration regTemplates(QStringLiteral("templates"), cmdTemplates, CliApplication::Core);
const CliRegistration regNew(QStringLiteral("new"), cmdNew, CliApplication::Core);

} // namespace
