#pragma once
// Runs the built tavrel-cli for the command-line tests.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace clitest {

struct Run
{
    int code;
    QString out;
    QString err;
    QByteArray bytes = {}; // standard output as it came (cliInShell)
};

// The exit code (-1 on a time-out, -2 on a crash) and both output streams.
// Without an environment the program runs on the offscreen platform.
inline Run cli(const QStringList &args, const QProcessEnvironment &environment = {})
{
    QProcess p;
    QProcessEnvironment env = environment;
    if (env.isEmpty()) {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    p.setProcessEnvironment(env);
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
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
