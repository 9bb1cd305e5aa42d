#pragma once
// Single-instance lock: flock on <runtime dir>/<executable file name>.lock.
// The kernel releases it when the process dies, so a lock never goes stale.

#include <QString>

class InstanceLock
{
public:
    explicit InstanceLock(const QString &executableFileName);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // True when this process now holds the lock; false when another copy does.
    bool acquired() const { return m_fd >= 0; }
    QString path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
