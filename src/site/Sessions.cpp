#include "site/Sessions.h"

#include "site/Passwords.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

std::optional<Sessions::Session> Sessions::find(const QByteArray &token, bool *failed)
{
    *failed = false;
    if (token.isEmpty() || token.size() > 100)
        return std::nullopt;
    Session session;
    session.token = token;
    session.digest = Passwords::tokenDigest(token);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT state, overwrite, account_id, seen, created FROM "
                                 "sessions WHERE token_digest = ?"));
    query.addBindValue(QString::fromLatin1(session.digest));
    if (!query.exec()) {
        *failed = true;
        return std::nullopt;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!query.next() || query.value(3).toLongLong() < now - kIdleMs ||
        query.value(4).toLongLong() < now - kLifetimeMs)
        return std::nullopt;
    session.state = query.value(0).toString().toLatin1();
    session.overwrite = query.value(1).toInt() != 0;
    session.accountId = query.value(2).isNull() ? 0 : query.value(2).toLongLong();
    return session;
}

Sessions::Session Sessions::create(bool overwrite)
{
    Session session;
    session.token = Passwords::randomToken();
    session.digest = Passwords::tokenDigest(session.token);
    session.state = Passwords::randomToken(18);
    session.overwrite = overwrite;
    return session;
}

bool Sessions::save(const Session &session, bool isNew)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QSqlQuery query(m_db);
    query.prepare(isNew ? QStringLiteral("INSERT INTO sessions (state, overwrite, account_id, "
                                         "seen, created, token_digest) VALUES (?, ?, ?, ?, ?, ?)")
                        : QStringLiteral("UPDATE sessions SET state = ?, overwrite = ?, "
                                         "account_id = ?, seen = ? WHERE token_digest = ?"));
    query.addBindValue(QString::fromLatin1(session.state));
    query.addBindValue(session.overwrite ? 1 : 0);
    query.addBindValue(session.accountId ? QVariant(session.accountId)
                                         : QVariant(QMetaType::fromType<qint64>()));
    query.addBindValue(now);
    if (isNew)
        query.addBindValue(now);
    query.addBindValue(QString::fromLatin1(session.digest));
    return query.exec();
}

bool Sessions::remove(const Session &session)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM sessions WHERE token_digest = ?"));
    query.addBindValue(QString::fromLatin1(session.digest));
    return query.exec();
}

void Sessions::expire()
{
    QSqlQuery query(m_db);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    query.prepare(QStringLiteral("DELETE FROM sessions WHERE seen < ? OR created < ?"));
    query.addBindValue(now - kIdleMs);
    query.addBindValue(now - kLifetimeMs);
    query.exec();
}
