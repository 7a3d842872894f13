#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// One running program per notes folder. The first start holds a lock and listens;
// a later start on the same folder asks the first to show itself and then stops.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // key names what is guarded, here the notes folder's canonical path.
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Role { Primary, Secondary, Failed };

    // Takes the lock and listens, or, when another process holds it, asks that
    // process to show itself. Secondary means the caller should exit.
    Role start();

    QString serverName() const { return m_serverName; }
    // The lock file that marks the folder as taken.
    QString lockPath() const { return m_lockPath; }

signals:
    // Another start on the same folder asked this process to show its main window.
    void showRequested();

private:
    bool askPrimaryToShow() const;

    QString m_serverName;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
