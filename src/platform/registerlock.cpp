#include "platform/registerlock.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#include <cerrno>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

// A lock file is a few short lines; anything larger is no lock.
constexpr qint64 MaxLockBytes = 4096;

// A fast hash of the bytes (not for security: it tells a changed file from
// the one read, at memory speed even for a large register).
quint64 contentHash(const QByteArray &bytes)
{
    return quint64(qHashBits(bytes.constData(), size_t(bytes.size()), 0x7461767265ULL));
}

bool processRunning(qint64 pid)
{
    if (pid <= 0 || pid > 0x7FFFFFFF)
        return false;
    if (::kill(pid_t(pid), 0) == 0)
        return true;
    return errno == EPERM; // alive, but another user's
}

QString userName()
{
    if (const passwd *pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace

QString LockHolder::describe() const
{
    const QString when = since.isValid() ? since.toLocalTime().toString(QStringLiteral("yyyy/MM/dd hh:mm")) : QStringLiteral("?");
    return QStringLiteral("%1（%2、プロセス %3）が %4 から").arg(user, host).arg(pid).arg(when);
}

RegisterLock::~RegisterLock()
{
    release();
}

QString RegisterLock::lockPath(const QString &registerPath)
{
    const QFileInfo fi(registerPath);
    return fi.absolutePath() + QStringLiteral("/.~") + fi.fileName() + QStringLiteral(".lock");
}

LockHolder RegisterLock::self()
{
    LockHolder h;
    h.user = userName();
    h.host = QSysInfo::machineHostName();
    h.pid = QCoreApplication::applicationPid();
    h.since = QDateTime::currentDateTimeUtc();
    return h;
}

RegisterLock::Probe RegisterLock::probe(const QString &registerPath)
{
    Probe p;
    QFile f(lockPath(registerPath));
    if (!QFileInfo(f.fileName()).isFile() || !f.open(QIODevice::ReadOnly))
        return p; // no lock (a folder or device of that name is none either)
    const QByteArray bytes = f.read(MaxLockBytes + 1);
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    bool pidOk = false;
    if (bytes.size() <= MaxLockBytes && lines.size() >= 4) {
        p.holder.user = lines.at(0).trimmed();
        p.holder.host = lines.at(1).trimmed();
        p.holder.pid = lines.at(2).trimmed().toLongLong(&pidOk);
        p.holder.since = QDateTime::fromString(lines.at(3).trimmed(), Qt::ISODate);
    }
    if (!pidOk || p.holder.host.isEmpty() || !p.holder.since.isValid()) {
        p.state = State::Stale;
        p.holder = {};
        return p;
    }
    const LockHolder me = self();
    if (p.holder.host == me.host) {
        if (p.holder.pid == me.pid)
            p.state = State::Ours;
        else
            p.state = processRunning(p.holder.pid) ? State::Live : State::Dead;
    } else {
        p.state = p.holder.since.secsTo(QDateTime::currentDateTimeUtc()) > 24 * 3600 ? State::Stale : State::Live;
    }
    return p;
}

bool RegisterLock::take(const QString &registerPath)
{
    release();
    const QString path = lockPath(registerPath);
    const LockHolder me = self();
    const QByteArray text = (me.user + u'\n' + me.host + u'\n' + QString::number(me.pid) + u'\n'
                             + me.since.toString(Qt::ISODate) + u'\n')
                                .toUtf8();
    QSaveFile f(path);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || f.write(text) != text.size() || !f.commit())
        return false;
    m_path = path;
    m_register = registerPath;
    return true;
}

void RegisterLock::release()
{
    if (m_path.isEmpty())
        return;
    // Only a lock that is still this process's own is removed: another
    // process may have taken it over meanwhile.
    if (probe(m_register).state == State::Ours)
        QFile::remove(m_path);
    m_path.clear();
    m_register.clear();
}

DiskStamp DiskStamp::of(const QString &path, const QByteArray &bytes)
{
    DiskStamp s;
    const QFileInfo fi(path);
    if (!fi.isFile())
        return s;
    s.valid = true;
    s.size = fi.size();
    s.modified = fi.lastModified();
    s.hash = contentHash(bytes);
    return s;
}

bool DiskStamp::changedOnDisk(const QString &path) const
{
    if (!valid)
        return false;
    const QFileInfo fi(path);
    if (!fi.isFile())
        return true;
    if (fi.size() != size)
        return true;
    if (fi.lastModified() == modified)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError || contentHash(bytes) != hash)
        return true;
    modified = fi.lastModified();
    return false;
}
