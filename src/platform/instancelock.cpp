#include "platform/instancelock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

QString InstanceLock::runtimeFolder(QString *problem)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QStringLiteral("/tmp");
    const QString folder = QStringLiteral("%1/tavrel-%2").arg(base).arg(getuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *problem = QStringLiteral("フォルダ %1 を作れません: %2").arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return QString();
    }
    // Whatever is there now must be this user's folder, closed to others:
    // lstat, so that a link planted there is refused, not followed.
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()
        || (st.st_mode & 077) != 0) {
        *problem = QStringLiteral("フォルダ %1 がほかのユーザーのものか、ほかのユーザーにも開かれています。"
                                  "このフォルダを削除するか、XDG_RUNTIME_DIR を設定してください。")
                       .arg(folder);
        return QString();
    }
    return folder;
}

InstanceLock::InstanceLock(const QString &executableFileName)
{
    const QString dir = runtimeFolder(&m_problem);
    if (dir.isEmpty())
        return;
    m_path = dir + u'/' + executableFileName + QStringLiteral(".lock");
    const QByteArray native = QFile::encodeName(m_path);
    // Never through a link; a lock file this user did not make is not
    // obeyed: it is replaced by one of the user's own.
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid())) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0 && ::unlink(native.constData()) == 0)
        fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && ::lstat(native.constData(), &st) == 0) {
        // Something that is not the user's own and cannot be removed: the
        // guard is not given up for it.
        m_problem = QStringLiteral("%1 はほかのユーザーのものです。").arg(m_path);
        return;
    }
    if (fd < 0) {
        // No lock file can be made (a read-only runtime folder): run without
        // the single-instance guard rather than refuse to start.
        m_fd = INT32_MAX;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0 && m_fd != INT32_MAX) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

bool InstanceLock::isUsersSocket(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == getuid();
}

bool InstanceLock::peerIsUser(qintptr socketDescriptor)
{
    struct ucred cred = {};
    socklen_t size = sizeof cred;
    return socketDescriptor >= 0
           && ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0
           && size == sizeof cred && cred.uid == getuid();
}
