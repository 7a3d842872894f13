#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// Browser sessions that signed in, in the database so that any site process can answer any
// request (Visit stores no other). The cookie carries a random token; the table holds only its
// digest.
class Sessions final {
public:
    static constexpr qint64 kIdleMs = 24LL * 60 * 60 * 1000;
    // However often it is used, a session ends this long after it was made.
    static constexpr qint64 kLifetimeMs = 30LL * 24 * 60 * 60 * 1000;

    struct Session {
        QByteArray token;  // as the cookie carries it
        QByteArray digest; // as the table keys it
        QByteArray state;  // the form state the next POST must carry back
        bool overwrite = false;
        qint64 accountId = 0; // signed in when not 0
    };

    explicit Sessions(QSqlDatabase db) : m_db(std::move(db)) {}

    // The session of this cookie token, when it is known, not idle for too long and not older
    // than its lifetime.
    std::optional<Session> find(const QByteArray &token, bool *failed);
    // A new session, not stored yet.
    static Session create(bool overwrite);
    // Stores a new session, or writes a known one's overwrite choice, account and state back
    // and marks it seen.
    bool save(const Session &session, bool isNew);
    bool remove(const Session &session);
    // Forgets sessions idle for longer than kIdleMs or older than kLifetimeMs.
    void expire();

private:
    QSqlDatabase m_db;
};
