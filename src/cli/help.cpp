#include "cli/help.h"

#include <algorithm>

namespace clihelp {

namespace {

const int Width = 79;

const char *const Description =
    "tavrel-cli is the command-line companion of Tavrel, the desktop program that prepares and prints "
    "designation strips (示名条) for business key telephones. It lists, checks, converts and edits "
    "registers (データベース, *.TAV files) and draws and prints their strips with the same code as the "
    "desktop program tavrel. It needs no display.";

// Options that come before the command.
struct GlobalOption
{
    const char *spelling;
    const char *help;
};
const GlobalOption GlobalOptions[] = {
    {"--templates-dir DIR", "read the strip templates (*.tpl) from DIR instead of the program folder"},
    {"--site-templates DIR", "read the site's templates from DIR instead of the SiteDir folder of the settings"},
    {"--user-templates DIR", "read and save the user's templates in DIR instead of $XDG_DATA_HOME/tavrel/templates/"},
    {"-h, --help", "print this help; after a command, the help of that command"},
    {"--version", "print the version and the licence"},
    {"--manpage [ja]", "print this help as the manual page tavrel-cli(1), in roff; ja: in Japanese"},
};

// The rules every command shares, as (heading, paragraph) pairs.
const std::pair<const char *, const char *> Conventions[] = {
    {"Entries and cells",
     "--entry N names one entry by the number list prints. --entries LIST takes comma-separated numbers and "
     "a-b ranges (no spaces), or all; a command that works on entries and is given neither works on every "
     "entry in register order. --cell C and --cells LIST name cells the same way; cells count from 0 across "
     "the sections of a strip. Numbers are plain digits; one that names no entry or cell, however large, "
     "is bad data."},
    {"Values",
     "A value that becomes a register line (a text line, --ext, --dept, --user, --date, --type) may not hold "
     "a line break or another control character, nor be an entry marker line. An option that takes a value "
     "is given once. Flags take no value; -- ends the options, so a text that starts with - can follow."},
    {"Output",
     "Results go to standard output in UTF-8, one line each, columns separated by tabs, without a header "
     "line; messages go to standard error. A command that changes the register saves it atomically and "
     "prints one line per change; on any failure the file is left byte for byte as it was."},
    {"Shared registers",
     "A command that writes a register takes its lock (.~NAME.lock beside the register's real path) and a "
     "flock on the file before reading it, and keeps them until it has written. Another tavrel-cli holding "
     "them is waited for up to 10 seconds, then the register is read afresh; past that, and at once when the "
     "desktop program, another host or someone unknown holds the register (a lock that cannot be read, or a "
     "link, FIFO or folder at the lock's path), the command refuses with exit 1 and names the holder. "
     "--force writes all the same and leaves the lock alone."},
    {"Exit status", "0 success, 1 bad data (the register, a template, a picture or a value the register "
                    "refuses), 2 bad usage (an unknown command or option, a missing or malformed value)."},
    {"Files",
     "The strip templates are read from the program folder (the folder of the installed executable, "
     "/usr/lib/tavrel/ in the Debian package; never written), then from the site folder named by SiteDir= in "
     "the [Templates] section of the desktop program's settings file, then from the user folder "
     "$XDG_DATA_HOME/tavrel/templates/ (~/.local/share/tavrel/templates/ by default); a strip type is read "
     "from the first folder that holds it. Key label files TAVKey1.ini ... TAVKey8.ini live in the "
     "desktop program's settings folder, $APPDATA/tavrel/, else $XDG_CONFIG_HOME/tavrel/, else "
     "~/.config/tavrel/. Registers and key label files are code page 932 text with CR LF line ends."},
};

// Columns a character takes on a terminal: East Asian wide and full-width
// forms take two.
int columns(QChar c)
{
    const char16_t u = c.unicode();
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                      || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
                      || (u >= 0xFFE0 && u <= 0xFFE6);
    return wide ? 2 : 1;
}

int columns(const QString &text)
{
    int n = 0;
    for (QChar c : text)
        n += columns(c);
    return n;
}

// Fills text into lines of at most Width columns; the first line starts
// after `first` columns already used, every further one with `indent`.
QString wrap(const QString &text, int first, int indent)
{
    QString out;
    int used = first;
    bool lineEmpty = true;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        const int w = columns(word);
        if (!lineEmpty && used + 1 + w > Width) {
            out += u'\n' + QString(indent, u' ');
            used = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += u' ';
            ++used;
        }
        out += word;
        used += w;
        lineEmpty = false;
    }
    return out;
}

// A two-column list: the left column padded to `left` columns, the right
// one wrapped beside it.
QString item(const QString &name, const QString &help, int left)
{
    QString out = QStringLiteral("  ") + name;
    int used = 2 + columns(name);
    if (used + 2 > left) {
        out += u'\n' + QString(left, u' ');
    } else {
        out += QString(left - used, u' ');
    }
    return out + wrap(help, left, left) + u'\n';
}

// A synopsis wrapped within Width columns after `first` columns: it breaks
// only between bracketed groups, never inside "[--date ...]".
QString wrapSynopsis(const QString &form, int first, int indent)
{
    QStringList groups;
    int depth = 0;
    for (const QString &word : form.split(u' ', Qt::SkipEmptyParts)) {
        if (depth > 0)
            groups.last() += u' ' + word;
        else
            groups.append(word);
        for (QChar c : word) {
            if (c == u'[' || c == u'(')
                ++depth;
            else if ((c == u']' || c == u')') && depth > 0)
                --depth;
        }
    }
    QString out;
    int used = first;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const int w = columns(groups.at(i));
        if (i > 0 && used + 1 + w > Width) {
            out += u'\n' + QString(indent, u' ');
            used = indent;
        } else if (i > 0) {
            out += u' ';
            ++used;
        }
        out += groups.at(i);
        used += w;
    }
    return out;
}

QString optionName(const CliOption &o)
{
    return o.isFlag() ? o.spelling() : o.spelling() + u' ' + o.value;
}

// roff: dashes and backslashes escaped, no line may start with a control
// character.
QString roff(const QString &text)
{
    QString t = text;
    t.replace(u'\\', QLatin1String("\\e"));
    t.replace(u'-', QLatin1String("\\-"));
    QStringList lines = t.split(u'\n');
    for (QString &l : lines)
        if (l.startsWith(u'.') || l.startsWith(u'\''))
            l.prepend(QLatin1String("\\&"));
    return lines.join(u'\n');
}

} // namespace

QString programUsage()
{
    return QStringLiteral("usage: tavrel-cli [--templates-dir DIR] [--site-templates DIR]\n"
                          "                  [--user-templates DIR] COMMAND [ARGUMENTS]\n"
                          "       tavrel-cli COMMAND --help\n"
                          "       tavrel-cli --help | --version\n");
}

QString programHelp()
{
    QString out = programUsage() + u'\n' + wrap(QString::fromUtf8(Description), 0, 0) + QStringLiteral("\n\nCommands:\n");
    for (const auto &[name, entry] : cliCommands())
        out += item(name, entry.syntax.summary, 14);
    out += QStringLiteral("\nOptions before the command:\n");
    for (const GlobalOption &o : GlobalOptions)
        out += item(QString::fromUtf8(o.spelling), QString::fromUtf8(o.help), 24);
    for (const auto &[heading, text] : Conventions)
        out += u'\n' + QString::fromUtf8(heading) + QStringLiteral(":\n  ") + wrap(QString::fromUtf8(text), 2, 2)
               + u'\n';
    out += QStringLiteral("\ntavrel-cli COMMAND --help shows the options of one command.\n");
    return out;
}

QString usageLines(const QString &name, const CliSyntax &syntax)
{
    QString out;
    const QStringList forms = syntax.synopsis.split(u'\n');
    for (qsizetype i = 0; i < forms.size(); ++i) {
        const QString head = (i == 0 ? QStringLiteral("usage: ") : QStringLiteral("       "))
                             + QStringLiteral("tavrel-cli %1 ").arg(name);
        out += head + wrapSynopsis(forms.at(i), columns(head), columns(head) + 2) + u'\n';
    }
    return out;
}

QString commandHelp(const QString &name, const CliSyntax &syntax)
{
    QString out = usageLines(name, syntax) + u'\n' + wrap(syntax.summary.left(1).toUpper() + syntax.summary.mid(1) + u'.', 0, 0) + u'\n';
    out += QStringLiteral("\nOptions:\n");
    int left = 0;
    for (const CliOption &o : syntax.options)
        left = std::max(left, 2 + columns(optionName(o)) + 2);
    left = std::clamp(left, 16, 28);
    for (const CliOption &o : syntax.options)
        out += item(optionName(o), o.help, left);
    out += item(QStringLiteral("-h, --help"), QStringLiteral("print this help"), left);
    if (!syntax.description.isEmpty())
        for (const QString &paragraph : syntax.description.split(QStringLiteral("\n\n")))
            out += u'\n' + wrap(paragraph, 0, 0) + u'\n';
    return out;
}

namespace {

// The manual page's own words that are no text of a table.
struct PageWords
{
    const char *title, *name, *synopsis, *description, *options, *commands, *seeAlso, *seeAlsoText;
};
const PageWords EnglishWords{"User Commands",
                             "lists, checks, edits and prints registers of designation strips",
                             "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "\"SEE ALSO\"",
                             "\\fBtavrel\\fR(1), the desktop program; \\fBlp\\fR(1) to print the PDF files. How to work with "
                             "Tavrel is told in the user guide, /usr/share/doc/tavrel/guide/en/index.html."};
const PageWords JapaneseWords{"ユーザーコマンド", "示名条のデータベースを一覧、検査、編集、印刷する", "書式", "説明",
                              "オプション", "コマンド", "関連項目",
                              "\\fBtavrel\\fR(1) デスクトップのプログラム、\\fBlp\\fR(1) PDF ファイルの印刷。"
                              "操作の手引きは /usr/share/doc/tavrel/guide/ja/index.html のユーザーガイドにあります。"};

// Every text of the tables and of the help that the manual page prints, in
// the order it prints them.
QStringList pageTexts()
{
    QStringList texts{QString::fromUtf8(Description)};
    for (const GlobalOption &o : GlobalOptions)
        texts << QString::fromUtf8(o.help);
    for (const auto &[name, entry] : cliCommands()) {
        const CliSyntax &s = entry.syntax;
        texts << s.summary;
        for (const CliOption &o : s.options)
            texts << o.help;
        if (!s.description.isEmpty())
            texts << s.description.split(QStringLiteral("\n\n"));
    }
    for (const auto &[heading, text] : Conventions)
        texts << QString::fromUtf8(heading) << QString::fromUtf8(text);
    return texts;
}

} // namespace

QStringList untranslated()
{
    QStringList missing;
    for (const QString &t : pageTexts())
        if (japanese(t).isEmpty() && !missing.contains(t))
            missing << t;
    return missing;
}

QString manualPage(const QString &language)
{
    const bool ja = language == QLatin1String("ja");
    const PageWords &w = ja ? JapaneseWords : EnglishWords;
    // A text of the tables in the page's language; a text without its
    // Japanese form stays English (the help test lists such texts).
    auto text = [ja](const QString &english) {
        const QString t = ja ? japanese(english) : QString();
        return t.isEmpty() ? english : t;
    };
    auto sentence = [ja, &text](const QString &summary) {
        const QString t = text(summary);
        return ja && t != summary ? t : summary.left(1).toUpper() + summary.mid(1) + u'.';
    };
    QString m;
    m += QStringLiteral(".TH TAVREL\\-CLI 1 %1 \"Tavrel %2\" \"%3\"\n")
             .arg(QStringLiteral(TAVREL_RELEASE_DATE), QStringLiteral(TAVREL_VERSION), QString::fromUtf8(w.title));
    if (ja)
        m += QStringLiteral(".ad l\n");
    m += QStringLiteral(".SH %1\ntavrel\\-cli \\- %2\n")
             .arg(ja ? QStringLiteral("名前") : QStringLiteral("NAME"), QString::fromUtf8(w.name));
    m += QStringLiteral(".SH %1\n.B tavrel\\-cli\n[\\fB\\-\\-templates\\-dir\\fR \\fIDIR\\fR] "
                        "[\\fB\\-\\-site\\-templates\\fR \\fIDIR\\fR] [\\fB\\-\\-user\\-templates\\fR \\fIDIR\\fR] \\fICOMMAND\\fR "
                        "[\\fIARGUMENTS\\fR]\n.br\n.B tavrel\\-cli\n\\fICOMMAND\\fR \\fB\\-\\-help\\fR\n.br\n"
                        ".B tavrel\\-cli \\-\\-help\n.br\n.B tavrel\\-cli \\-\\-version\n")
             .arg(QString::fromUtf8(w.synopsis));
    m += QStringLiteral(".SH %1\n").arg(QString::fromUtf8(w.description)) + roff(text(QString::fromUtf8(Description)))
         + u'\n';
    m += QStringLiteral(".SH %1\n").arg(QString::fromUtf8(w.options));
    for (const GlobalOption &o : GlobalOptions)
        m += QStringLiteral(".TP\n.B %1\n%2\n").arg(roff(QString::fromUtf8(o.spelling)), roff(text(QString::fromUtf8(o.help))));
    m += QStringLiteral(".SH %1\n").arg(QString::fromUtf8(w.commands));
    for (const auto &[name, entry] : cliCommands()) {
        const CliSyntax &s = entry.syntax;
        m += QStringLiteral(".SS %1\n").arg(roff(name));
        for (const QString &form : s.synopsis.split(u'\n'))
            m += QStringLiteral(".B tavrel\\-cli %1\n%2\n.br\n").arg(roff(name), roff(form.trimmed()));
        m += QStringLiteral(".PP\n") + roff(sentence(s.summary)) + u'\n';
        for (const CliOption &o : s.options)
            m += QStringLiteral(".TP\n\\fB%1\\fR%2\n%3\n")
                     .arg(roff(o.spelling()), o.isFlag() ? QString() : QStringLiteral(" \\fI%1\\fR").arg(roff(o.value)),
                          roff(text(o.help)));
        if (!s.description.isEmpty())
            for (const QString &paragraph : s.description.split(QStringLiteral("\n\n")))
                m += QStringLiteral(".PP\n") + roff(text(paragraph)) + u'\n';
    }
    for (const auto &[heading, body] : Conventions) {
        const QString h = text(QString::fromUtf8(heading));
        m += QStringLiteral(".SH \"%1\"\n").arg(ja ? h : h.toUpper()) + roff(text(QString::fromUtf8(body))) + u'\n';
    }
    m += QStringLiteral(".SH %1\n%2\n").arg(QString::fromUtf8(w.seeAlso), QString::fromUtf8(w.seeAlsoText));
    return m;
}

bool asksForHelp(const CliSyntax &syntax, const QStringList &args)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--"))
            return false;
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return true;
        if (!a.startsWith(u'-') || a.size() < 2)
            continue;
        QString name = a;
        while (name.startsWith(u'-'))
            name.remove(0, 1);
        for (const CliOption &o : syntax.options)
            if (o.name == name && !o.isFlag()) {
                ++i; // its value, whatever it looks like
                break;
            }
    }
    return false;
}

namespace {

int cmdHelp(CliContext &ctx, const QStringList &argv)
{
    CliArgs args(ctx, argv);
    if (!args.ok() || args.positional().size() > 1)
        return usageErrorWithUsage(ctx, args.ok() ? QStringLiteral("help takes at most one command") : args.error());
    if (args.positional().isEmpty()) {
        ctx.out << programHelp();
        return 0;
    }
    const QString name = args.positional().constFirst();
    const auto it = cliCommands().find(name);
    if (it == cliCommands().end())
        return usageError(ctx, QStringLiteral("unknown command '%1'").arg(name));
    ctx.out << commandHelp(name, it->second.syntax);
    return 0;
}

const CliRegistration reg(QStringLiteral("help"), cmdHelp, CliApplication::Core,
                          {QStringLiteral("[COMMAND]"), QStringLiteral("print this help, or the help of one command"),
                           {},
                           QString()});

} // namespace

} // namespace clihelp
