#pragma once

#include <QSqlDatabase>
#include <QString>

// Failed log-ins per account and per client address, kept in the database so that every
// site process sees them. After kFailures failures within kWindow, that account or address
// is refused for kWindow; the refusal reads like a wrong password.
class LoginThrottle final {
public:
    static constexpr int kFailures = 5;
    static constexpr qint64 kWindowMs = 15 * 60 * 1000;

    LoginThrottle(QSqlDatabase db, bool sqlite) : m_db(std::move(db)), m_sqlite(sqlite) {}

    // Whether a log-in for this account from this address is refused without looking at the
    // password. A database fault refuses too.
    bool refused(const QString &email, const QString &address);
    void failed(const QString &email, const QString &address);
    // A successful log-in forgets the account's failures (not the address's).
    void succeeded(const QString &email);

private:
    bool blocked(const QString &who, qint64 now);
    void count(const QString &who, qint64 now);

    QSqlDatabase m_db;
    bool m_sqlite;
};
