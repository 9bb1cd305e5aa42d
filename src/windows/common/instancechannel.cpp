#include "windows/common/instancechannel.h"

#include "platform/instancelock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QUrl>
#include <algorithm>

namespace {
// A path is a few hundred bytes; anything much longer is not a request.
constexpr qint64 MaxRequest = 64 * 1024;
} // namespace

InstanceChannel::InstanceChannel(QObject *parent) : QObject(parent) {}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::socketPath(const QString &lockPath)
{
    QString path = lockPath;
    if (path.endsWith(QLatin1String(".lock")))
        path.chop(5);
    return path + QStringLiteral(".socket");
}

bool InstanceChannel::listen(const QString &path)
{
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!m_server->listen(path))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::accept);
    return true;
}

void InstanceChannel::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Requests come only from this user's own later starts.
        if (!InstanceLock::peerIsUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto read = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxRequest)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(MaxRequest).trimmed();
            // One request per connection; the answer tells the sender it arrived.
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            socket->write("ok\n");
            socket->disconnectFromServer();
            // Reported once this handler has returned: acting on it may ask
            // a question, and the socket goes away when the sender hangs up
            // while the question is open.
            const QString file = line.isEmpty() ? QString() : QUrl::fromEncoded(line).toLocalFile();
            QMetaObject::invokeMethod(this, [this, file] { Q_EMIT requested(file); }, Qt::QueuedConnection);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

bool InstanceChannel::send(const QString &path, const QString &file, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        // The file goes only to a copy of this user's: a socket another user
        // made is ignored, and so is a listener running as another user.
        if (InstanceLock::isUsersSocket(path)) {
            socket.connectToServer(path);
            if (socket.waitForConnected(int(deadline.remainingTime()))) {
                if (InstanceLock::peerIsUser(socket.socketDescriptor()))
                    break;
                socket.abort();
                return false;
            }
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100); // the running copy is still starting
    }
    // As a file URL: any character of the path, a line break too, travels
    // percent-encoded on the one line.
    socket.write((file.isEmpty() ? QByteArray() : QUrl::fromLocalFile(file).toEncoded()) + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(int(std::max<qint64>(0, deadline.remainingTime()))))
            return false;
    return socket.readLine().startsWith("ok");
}
