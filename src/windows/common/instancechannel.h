#pragma once
// The way a second start of the program reaches the copy that runs: a local
// socket beside the single-instance lock (the lock's path with ".socket" for
// ".lock"), only for this user. The second start sends one line, the file
// to open as a file URL or nothing, and waits for "ok"; the running copy
// reports each request (a line that is no file URL asks for nothing but the
// window).

#include <QObject>
#include <QString>

class QLocalServer;

class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(QObject *parent = nullptr);
    ~InstanceChannel() override;

    static QString socketPath(const QString &lockPath);

    // The running copy (it holds the lock): listens on path. A socket left
    // there by a copy that was killed is removed first; only the lock's
    // holder listens, so whatever is there is stale. False when the socket
    // cannot be made (the program then runs without hand-over).
    bool listen(const QString &path);

    // A second start: hands file (absolute, or empty to just bring the
    // running window to the front) to the copy listening on path, waiting
    // up to timeoutMs for it to listen (it may still be starting). True when
    // the request was delivered.
    static bool send(const QString &path, const QString &file, int timeoutMs = 5000);

Q_SIGNALS:
    void requested(const QString &file);

private:
    void accept();

    QLocalServer *m_server = nullptr;
};
