#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kPrimaryStartupWaitMs = 3000;
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent) : QObject(parent)
{
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_serverName = QStringLiteral("pinvelle-") + QString::fromLatin1(hash);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_lockPath = dir + QLatin1Char('/') + m_serverName + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::start(const QByteArray &request, int replyTimeoutMs)
{
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // a lock whose process has died is taken over at once
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
            return Role::Failed;
        // The holder may still be starting up: give it a moment to begin listening.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kPrimaryStartupWaitMs) {
            if (std::optional<QByteArray> answer = ask(request, replyTimeoutMs)) {
                m_reply = *answer;
                return Role::Secondary;
            }
            QThread::msleep(50);
        }
        // Nobody answers: the lock was left behind, e.g. by a process killed while it
        // was still writing the lock. Take it over rather than never start again.
        QFile::remove(m_lockPath);
        if (!m_lock->tryLock(0))
            return Role::Failed;
    }

    // We hold the lock, so any server of that name is left over from a crash.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName))
        return Role::Primary; // still the only process on this folder; just not reachable
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return Role::Primary;
}

void SingleInstance::answer(QLocalSocket *socket)
{
    if (!socket->canReadLine())
        return; // the rest of the line is still on its way
    const QByteArray request = socket->readLine().trimmed();
    QByteArray reply;
    if (m_handler)
        reply = m_handler(request);
    else if (request == "show")
        emit showRequested();
    if (!reply.endsWith('\n'))
        reply += '\n';
    socket->write(reply);
    socket->disconnectFromServer(); // sends what was written first
}

std::optional<QByteArray> SingleInstance::ask(const QByteArray &request, int replyTimeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    socket.write(request.endsWith('\n') ? request : request + '\n');
    socket.waitForBytesWritten(kConnectTimeoutMs);
    QElapsedTimer waited;
    waited.start();
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           waited.elapsed() < replyTimeoutMs)
        socket.waitForReadyRead(static_cast<int>(replyTimeoutMs - waited.elapsed()));
    return socket.canReadLine() ? socket.readLine().trimmed() : QByteArray();
}
