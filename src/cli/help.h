#pragma once
// tavrel-cli help: the general help, each command's help and the manual
// page, all printed from the commands' option tables.

#include "cli/commands.h"

namespace clihelp {

// The usage lines that start every help text and follow a usage error
// without a command.
QString programUsage();
// tavrel-cli --help: usage, what the program does, the commands, the
// options before a command, the conventions and the exit codes.
QString programHelp();
// "usage: tavrel-cli COMMAND ..." with one line per form of the command,
// wrapped to the terminal width.
QString usageLines(const QString &name, const CliSyntax &syntax);
// tavrel-cli COMMAND --help.
QString commandHelp(const QString &name, const CliSyntax &syntax);
// The manual page tavrel-cli.1 (roff, UTF-8), in English or, for
// language "ja", in Japanese.
QString manualPage(const QString &language = QString());
// The Japanese form of a text of the option tables or the help; empty when
// it has none.
QString japanese(const QString &english);
// The texts the manual page prints that have no Japanese form.
QStringList untranslated();
// True when args (what follows the command name) ask for the command's help:
// --help or -h before "--", and not the value of an option that takes one.
bool asksForHelp(const CliSyntax &syntax, const QStringList &args);

} // namespace clihelp
