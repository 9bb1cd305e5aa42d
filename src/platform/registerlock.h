#pragma once
// A register shared by several people and scripts: the lock file that says
// who has it open, and the stamp that tells whether the file on disk is
// still the one read or last written.
//
// The lock file lies beside the register's real path (links resolved: for
// site.TAV, .~site.TAV.lock) and holds the user name, host name, process id,
// the time it was taken (ISO 8601, UTC), the boot id of the host, the
// process's start time (clock ticks since boot) and the program's name, one
// a line; a lock of only the first four lines still reads. It is created
// anew with O_EXCL (mode 0644, readable by everyone who can read the folder)
// and never written over: a dead or stale lock is renamed aside before a new
// one is made, so that of two takers only one wins. On this host a lock is
// dead when its process is gone, belongs to another boot or its process id
// now names a process that started at another time; one from another host
// older than a day is stale, and so is a regular file that does not read as
// a lock. Anything else at the lock's path (a link, a FIFO, a device, a
// folder) or a lock that cannot be read is held by someone unknown: it is
// never followed, written or removed.
//
// Besides the lock file the holder keeps an advisory flock on the register
// file itself, which every name of the file (hard links included) shares.

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct LockHolder
{
    QString user;
    QString host;
    qint64 pid = 0;
    QDateTime since;
    QString bootId;        // empty in a four-line lock
    qint64 startTime = -1; // -1 in a four-line lock
    QString program;
    // Why the holder cannot be named (a lock that is no file, cannot be
    // read, or the register held under another name); empty when it can.
    QString unknown;
    // An empty lock just made: its maker is writing it.
    bool beingMade = false;

    // "user (host, process N) が YYYY/MM/DD hh:mm から" for the messages,
    // control characters shown escaped and every part bounded.
    QString describe() const;
};

// Text from a file shown in a message: control and format characters as
// \xNN or \uNNNN, at most maxLength characters (then "…").
QString shownSafely(const QString &text, int maxLength = 64);

class RegisterLock
{
public:
    enum class State {
        Free,   // no lock file
        Ours,   // taken by this process
        Dead,   // its process is gone: take it over silently
        Stale,  // another host's, older than a day, or no lock: ask
        Live,   // another live process (or someone unknown) has the register open
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
    // Start time of a process in clock ticks since boot (field 22 of
    // /proc/PID/stat); -1 when it cannot be read.
    static qint64 processStartTime(qint64 pid);
    static QString bootId();
    // A register whose file is flocked by a holder that used another name
    // for it (a hard link): held by someone unknown.
    static Probe heldUnderAnotherName();

    // Makes this process's lock beside the register. A dead lock is taken
    // over silently, a stale one only with overStale. Returns Ours when the
    // lock is this process's; Live (with the holder) when another holds it,
    // or won the race for it; Free when the folder takes no file (a
    // read-only share): the register is then used without a lock.
    Probe take(const QString &registerPath, bool overStale);
    // Takes the advisory flock on the register file, waiting up to waitMs;
    // true when held (or when there is no file yet). A file replaced by a
    // rename meanwhile is opened again.
    bool holdFile(const QString &registerPath, int waitMs);
    // A save is about to rename the file open as fd over the register: the
    // flock moves to it, so that it never lapses.
    void holdWritten(int fd);
    // Removes the lock file when it is still this process's own, and lets
    // go of the flock.
    void release();
    bool held() const { return !m_path.isEmpty(); }
    QString registerPath() const { return m_register; }

private:
    QString m_path;
    QString m_register;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    int m_fileLock = -1;
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
