#include "cli/commands.h"

#include "cli/help.h"
#include "cli/selection.h"
#include "platform/registerlock.h"
#include "platform/textfile.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/linevalue.h"
#include "register/nameplate.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"
#include "register/textrule.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <QSet>

std::map<QString, CliEntry> &cliCommands()
{
    static std::map<QString, CliEntry> commands;
    return commands;
}

CliArgs::CliArgs(const CliContext &ctx, const QStringList &args)
{
    QStringList flags, known;
    if (ctx.syntax)
        for (const CliOption &o : ctx.syntax->options) {
            known.append(o.name);
            if (o.isFlag())
                flags.append(o.name);
        }
    parse(args, flags, ctx.syntax ? &known : nullptr);
}

void CliArgs::parse(const QStringList &args, const QStringList &flags, const QStringList *known)
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
            if (known && !known->contains(name)) {
                m_error = QStringLiteral("unknown option %1").arg(a);
                return;
            }
            if (flags.contains(name)) {
                m_options.insert(name, QString());
                continue;
            }
            if (i + 1 >= args.size()) {
                m_error = QStringLiteral("option %1 needs a value").arg(a);
                return;
            }
            // A second value would silently override the first (--entry 1
            // --entry 2 worked on entry 2); a repeated flag means the same.
            if (m_options.contains(name)) {
                m_error = QStringLiteral("option %1 given twice").arg(a);
                return;
            }
            m_options.insert(name, args.at(++i));
        } else {
            m_positional.append(a);
        }
    }
}

bool CliArgs::has(const QString &name) const { return m_options.contains(name); }
QString CliArgs::value(const QString &name) const { return m_options.value(name); }

int usageError(CliContext &ctx, const QString &message)
{
    ctx.err << "tavrel-cli: " << message << '\n';
    return 2;
}

QString commandUsage(const CliContext &ctx)
{
    return ctx.syntax ? clihelp::usageLines(ctx.command, *ctx.syntax) : QString();
}

int usageErrorWithUsage(CliContext &ctx, const QString &message)
{
    ctx.err << "tavrel-cli: " << message << '\n' << commandUsage(ctx);
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

int loadEntry(CliContext &ctx, RegisterDocument &doc, const QString &path, int n, const QString &beyond)
{
    doc.load(path);
    const int marker = beyond.isEmpty() ? doc.findEntry(n) : -1;
    if (marker < 1) {
        ctx.err << QStringLiteral("エントリ %1 がありません。").arg(beyond.isEmpty() ? QString::number(n) : beyond) << '\n';
        return -1;
    }
    return marker + 1;
}

bool writable(CliContext &ctx, const RegisterDocument &doc, const QString &path)
{
    const QList<RegisterProblem> problems = checkRegister(doc.lines());
    if (!problems.isEmpty()) {
        const RegisterProblem &p = problems.constFirst();
        ctx.err << QStringLiteral("%1 に書き込みませんでした。登録内容に誤りがあります（%2 行目: %3）。"
                                  "tavrel-cli check で確かめてください。")
                       .arg(path)
                       .arg(p.line + 1)
                       .arg(p.message)
                << '\n';
        return false;
    }
    return true;
}

bool outputApartFromRegister(CliContext &ctx, const QString &output, const QString &registerPath)
{
    if (output.isEmpty()) {
        usageError(ctx, QStringLiteral("-o needs a file name, or - for standard output"));
        return false;
    }
    if (textfile::outputKind(output) == textfile::OutputKind::Refused) {
        usageError(ctx, textfile::refusedOutputMessage(output));
        return false;
    }
    if (!RegisterDocument::outputReplacesRegister(output, registerPath))
        return true;
    usageError(ctx, RegisterDocument::OutputIsRegisterMessage.arg(output));
    return false;
}

CliOption forceOption()
{
    return {QStringLiteral("force"), QString(),
            QStringLiteral("write the register even when it is open in the window elsewhere")};
}

struct CliRegisterLock
{
    QString path;
    RegisterLock lock;
    RegisterLock::Probe probe;
};

void lockForWriting(CliContext &ctx, const QString &path)
{
    auto writing = std::make_shared<CliRegisterLock>();
    writing->path = path;
    const int wait = ctx.force ? 0 : CliLockWaitMs;
    const LockHolder me = RegisterLock::self();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // A dead lock is taken over, and so is a stale one: a script has
        // nobody to ask.
        writing->probe = writing->lock.take(path, true);
        const LockHolder &holder = writing->probe.holder;
        const bool another = holder.beingMade || (holder.program == me.program && holder.host == me.host);
        if (writing->probe.state != RegisterLock::State::Live || !another || waited.elapsed() >= wait)
            break;
        QThread::msleep(15); // another tavrel-cli writes: its turn ends soon
    }
    if (writing->probe.state != RegisterLock::State::Live
        && !writing->lock.holdFile(path, int(std::max<qint64>(0, wait - waited.elapsed())))) {
        // Held under another name of the same file (a hard link).
        writing->lock.release();
        writing->probe = RegisterLock::heldUnderAnotherName();
    }
    ctx.writing = std::move(writing);
}

bool saveRegister(CliContext &ctx, RegisterDocument &doc, const QString &path)
{
    if (!writable(ctx, doc, path))
        return false;
    // Locked before reading when the command writes the register it reads;
    // otherwise (convert) now. A register open in the window is left alone
    // unless --force is given (its holder keeps the lock then).
    if (!ctx.writing || ctx.writing->path != path)
        lockForWriting(ctx, path);
    const RegisterLock::Probe &probe = ctx.writing->probe;
    if (probe.state == RegisterLock::State::Live && !ctx.force) {
        ctx.err << QStringLiteral("%1 に書き込みませんでした。%2開いています（それでも書き込むには --force）。")
                       .arg(path, probe.holder.describe())
                << '\n';
        return false;
    }
    const QString changed =
        QStringLiteral("%1 に書き込みませんでした。読み込んだ後にほかで変更されています（それでも書き込むには --force）。").arg(path);
    const bool reread = !ctx.force && textfile::sameFile(doc.fileName(), path);
    if (reread && doc.changedOnDisk(path)) {
        ctx.err << changed << '\n';
        return false;
    }
    RegisterLock &lock = ctx.writing->lock;
    // Checked again at the last moment: a writer that ignores the lock
    // (--force, another program) is not overwritten unseen.
    doc.saveLast(path, [&](int fd) {
        if (reread && doc.changedOnDisk(path))
            throw TavrelError(changed);
        lock.holdWritten(fd);
    });
    return true;
}

namespace {

int cmdList(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("list takes one register file") : args.error());
    RegisterDocument doc;
    const QList<EntryHeader> rows = doc.load(args.positional().at(0));
    // Each row under its entry's own number, the number every other command
    // takes (a missing marker leaves a gap).
    const std::vector<RegisterLines::Marker> entries = doc.listedEntries();
    QList<int> chosen;
    bool narrowed = false;
    if (const int rc = selectChosenEntries(ctx, args, doc, chosen, narrowed))
        return rc;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (narrowed && !chosen.contains(int(entries.at(size_t(r)).number)))
            continue;
        const EntryHeader &h = rows.at(r);
        ctx.out << entries.at(size_t(r)).number << '\t' << h.seriesCaption << '\t' << h.stripType << '\t' << h.extension << '\t'
                << h.department << '\t' << h.userName << '\t' << h.date << '\n';
    }
    return 0;
}

int cmdCheck(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("check takes one register file") : args.error());
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
    QList<RegisterProblem> notes;
    const QList<RegisterProblem> problems = checkRegister(doc.lines(), &notes);
    for (const RegisterProblem &p : problems)
        ctx.out << path << ':' << (p.line + 1) << ": " << p.message << '\n';
    // Notes leave the register sound: standard error, the first few.
    constexpr qsizetype ShownNotes = 10;
    for (const RegisterProblem &p : notes.mid(0, ShownNotes))
        ctx.err << path << ':' << (p.line + 1) << ": " << p.message << '\n';
    if (notes.size() > ShownNotes)
        ctx.err << path << QStringLiteral(": ほかに %1 行、制御文字を含む行があります").arg(notes.size() - ShownNotes) << '\n';
    return problems.isEmpty() ? 0 : 1;
}

int cmdConvert(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || args.positional().size() != 2)
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("convert takes two files, IN and OUT") : args.error());
    RegisterDocument doc;
    doc.load(args.positional().at(0));
    if (doc.isEmpty())
        throw TavrelError(RegisterDocument::FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    return saveRegister(ctx, doc, args.positional().at(1)) ? 0 : 1;
}

int cmdTemplates(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || !args.positional().isEmpty())
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("templates takes no file") : args.error());
    int first = 0, last = series::Count - 1;
    if (args.has(QStringLiteral("series"))) {
        int s;
        if (!tryParseInt(args.value(QStringLiteral("series")), s) || s < 0 || s >= series::Count)
            return usageError(ctx, QStringLiteral("--series takes 0 to 7"));
        first = last = s;
    }
    for (int s = first; s <= last; ++s)
        for (const templates::Listed &t : templates::listTemplateFiles(ctx.folders, series::caption(s)))
            ctx.out << s << '\t' << series::caption(s) << '\t' << t.stripType << '\t'
                    << templates::sourceName(t.source) << '\n';
    return 0;
}

// True when the header's series offers its strip type; says why not.
bool offered(CliContext &ctx, const EntryHeader &h)
{
    if (templates::listTemplates(ctx.folders, h.seriesCaption).contains(h.stripType))
        return true;
    ctx.err << templates::notOfferedProblem(h.stripType, h.seriesCaption) << QStringLiteral("。") << '\n';
    return false;
}

int cmdNew(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || args.positional().size() != 1)
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("new takes one register file") : args.error());
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
                                              : EntryHeader::dateText(QDateTime::currentDateTime());
    h.seriesCaption = seriesIndex >= 0 ? series::caption(seriesIndex) : QString();
    h.stripType = args.value(QStringLiteral("type"));
    const std::pair<const char *, const QString *> values[] = {
        {"--ext", &h.extension}, {"--dept", &h.department}, {"--user", &h.userName},
        {"--date", &h.date},     {"--type", &h.stripType},
    };
    for (const auto &[option, value] : values)
        if (!acceptLineValue(ctx, QLatin1String(option), *value))
            return 2;
    if (!EntryHeader::isDateText(h.date))
        return usageError(ctx, QStringLiteral("--date takes \"yyyy/mm/dd hh:nn\" (a real date, 24 hours)"));
    int source = 0;
    QString sourceBeyond;
    if (copy && !parseListedNumber(args.value(QStringLiteral("copy-from")), source, sourceBeyond))
        return usageError(ctx, QStringLiteral("--copy-from takes an entry number of the register"));

    lockForWriting(ctx, path);
    RegisterDocument doc;
    QList<EntryHeader> rows;
    if (QFileInfo::exists(path))
        rows = doc.load(path);
    // The values as the register's input rule takes them.
    for (QString *v : {&h.extension, &h.department, &h.userName})
        *v = textrule::mapInput(*v, doc.encoding());
    if (const textrule::Refusal r = textrule::checkHeader(h, doc.encoding())) {
        ctx.err << r.message() << '\n';
        return 1;
    }
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
        if (row < 0 || !sourceBeyond.isEmpty()) {
            ctx.err << QStringLiteral("複製元の示名条 %1 が見つかりません。")
                           .arg(sourceBeyond.isEmpty() ? QString::number(source) : sourceBeyond)
                    << '\n';
            return 1;
        }
        const EntryHeader &src = rows.at(row);
        if (seriesIndex < 0)
            h.seriesCaption = src.seriesCaption;
        if (h.stripType.isEmpty())
            h.stripType = src.stripType;
        // A copy keeps its source's series and type; one given anew must be
        // a type the series offers, as for an entry from a template.
        if ((seriesIndex >= 0 || args.has(QStringLiteral("type"))) && !offered(ctx, h))
            return 1;
        nameplate::appendEntryAsCopy(doc, h, source);
    } else {
        if (!templates::templateExists(ctx.folders, h.stripType)) {
            ctx.err << templates::MissingMessage << '\n';
            return 1;
        }
        if (!offered(ctx, h))
            return 1;
        templates::appendEntryFromTemplate(doc, ctx.folders, h);
    }
    if (!saveRegister(ctx, doc, path))
        return 1;
    // The appended entry takes the number the register now counts.
    ctx.out << doc.entryCount() << '\t' << h.extension << '\n';
    return 0;
}

const CliRegistration regList(QStringLiteral("list"), cmdList, CliApplication::Core,
                              {QStringLiteral("FILE [--entry N | --entries LIST] [--type T]"),
                               QStringLiteral("list the entries (示名条) of a register (データベース)"),
                               {{QStringLiteral("entry"), QStringLiteral("N"), QStringLiteral("only this entry")},
                                {QStringLiteral("entries"), QStringLiteral("LIST"), QStringLiteral("only these entries")},
                                {QStringLiteral("type"), QStringLiteral("T"),
                                 QStringLiteral("only the entries of this strip type (示名条のタイプ)")}},
                               QStringLiteral("One line per entry, tab-separated: the entry's number (the one --entry takes), "
                                              "主装置のシリーズ (series), 示名条のタイプ (strip type), 内線番号 (extension), "
                                              "部署 (department), 使用者名 (user name) and 登録日時 (registration date).")});
const CliRegistration regCheck(QStringLiteral("check"), cmdCheck, CliApplication::Core,
                               {QStringLiteral("FILE"),
                                QStringLiteral("check that a register is sound"),
                                {},
                                QStringLiteral("Every problem is printed as FILE:LINE: problem, bytes that are no "
                                               "code page 932 character included. Exit 1 when the register is not "
                                               "sound, 0 when it is. A control character stored in a cell text (a "
                                               "tab) is sound: it is kept, and named as FILE:LINE: note on standard "
                                               "error (the first ten).")});
const CliRegistration regConvert(QStringLiteral("convert"), cmdConvert, CliApplication::Core,
                                 {QStringLiteral("IN OUT [--force]"),
                                  QStringLiteral("load a register, converting the older layout, and save it as OUT"),
                                  {forceOption()},
                                  QString()});
const CliRegistration regTemplates(
    QStringLiteral("templates"), cmdTemplates, CliApplication::Core,
    {QStringLiteral("[--series N]"),
     QStringLiteral("list the strip templates (*.tpl) offered per series"),
     {{QStringLiteral("series"), QStringLiteral("N"), QStringLiteral("only series N (主装置のシリーズ, 0 to 7)")}},
     QStringLiteral("One line per template: series number, series caption, strip type (示名条のタイプ) and the "
                    "folder it comes from (program, site or user). The folders are merged before sorting; a type "
                    "that two folders hold is listed twice, and creating an entry reads the first of program, "
                    "site and user folder that holds it.")});
const CliRegistration regNew(
    QStringLiteral("new"), cmdNew, CliApplication::Core,
    {QStringLiteral("FILE --series N --type T --ext E [--dept D] [--user U] [--copy-from ENTRY] "
                    "[--date \"yyyy/mm/dd hh:nn\"] [--force]"),
     QStringLiteral("add an entry (示名条の作成) to a register, creating the file when it does not exist"),
     {{QStringLiteral("series"), QStringLiteral("N"), QStringLiteral("主装置のシリーズ (series), 0 to 7")},
      {QStringLiteral("type"), QStringLiteral("T"), QStringLiteral("示名条のタイプ (strip type): a template of the series")},
      {QStringLiteral("ext"), QStringLiteral("E"), QStringLiteral("内線番号 (extension), unique in the register, up to 14 characters")},
      {QStringLiteral("dept"), QStringLiteral("D"), QStringLiteral("部署 (department), up to 32 characters")},
      {QStringLiteral("user"), QStringLiteral("U"), QStringLiteral("使用者名 (user name), up to 20 characters")},
      {QStringLiteral("copy-from"), QStringLiteral("ENTRY"),
       QStringLiteral("複製元指定: copy the strip of this entry instead of a template; series and type default to its own")},
      {QStringLiteral("date"), QStringLiteral("\"yyyy/mm/dd hh:nn\""),
       QStringLiteral("登録日時 (registration date); now when not given")},
      forceOption()},
     QStringLiteral("Header values are trimmed at the ends as the entry dialog trims them. An extension the "
                    "register holds already is refused (exit 1), and so is a strip type the series does not offer. "
                    "A date must be a real date and time in exactly that form (24 hours). A longer value, or a "
                    "character the register cannot hold, is refused (exit 1); name plates show a value cut to 20 "
                    "characters. Prints the new entry's number and extension.")});

} // namespace

QString escapedLines(const QStringList &lines)
{
    QString text = lines.join(QLatin1String("\\n"));
    text.replace(u'\t', QLatin1String("\\t"));
    return text;
}
