#pragma once
// A register shared by several people and scripts: the lock file that says
// who has it open, and the stamp that tells whether the file on disk is
// still the one read or last written.
//
// The lock file lies beside the register (for site.TAV, .~site.TAV.lock)
// and holds four lines: user name, host name, process id and the time it
// was taken (ISO 8601, UTC). It is written atomically and removed by its
// holder. A lock whose process is gone (same host, no such process) is dead
// and taken over silently; one from another host older than a day is stale,
// and so is a file that does not read as a lock.

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct LockHolder
{
    QString user;
    QString host;
    qint64 pid = 0;
    QDateTime since;

    // "user (host, process N) が YYYY/MM/DD hh:mm から" for the messages.
    QString describe() const;
};

class RegisterLock
{
public:
    enum class State {
        Free,   // no lock file
        Ours,   // taken by this process
        Dead,   // its process is gone: take it over silently
        Stale,  // another host's, older than a day, or unreadable: ask
        Live,   // another live process has the register open
    };
    struct Probe
    {
        State state = State::Free;
        LockHolder holder;
    };

    RegisterLock() = default;
    ~RegisterLock();
    RegisterLock(const RegisterLock &) = delete;
    RegisterLock &operator=(const RegisterLock &) = delete;

    static QString lockPath(const QString &registerPath);
    static Probe probe(const QString &registerPath);
    // This process as a holder, now.
    static LockHolder self();

    // Writes this process's lock beside the register (replacing whatever
    // lock is there: the caller has probed and decided). False when the
    // folder takes no file (a read-only share): the register is then used
    // without a lock.
    bool take(const QString &registerPath);
    // Removes the lock file when it is still this process's own.
    void release();
    bool held() const { return !m_path.isEmpty(); }
    QString registerPath() const { return m_register; }

private:
    QString m_path;
    QString m_register;
};

// What a register file was when it was read or written: size, modification
// time and a hash of its bytes. A file whose size and time are unchanged is
// taken as unchanged (one stat); otherwise its bytes decide, so a file
// merely touched or copied back unchanged is no change.
struct DiskStamp
{
    bool valid = false;
    qint64 size = -1;
    // Moved on when the bytes prove unchanged, so that a touched file is
    // read once, not at every poll.
    mutable QDateTime modified;
    quint64 hash = 0;

    static DiskStamp of(const QString &path, const QByteArray &bytes);
    // True when the file at path is no longer what this stamp recorded
    // (changed, replaced or gone).
    bool changedOnDisk(const QString &path) const;
};
