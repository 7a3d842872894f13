#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The programs signed in to an account through the sync API, each under the name its user
// gave it. A program holds a random token; the table holds only its digest.
class Devices final {
public:
    static constexpr int kMaximumPerAccount = 100; // past this the one unused longest goes
    static constexpr int kMaximumNameLength = 100; // characters
    // How stale "last used" may grow: a program polling every minute writes once an hour.
    static constexpr qint64 kSeenStepMs = 60LL * 60 * 1000;

    struct Device {
        qint64 id = 0;
        qint64 accountId = 0;
        QString name;
        qint64 created = 0;  // ms since the epoch, UTC
        qint64 lastSeen = 0; // likewise
    };

    Devices(QSqlDatabase db, bool sqlite) : m_db(std::move(db)), m_sqlite(sqlite) {}

    // Why `name` cannot name a device, or empty.
    static QString nameProblem(const QString &name);
    // Signs a device in: its new token, or empty on a database fault.
    QByteArray add(qint64 accountId, const QString &name);
    // The device of this token, marked as seen; nothing when the token is unknown.
    std::optional<Device> find(const QByteArray &token, bool *failed);
    // The account's devices, the one used last first.
    QList<Device> of(qint64 accountId, bool *failed);
    // Signs the device out: its token stops working.
    bool remove(qint64 accountId, qint64 deviceId);

private:
    QSqlDatabase m_db;
    bool m_sqlite;
};
