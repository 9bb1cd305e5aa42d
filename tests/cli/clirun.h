#pragma once
// Runs the built tavrel-cli for the command-line tests.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace clitest {

// The environment the program runs in: the offscreen platform, and data and
// settings folders of the test's own (empty), so that templates or settings
// in the real home folder never reach a test.
inline QProcessEnvironment cliEnvironment()
{
    static QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    return env;
}

struct Run
{
    int code;
    QString out;
    QString err;
    QByteArray bytes = {}; // standard output as it came (cliInShell)
};

// The exit code (-1 on a time-out, -2 on a crash) and both output streams.
// Without an environment the program runs in cliEnvironment().
inline Run cli(const QStringList &args, const QProcessEnvironment &environment = {})
{
    QProcess p;
    p.setProcessEnvironment(environment.isEmpty() ? cliEnvironment() : environment);
    p.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli"), args);
    if (!p.waitForFinished(60000))
        return {-1, {}, {}};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The same through bash, with `prefix` run first in that shell (such as
// "ulimit -f 4;") and `input` on standard input.
inline Run cliInShell(const QString &prefix, const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.setProcessEnvironment(cliEnvironment());
    p.start(QStringLiteral("bash"), QStringList{"-c", prefix + QStringLiteral(" exec \"$0\" \"$@\""),
                                                QStringLiteral(TAVREL_BINARY_DIR "/tavrel-cli")} + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, {}};
    }
    const QByteArray out = p.readAllStandardOutput();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(out),
            QString::fromUtf8(p.readAllStandardError()), out};
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace clitest
