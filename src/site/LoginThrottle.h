#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

// Failed log-ins per account and per client address, kept in the database so that every
// site process sees them, under digests of their keys. After kFailures failures within
// kWindow, that account or address is refused for kWindow; the refusal reads like a wrong
// password. An attempt is counted when it is let through, before its password is checked, so
// that many attempts at once get no more tries than one after another. An address from which
// the account signed in before is not refused for the account's failures from elsewhere: a
// stranger guessing cannot lock the owner out.
class LoginThrottle final {
public:
    static constexpr int kFailures = 5;
    static constexpr qint64 kWindowMs = 15 * 60 * 1000;

    LoginThrottle(QSqlDatabase db, bool sqlite) : m_db(std::move(db)), m_sqlite(sqlite) {}

    // Whether a log-in for this account from this address may be tried; when it may, it is
    // counted as a failure until succeeded() says otherwise. A database fault refuses.
    bool admit(const QString &email, const QString &address);
    // The admitted attempt failed: blocks what has now failed too often.
    void failed(const QString &email, const QString &address);
    // The admitted attempt succeeded: the account's failures are forgotten, the attempt no
    // longer counts against the address, and the address is remembered for the account.
    void succeeded(const QString &email, const QString &address);

    // Whether one more account may be made from this address (kSignUps a day); counts it.
    bool admitSignUp(const QString &address);
    static constexpr int kSignUps = 3;

    // Forgets everything counted or remembered for the account (it is being removed).
    void forgetAccount(const QString &email);

private:
    bool serialise();
    bool blocked(const QByteArray &who, qint64 now, bool *failed);
    int failures(const QByteArray &who, qint64 now, bool *failed);
    bool known(const QByteArray &account, const QByteArray &address, bool *failed);
    bool count(const QByteArray &who, qint64 now);

    QSqlDatabase m_db;
    bool m_sqlite;
};
