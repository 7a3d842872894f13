#include "site/LoginThrottle.h"

#include "site/Database.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <arpa/inet.h>
#include <sodium.h>

#include <cstring>

namespace {
QString accountKey(const QString &email)
{
    return QStringLiteral("account:") + email.trimmed().toLower();
}

// An IPv6 client is as a rule given a whole /64 of addresses: counted one by one, they would
// let it fail without end, and fill the table.
QString addressKey(const QString &address)
{
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.toLatin1().constData(), &v6) == 1 &&
        !IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memset(v6.s6_addr + 8, 0, 8);
        char prefix[INET6_ADDRSTRLEN] = {};
        inet_ntop(AF_INET6, &v6, prefix, sizeof prefix);
        return QStringLiteral("address:%1/64").arg(QLatin1String(prefix));
    }
    return QStringLiteral("address:") + address;
}
} // namespace

bool LoginThrottle::refused(const QString &email, const QString &address)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return blocked(accountKey(email), now) || blocked(addressKey(address), now);
}

bool LoginThrottle::blocked(const QString &who, qint64 now)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT until FROM login_blocks WHERE who = ?"));
    query.addBindValue(who);
    if (!query.exec())
        return true;
    return query.next() && query.value(0).toLongLong() > now;
}

void LoginThrottle::failed(const QString &email, const QString &address)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun())
        return;
    count(accountKey(email), now);
    count(addressKey(address), now);
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
    transaction.commit();
}

void LoginThrottle::count(const QString &who, qint64 now)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ? AND at <= ?"));
    query.addBindValue(who);
    query.addBindValue(now - kWindowMs);
    query.exec();
    query.prepare(QStringLiteral("INSERT INTO login_failures (who, at) VALUES (?, ?)"));
    query.addBindValue(who);
    query.addBindValue(now);
    query.exec();
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM login_failures WHERE who = ?"));
    query.addBindValue(who);
    if (!query.exec() || !query.next() || query.value(0).toInt() < kFailures)
        return;
    query.prepare(QStringLiteral("DELETE FROM login_blocks WHERE who = ?"));
    query.addBindValue(who);
    query.exec();
    query.prepare(QStringLiteral("INSERT INTO login_blocks (who, until) VALUES (?, ?)"));
    query.addBindValue(who);
    query.addBindValue(now + kWindowMs);
    query.exec();
    query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ?"));
    query.addBindValue(who);
    query.exec();
}

void LoginThrottle::succeeded(const QString &email)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM login_failures WHERE who = ?"));
    query.addBindValue(accountKey(email));
    query.exec();
}
