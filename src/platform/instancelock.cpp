#include "platform/instancelock.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QString &executableFileName)
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString name = executableFileName + QStringLiteral(".lock");
    if (dir.isEmpty()) {
        dir = QStringLiteral("/tmp");
        name = QStringLiteral("%1-%2").arg(getuid()).arg(name);
    }
    m_path = dir + u'/' + name;
    const QByteArray native = QFile::encodeName(m_path);
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No lock file can be made (read-only runtime folder): run without the
        // single-instance guard rather than refuse to start.
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
