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
const QByteArray kShowRequest = "show\n";
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

SingleInstance::Role SingleInstance::start()
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
            if (askPrimaryToShow())
                return Role::Secondary;
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
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kShowRequest.trimmed()))
                    emit showRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return Role::Primary;
}

bool SingleInstance::askPrimaryToShow() const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}
