#pragma once
// Single-instance lock: flock on <runtime dir>/<executable file name>.lock.
// The kernel releases it when the process dies, so a lock never goes stale.
// The runtime folder is the user's own: $XDG_RUNTIME_DIR, or else
// $TMPDIR/tavrel-UID (/tmp/tavrel-UID), made with mode 0700 and refused
// when it exists with another owner or mode, so that no other user can
// plant a lock or a socket there.

#include <QString>

class InstanceLock
{
public:
    explicit InstanceLock(const QString &executableFileName);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // True when this process now holds the lock; false when another copy
    // does, or when the runtime folder was refused (problem() says why).
    bool acquired() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    // Why the program must not run: the runtime folder is not private.
    QString problem() const { return m_problem; }

    // The runtime folder, made when missing; empty with `problem` set when
    // the folder exists but belongs to another user or is open to others.
    static QString runtimeFolder(QString *problem);
    // Whether path is a socket this user made.
    static bool isUsersSocket(const QString &path);
    // Whether the process at the other end of a connected local socket runs
    // as this user (SO_PEERCRED).
    static bool peerIsUser(qintptr socketDescriptor);

private:
    QString m_path;
    QString m_problem;
    int m_fd = -1;
};
