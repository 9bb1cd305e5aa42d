#pragma once
// tavrel-cli: the command-line companion. Each command returns the exit
// code: 0 success, 1 bad data, 2 bad usage.

#include <QMap>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <map>

struct CliContext
{
    QTextStream &out; // UTF-8 standard output
    QTextStream &err; // messages
    QString templateFolder;
};

using CliCommand = std::function<int(CliContext &, const QStringList &args)>;

// The application a command runs on. Commands that only read and write
// files run on a plain core application, which needs neither a display nor
// a runtime folder; commands that draw (fonts, images) get a GUI application
// on the offscreen platform. A command that does not say runs on the latter,
// which works for every command.
enum class CliApplication { Core, Offscreen };

struct CliEntry
{
    CliCommand run;
    CliApplication application = CliApplication::Offscreen;
};

// Commands by name; other parts of the program add theirs (render, print).
std::map<QString, CliEntry> &cliCommands();
struct CliRegistration
{
    CliRegistration(const QString &name, CliCommand command, CliApplication app = CliApplication::Offscreen)
    {
        cliCommands()[name] = CliEntry{std::move(command), app};
    }
};

// Argument helpers shared by the commands.
class CliArgs
{
public:
    // flags name the options that take no value (without the dashes); "--"
    // ends the options.
    explicit CliArgs(const QStringList &args, const QStringList &flags = {});
    // Option value (--name VALUE); empty when absent. Missing value → usage error.
    bool has(const QString &name) const;
    QString value(const QString &name) const;
    const QStringList &positional() const { return m_positional; }
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The first option given that is not among `known`; empty when none.
    QString unknownOption(const QStringList &known) const;

private:
    QStringList m_positional;
    QMap<QString, QString> m_options;
    QString m_error;
};

int usageError(CliContext &ctx, const QString &message);

// A value that is to become one line of the register: refused (false, with
// the reason on standard error) when it holds a line break or another
// control character, or is an entry marker line. `what` names the option or
// argument in the message. The caller then exits with 2, nothing written.
bool acceptLineValue(CliContext &ctx, const QString &what, const QString &value);

class RegisterDocument;
// Loads the register and returns the header line of entry n; -1 (with the
// message on standard error) when the register has no such entry.
int loadEntry(CliContext &ctx, RegisterDocument &doc, const QString &path, int n);
