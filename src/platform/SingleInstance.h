#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running program per notes folder. The first start holds a lock and listens;
// a later start on the same folder hands the first its request (by default, to show
// itself), takes the one-line answer and then stops.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // key names what is guarded, here the notes folder's canonical path.
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Role { Primary, Secondary, Failed };

    // Takes the lock and listens, or, when another process holds it, hands that process
    // request (one line) and keeps its answer in reply(). Secondary means the caller
    // should exit. An answer that does not come within replyTimeoutMs is left empty.
    Role start(const QByteArray &request = QByteArrayLiteral("show\n"), int replyTimeoutMs = 1000);
    // Hands request to the process listening on this key without taking the lock: its
    // answer (empty when none came in time), or nothing when no process listens.
    std::optional<QByteArray> ask(const QByteArray &request, int replyTimeoutMs) const;
    // What the process holding the lock answered the last start().
    QByteArray reply() const { return m_reply; }

    // Answers each request line another start hands over; without a handler a "show"
    // request emits showRequested.
    using RequestHandler = std::function<QByteArray(const QByteArray &request)>;
    void setRequestHandler(RequestHandler handler) { m_handler = std::move(handler); }

    QString serverName() const { return m_serverName; }
    // The lock file that marks the folder as taken.
    QString lockPath() const { return m_lockPath; }

signals:
    // Another start on the same folder asked this process to show its main window.
    void showRequested();

private:
    void answer(QLocalSocket *socket);

    QString m_serverName;
    QByteArray m_reply;
    RequestHandler m_handler;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
