#pragma once
// Shared by the fuzz harnesses: the application object (offscreen, fonts
// substituted as in the program), a scratch folder for files the readers
// take from disk, and the check that stops the run on a broken invariant.

#include <QByteArray>
#include <QString>

class RegisterDocument;
class RegisterLines;

namespace fuzz {

// Creates the GUI application on the offscreen platform once; the harnesses
// call it from LLVMFuzzerInitialize.
void initialize(int *argc, char ***argv);

// A folder of this process that lives until it ends ("/" at the end).
QString scratchFolder();

// Writes bytes to a file in the scratch folder and returns its path.
QString writeScratch(const QString &name, const QByteArray &bytes);

// Reports the broken invariant on standard error and aborts, so that the
// fuzzer keeps the input as a crash.
[[noreturn]] void fail(const char *file, int line, const QString &what);

// Walks the entry whose header starts at line h, renders each cell and
// both views and draws its page; any error fails.
void drawEntry(const RegisterLines &lines, int h);

// Fails unless check accepts the document's lines.
void requireAccepted(const RegisterDocument &doc, const QString &operation);

} // namespace fuzz

#define FUZZ_REQUIRE(cond, what)                                                                                     \
    do {                                                                                                             \
        if (!(cond))                                                                                                 \
            ::fuzz::fail(__FILE__, __LINE__, QStringLiteral("%1: %2").arg(QStringLiteral(#cond), what));             \
    } while (false)
