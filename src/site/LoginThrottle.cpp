#include "site/LoginThrottle.h"

#include "site/Database.h"
#include "site/Passwords.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <arpa/inet.h>
#include <sodium.h>

#include <cstring>

namespace {
// Keys are stored as digests: the table then holds neither addresses nor e-mail addresses,
// and every key is the same small size however long what it stands for.
QByteArray accountKey(const QString &email)
{
    return Passwords::tokenDigest(QByteArray("account:") + email.trimmed().toLower().toUtf8());
}

// An IPv6 client is as a rule given a whole /64 of addresses: counted one by one, they would
// let it fail without end, and fill the table.
QByteArray addressKey(const QString &address)
{
    in6_addr v6{};
    QString key = address;
    if (inet_pton(AF_INET6, address.toLatin1().constData(), &v6) == 1 &&
        !IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memset(v6.s6_addr + 8, 0, 8);
        char prefix[INET6_ADDRSTRLEN] = {};
        inet_ntop(AF_INET6, &v6, prefix, sizeof prefix);
        key = QStringLiteral("%1/64").arg(QLatin1String(prefix));
    }
    return Passwords::tokenDigest(QByteArray("address:") + key.toUtf8());
}
} // namespace

bool LoginThrottle::serialise()
{
    // SQLite's write transaction excludes every other writer already; on PostgreSQL the
    // processes take turns on one lock, held to the end of the transaction.
    return m_sqlite ||
           QSqlQuery(m_db).exec(QStringLiteral("SELECT pg_advisory_xact_lock(7370618)"));
}

bool LoginThrottle::admit(const QString &email, const QString &address)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QByteArray account = accountKey(email);
    const QByteArray client = addressKey(address);
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !serialise())
        return false;
    bool failed = false;
    const bool owner = known(account, client, &failed);
    if ((!owner &&
         (blocked(account, now, &failed) || failures(account, now, &failed) >= kFailures)) ||
        blocked(client, now, &failed) || failures(client, now, &failed) >= kFailures || failed)
        return false;
    // Now and then, forget what no longer counts, so made-up addresses do not pile up.
    if (randombytes_uniform(50) == 0) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("DELETE FROM login_failures WHERE at <= ?"));
        query.addBindValue(now - kWindowMs);
        query.exec();
        query.prepare(QStringLiteral("DELETE FROM login_blocks WHERE until <= ?"));
        query.addBindValue(now);
        query.exec();
    }
    return (owner || count(account, now)) && count(client, now) && transaction.commit();
}

bool LoginThrottle::blocked(const QByteArray &who, qint64 now, bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT until FROM login_blocks WHERE who = ?"));
    query.addBindValue(QString::fromLatin1(who));
    if (!query.exec()) {
        *failed = true;
        return true;
    }
    return query.next() && query.value(0).toLongLong() > now;
}

int LoginThrottle::failures(const QByteArray &who, qint64 now, bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM login_failures WHERE who = ? AND at > ?"));
    query.addBindValue(QString::fromLatin1(who));
    query.addBindValue(now - kWindowMs);
    if (!query.exec() || !query.next()) {
        *failed = true;
        return kFailures;
    }
    return query.value(0).toInt();
}

bool LoginThrottle::known(const QByteArray &account, const QByteArray &address, bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("SELECT 1 FROM login_addresses WHERE account = ? AND address = ?"));
    query.addBindValue(QString::fromLatin1(account));
    query.addBindValue(QString::fromLatin1(address));
    if (!query.exec()) {
        *failed = true;
        return false;
    }
    return query.next();
}

bool LoginThrottle::count(const QByteArray &who, qint64 now)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO login_failures (who, at) VALUES (?, ?)"));
    query.addBindValue(QString::fromLatin1(who));
    query.addBindValue(now);
    return query.exec();
}

void LoginThrottle::failed(const QString &email, const QString &address)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !serialise())
        return;
    for (const QByteArray &who : {accountKey(email), addressKey(address)}) {
        bool failed = false;
        if (failures(who, now, &failed) < kFailures || failed)
            continue;
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("DELETE FROM login_blocks WHERE who = ?"));
        query.addBindValue(QString::fromLatin1(who));
        query.exec();
        query.prepare(QStringLiteral("INSERT INTO login_blocks (who, until) VALUES (?, ?)"));
        query.addBindValue(QString::fromLatin1(who));
        query.addBindValue(now + kWindowMs);
        query.exec();
        query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ?"));
        query.addBindValue(QString::fromLatin1(who));
        query.exec();
    }
    transaction.commit();
}

void LoginThrottle::succeeded(const QString &email, const QString &address)
{
    const QByteArray account = accountKey(email);
    const QByteArray client = addressKey(address);
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !serialise())
        return;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ?"));
    query.addBindValue(QString::fromLatin1(account));
    query.exec();
    // The one row this attempt added for the address: the newest.
    query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ? AND at = (SELECT "
                                 "MAX(at) FROM login_failures WHERE who = ?)"));
    query.addBindValue(QString::fromLatin1(client));
    query.addBindValue(QString::fromLatin1(client));
    query.exec();
    query.prepare(
        QStringLiteral("SELECT 1 FROM login_addresses WHERE account = ? AND address = ?"));
    query.addBindValue(QString::fromLatin1(account));
    query.addBindValue(QString::fromLatin1(client));
    if (query.exec() && !query.next()) {
        query.prepare(
            QStringLiteral("INSERT INTO login_addresses (account, address) VALUES (?, ?)"));
        query.addBindValue(QString::fromLatin1(account));
        query.addBindValue(QString::fromLatin1(client));
        query.exec();
    }
    transaction.commit();
}

void LoginThrottle::forgetAccount(const QString &email)
{
    const QString account = QString::fromLatin1(accountKey(email));
    QSqlQuery query(m_db);
    for (const char *statement :
         {"DELETE FROM login_failures WHERE who = ?", "DELETE FROM login_blocks WHERE who = ?",
          "DELETE FROM login_addresses WHERE account = ?"}) {
        query.prepare(QLatin1String(statement));
        query.addBindValue(account);
        query.exec();
    }
}

bool LoginThrottle::admitSignUp(const QString &address)
{
    constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QString who = QString::fromLatin1(addressKey(address));
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !serialise())
        return false;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM signups WHERE at <= ?"));
    query.addBindValue(now - kDayMs);
    query.exec();
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM signups WHERE who = ?"));
    query.addBindValue(who);
    if (!query.exec() || !query.next() || query.value(0).toInt() >= kSignUps)
        return false;
    query.prepare(QStringLiteral("INSERT INTO signups (who, at) VALUES (?, ?)"));
    query.addBindValue(who);
    query.addBindValue(now);
    return query.exec() && transaction.commit();
}
