#pragma once
// tavrel-cli: the command-line companion. Each command returns the exit
// code: 0 success, 1 bad data, 2 bad usage.

#include "register/templates.h"

#include <QMap>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <map>
#include <memory>

struct CliRegisterLock;

// One option of a command: its name without the dashes ("entry"; a
// one-letter name is written -o), the placeholder of its value (empty for a
// flag, which takes none) and what it does. The same table tells the parser
// which options exist and which take a value, and prints --help and the
// manual page, so the two cannot drift apart.
struct CliOption
{
    QString name;
    QString value;
    QString help;
    bool isFlag() const { return value.isEmpty(); }
    QString spelling() const { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }
};

// How a command is called and what it does.
struct CliSyntax
{
    QString synopsis;          // what follows the command name; several forms on separate lines
    QString summary;           // one line, for the list of commands
    QList<CliOption> options;  // every option the command accepts
    QString description;       // paragraphs separated by blank lines; may be empty
};

struct CliContext
{
    QTextStream &out; // UTF-8 standard output
    QTextStream &err; // messages
    // Template folders: program (--templates-dir), site (--site-templates),
    // user (--user-templates).
    templates::Folders folders;
    QString command;                     // the command's name
    const CliSyntax *syntax = nullptr;   // the command's option table
    // --force was given: a register that another process has open is
    // written all the same.
    bool force = false;
    // The register this command writes, locked from before it is read
    // until the program ends (see lockForWriting).
    std::shared_ptr<CliRegisterLock> writing;
};

// --force of the commands that write a register.
CliOption forceOption();

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
    CliSyntax syntax;
};

// Commands by name; other parts of the program add theirs (render, print).
std::map<QString, CliEntry> &cliCommands();
struct CliRegistration
{
    CliRegistration(const QString &name, CliCommand command, CliApplication app, CliSyntax syntax)
    {
        cliCommands()[name] = CliEntry{std::move(command), app, std::move(syntax)};
    }
};

// Argument helpers shared by the commands.
class CliArgs
{
public:
    // Parses by the running command's option table: its flags take no
    // value, an option the table does not name is an error, and "--" ends
    // the options.
    CliArgs(const CliContext &ctx, const QStringList &args);
    // Option value (--name VALUE); empty when absent. Missing value → usage error.
    bool has(const QString &name) const;
    QString value(const QString &name) const;
    const QStringList &positional() const { return m_positional; }
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    void parse(const QStringList &args, const QStringList &flags, const QStringList *known);
    QStringList m_positional;
    QMap<QString, QString> m_options;
    QString m_error;
};

int usageError(CliContext &ctx, const QString &message);
// "usage: tavrel-cli COMMAND SYNOPSIS" of the running command, one line per form.
QString commandUsage(const CliContext &ctx);
// A usage error that adds the command's usage below the message.
int usageErrorWithUsage(CliContext &ctx, const QString &message);

// A value that is to become one line of the register: refused (false, with
// the reason on standard error) when it holds a line break or another
// control character, or is an entry marker line. `what` names the option or
// argument in the message. The caller then exits with 2, nothing written.
bool acceptLineValue(CliContext &ctx, const QString &what, const QString &value);

class RegisterDocument;
// Loads the register and returns the header line of entry n; -1 (with the
// message on standard error) when the register has no such entry. `beyond`
// is the text of a number too large to name one (see parseListedNumber).
int loadEntry(CliContext &ctx, RegisterDocument &doc, const QString &path, int n, const QString &beyond = {});
// Saves the register to path when check accepts it; otherwise says why on
// standard error, leaves the file as it was and returns false (exit 1). A
// register damaged before the command stays damaged after it, so nothing is
// written over it.
bool saveRegister(CliContext &ctx, RegisterDocument &doc, const QString &path);
// Takes the register's lock (and the flock on its file) before a writing
// command reads it, so that what it writes is based on the register as the
// previous writer left it. A lock of another tavrel-cli on this host is
// waited for up to CliLockWaitMs; one of the window, of another host or of
// someone unknown is not (saveRegister then refuses without --force).
void lockForWriting(CliContext &ctx, const QString &path);
constexpr int CliLockWaitMs = 10000;
// Decides what -o names before anything is read or written: a regular file
// or a new name (written atomically), "-" or /dev/stdout (standard output),
// an existing FIFO or character device (written into). False (said on
// standard error; the caller exits 2) when it is empty, anything else (a
// folder, a block device), or names the register the command reads (registerPath, may
// be empty) or another register.
bool outputApartFromRegister(CliContext &ctx, const QString &output, const QString &registerPath);
// The same check alone, for a dry run that tells what the run would do.
bool writable(CliContext &ctx, const RegisterDocument &doc, const QString &path);

// A cell's text lines on one output line: line breaks as \n, tabs as \t.
QString escapedLines(const QStringList &lines);
