#pragma once

#include "site/Sessions.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

// Checks an e-mail address and password against the accounts, through the throttle, and
// remembers a success in the session: later requests of that session with the same address
// and password pass on a keyed digest instead of the slow hash.
class SignIn final {
public:
    SignIn(QSqlDatabase db, bool sqlite, QByteArray loginKey, QByteArray decoyHash)
        : m_db(std::move(db)), m_sqlite(sqlite), m_key(std::move(loginKey)),
          m_decoy(std::move(decoyHash))
    {}

    // The account's id, or 0. Updates the session's log-in; the caller saves the session.
    qint64 check(Sessions::Session &session, const QString &email, const QString &password,
                 const QString &address);

private:
    QSqlDatabase m_db;
    bool m_sqlite;
    QByteArray m_key;
    QByteArray m_decoy; // verified against for unknown addresses, so they take as long
};
