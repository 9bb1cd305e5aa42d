#include "platform/registerlock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHashFunctions>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock file is a few short lines; anything larger is no lock.
constexpr qint64 MaxLockBytes = 4096;
// An empty lock this young is being written by its maker.
constexpr qint64 LockBeingMadeSeconds = 10;

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

// One line of the lock: no line breaks or other controls from a user or
// host name can add lines of their own.
QString lockLine(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    return text;
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

RegisterLock::Probe heldByUnknown(const QString &why)
{
    RegisterLock::Probe p;
    p.state = RegisterLock::State::Live;
    p.holder.unknown = why;
    return p;
}

// What is at the lock's path, read without following a link or opening
// anything but a regular file (a FIFO would block, a device could act).
// The lock's stat is kept for a take-over.
RegisterLock::Probe readLock(const QString &lockFile, const QString &registerPath, struct stat *seen)
{
    RegisterLock::Probe p;
    struct stat st;
    const QByteArray name = encoded(lockFile);
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? p : heldByUnknown(QStringLiteral("ロックファイルを調べられません"));
    if (!S_ISREG(st.st_mode))
        return heldByUnknown(QStringLiteral("ロックファイルの場所にファイルでないものがあります"));
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? p : heldByUnknown(QStringLiteral("ロックファイルを読めません"));
    QByteArray bytes(MaxLockBytes + 1, '\0');
    qint64 got = 0;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return heldByUnknown(QStringLiteral("ロックファイルの場所にファイルでないものがあります"));
    }
    while (got < bytes.size()) {
        const ssize_t r = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            ::close(fd);
            return heldByUnknown(QStringLiteral("ロックファイルを読めません"));
        }
        if (r == 0)
            break;
        got += r;
    }
    ::close(fd);
    bytes.truncate(got);
    if (seen)
        *seen = st;
    if (bytes.isEmpty() && ::time(nullptr) - st.st_mtime < LockBeingMadeSeconds) {
        p = heldByUnknown(QStringLiteral("ロックファイルを作成中です"));
        p.holder.beingMade = true;
        return p;
    }

    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    bool pidOk = false;
    if (bytes.size() <= MaxLockBytes && lines.size() >= 4) {
        p.holder.user = lines.at(0).trimmed();
        p.holder.host = lines.at(1).trimmed();
        p.holder.pid = lines.at(2).trimmed().toLongLong(&pidOk);
        p.holder.since = QDateTime::fromString(lines.at(3).trimmed(), Qt::ISODate);
        if (lines.size() > 4)
            p.holder.bootId = lines.at(4).trimmed();
        bool startOk = false;
        const qint64 start = lines.size() > 5 ? lines.at(5).trimmed().toLongLong(&startOk) : -1;
        p.holder.startTime = startOk && start >= 0 ? start : -1;
        if (lines.size() > 6)
            p.holder.program = lines.at(6).trimmed();
    }
    if (!pidOk || p.holder.host.isEmpty() || !p.holder.since.isValid()) {
        p.state = RegisterLock::State::Stale;
        p.holder = {};
        return p;
    }
    Q_UNUSED(registerPath);
    const LockHolder me = RegisterLock::self();
    if (p.holder.host != me.host) {
        p.state = p.holder.since.secsTo(QDateTime::currentDateTimeUtc()) > 24 * 3600 ? RegisterLock::State::Stale
                                                                                      : RegisterLock::State::Live;
        return p;
    }
    // On this host the holder is alive only while it is the very process
    // that wrote the lock: same boot, same process id, same start time.
    const bool sameBoot = p.holder.bootId.isEmpty() || me.bootId.isEmpty() || p.holder.bootId == me.bootId;
    if (!sameBoot) {
        p.state = RegisterLock::State::Dead;
        return p;
    }
    const bool sameStart = [&] {
        if (p.holder.startTime < 0)
            return true;
        const qint64 now = RegisterLock::processStartTime(p.holder.pid);
        return now < 0 || now == p.holder.startTime;
    }();
    if (p.holder.pid == me.pid)
        p.state = sameStart ? RegisterLock::State::Ours : RegisterLock::State::Dead;
    else
        p.state = processRunning(p.holder.pid) && sameStart ? RegisterLock::State::Live : RegisterLock::State::Dead;
    return p;
}

} // namespace

QString shownSafely(const QString &text, int maxLength)
{
    QString out;
    int shown = 0;
    const QList<uint> points = text.toUcs4();
    for (const uint c : points) {
        if (shown >= maxLength) {
            out += u'…';
            break;
        }
        const QChar::Category category = QChar::category(char32_t(c));
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else if (category == QChar::Other_Format || category == QChar::Other_Surrogate
                 || category == QChar::Separator_Line || category == QChar::Separator_Paragraph
                 || category == QChar::Other_NotAssigned)
            out += QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0'));
        else
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
        ++shown;
    }
    return out;
}

QString LockHolder::describe() const
{
    if (!unknown.isEmpty())
        return QStringLiteral("不明な相手（%1）が").arg(unknown);
    const QString when = since.isValid() ? since.toLocalTime().toString(QStringLiteral("yyyy/MM/dd hh:mm")) : QStringLiteral("?");
    return QStringLiteral("%1（%2、プロセス %3）が %4 から").arg(shownSafely(user), shownSafely(host)).arg(pid).arg(when);
}

RegisterLock::~RegisterLock()
{
    release();
}

QString RegisterLock::lockPath(const QString &registerPath)
{
    // Beside the file the name leads to, so that every name of a register
    // (a symbolic link, a relative path) finds the same lock.
    const QFileInfo fi(registerPath);
    QString real = fi.canonicalFilePath();
    if (real.isEmpty()) {
        const QString folder = QFileInfo(fi.absolutePath()).canonicalFilePath();
        real = (folder.isEmpty() ? fi.absolutePath() : folder) + u'/' + fi.fileName();
    }
    const QFileInfo canonical(real);
    return canonical.absolutePath() + QStringLiteral("/.~") + canonical.fileName() + QStringLiteral(".lock");
}

QString RegisterLock::bootId()
{
    static const QString id = [] {
        QFile f(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.read(128)).trimmed() : QString();
    }();
    return id;
}

qint64 RegisterLock::processStartTime(qint64 pid)
{
    if (pid <= 0)
        return -1;
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.read(4096);
    // The command name in parentheses may hold spaces and parentheses of
    // its own: the fields are counted after the last ')'. The start time is
    // field 22; the field after ')' is the third.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 20)
        return -1;
    bool ok = false;
    const qint64 start = fields.at(19).toLongLong(&ok);
    return ok ? start : -1;
}

LockHolder RegisterLock::self()
{
    LockHolder h;
    h.user = userName();
    h.host = QSysInfo::machineHostName();
    h.pid = QCoreApplication::applicationPid();
    h.since = QDateTime::currentDateTimeUtc();
    h.bootId = bootId();
    static qint64 startOf = -1, start = -1; // read once per process
    if (startOf != h.pid) {
        start = processStartTime(h.pid);
        startOf = h.pid;
    }
    h.startTime = start;
    h.program = QCoreApplication::applicationName();
    return h;
}

RegisterLock::Probe RegisterLock::heldUnderAnotherName()
{
    return heldByUnknown(QStringLiteral("このファイルを別の名前で開いています"));
}

RegisterLock::Probe RegisterLock::probe(const QString &registerPath)
{
    return readLock(lockPath(registerPath), registerPath, nullptr);
}

RegisterLock::Probe RegisterLock::take(const QString &registerPath, bool overStale)
{
    release();
    const QString path = lockPath(registerPath);
    const QByteArray name = encoded(path);
    const LockHolder me = self();
    const QByteArray text = (lockLine(me.user) + u'\n' + lockLine(me.host) + u'\n' + QString::number(me.pid) + u'\n'
                             + me.since.toString(Qt::ISODate) + u'\n' + lockLine(me.bootId) + u'\n'
                             + QString::number(me.startTime) + u'\n' + lockLine(me.program) + u'\n')
                                .toUtf8();
    Probe found;
    // The dead lock this call moved aside: kept until the new lock is made,
    // so that the new one cannot get its inode (and pass for it).
    QByteArray movedAside;
    int heldAside = -1; // its descriptor, holding the takers' flock
    QElapsedTimer busy; // how long other takers kept the old lock busy
    busy.start();
    auto dropMoved = [&] {
        if (!movedAside.isEmpty())
            ::unlink(movedAside.constData());
        movedAside.clear();
        if (heldAside >= 0)
            ::close(heldAside);
        heldAside = -1;
    };
    // A few rounds: a lock removed or taken over between two looks is
    // looked at again.
    for (int round = 0; round < 64; ++round) {
        // Made anew, never opened if it exists, never through a link; the
        // mode is set apart from the umask so that every user of the
        // folder can read who holds the register.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            struct stat st;
            bool ok = ::fchmod(fd, 0644) == 0 || errno == EPERM;
            qint64 done = 0;
            while (ok && done < text.size()) {
                const ssize_t w = ::write(fd, text.constData() + done, size_t(text.size() - done));
                if (w < 0 && errno == EINTR)
                    continue;
                ok = w > 0;
                done += w > 0 ? w : 0;
            }
            ok = ::fstat(fd, &st) == 0 && ok;
            ::close(fd);
            dropMoved();
            if (!ok) {
                ::unlink(name.constData()); // made by this call, and only half written
                return {};
            }
            m_path = path;
            m_register = registerPath;
            m_device = quint64(st.st_dev);
            m_inode = quint64(st.st_ino);
            found.state = State::Ours;
            found.holder = me;
            return found;
        }
        const int error = errno;
        dropMoved(); // another taker made its lock first
        if (error != EEXIST)
            return {}; // a folder that takes no new file
        struct stat seen;
        found = readLock(path, registerPath, &seen);
        if (found.state == State::Free)
            continue; // removed meanwhile
        if (found.state == State::Ours || found.state == State::Live || (found.state == State::Stale && !overStale))
            return found;
        // Dead, or stale and to be taken over. Takers agree through an
        // exclusive flock on the lock file itself: only the one holding it
        // moves the file, and only while the name still leads to that file
        // and it is still judged dead. The flock is kept until the new lock
        // is made, so that another taker that opened the old file waits and
        // then finds the name taken.
        const int held = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (held < 0)
            continue; // gone, or something else now: looked at again
        struct stat opened, named;
        if (::fstat(held, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(held);
            continue;
        }
        if (::flock(held, LOCK_EX | LOCK_NB) != 0) {
            // Another taker is taking it over: look again in a moment, for
            // a while (a flock kept for long is someone's, not a taker's).
            ::close(held);
            if (busy.elapsed() > 3000)
                break;
            QThread::msleep(2);
            --round;
            continue;
        }
        found = readLock(path, registerPath, &seen);
        const bool judged = ::lstat(name.constData(), &named) == 0 && named.st_dev == opened.st_dev
                            && named.st_ino == opened.st_ino && seen.st_dev == opened.st_dev
                            && seen.st_ino == opened.st_ino;
        if (!judged || !(found.state == State::Dead || (found.state == State::Stale && overStale))) {
            ::close(held); // replaced meanwhile, or alive after all
            if (found.state == State::Ours || found.state == State::Live || found.state == State::Stale)
                return found;
            continue;
        }
        const QByteArray aside = name + ".taken-" + QByteArray::number(me.pid) + '-'
                                 + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        if (::rename(name.constData(), aside.constData()) != 0) {
            const int renameError = errno;
            ::close(held);
            if (renameError == ENOENT)
                continue;
            return {}; // another user's lock in a folder that keeps it (sticky): no lock can be made
        }
        movedAside = aside;
        heldAside = held;
    }
    dropMoved();
    // A lock still judged dead or stale after every round is being taken
    // over by someone else, or kept: it counts as held.
    if (found.state == State::Dead || (found.state == State::Stale && overStale))
        found.state = State::Live;
    return found.state == State::Free ? Probe() : found;
}

bool RegisterLock::holdFile(const QString &registerPath, int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    const QByteArray name = encoded(registerPath);
    for (;;) {
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return true; // no file yet (or none this user may read): nothing to hold
        struct stat opened, now;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return true;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error != EWOULDBLOCK && error != EINTR)
                return true; // a file system without locks
            if (waited.elapsed() >= waitMs)
                return false;
            QThread::msleep(10);
            continue;
        }
        // Replaced by a rename while waiting: the lock is on a file no
        // name leads to any more.
        if (::stat(name.constData(), &now) == 0 && (now.st_dev != opened.st_dev || now.st_ino != opened.st_ino)) {
            ::close(fd);
            continue;
        }
        if (m_fileLock >= 0)
            ::close(m_fileLock);
        m_fileLock = fd;
        return true;
    }
}

void RegisterLock::holdWritten(int fd)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    if (::flock(copy, LOCK_EX | LOCK_NB) != 0) {
        ::close(copy);
        return;
    }
    if (m_fileLock >= 0)
        ::close(m_fileLock);
    m_fileLock = copy;
}

void RegisterLock::release()
{
    if (!m_path.isEmpty()) {
        // Only a lock that is still the one this process made is removed:
        // another process may have taken it over meanwhile.
        const QByteArray name = encoded(m_path);
        struct stat st;
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && quint64(st.st_dev) == m_device
            && quint64(st.st_ino) == m_inode)
            ::unlink(name.constData());
    }
    if (m_fileLock >= 0)
        ::close(m_fileLock);
    m_fileLock = -1;
    m_path.clear();
    m_register.clear();
    m_device = m_inode = 0;
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
