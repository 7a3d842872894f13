#include "site/Devices.h"

#include "site/Database.h"
#include "site/Passwords.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

QString Devices::nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QCoreApplication::translate("Devices", "the device has no name");
    if (name.size() > kMaximumNameLength)
        return QCoreApplication::translate("Devices",
                                           "the device name is longer than %1 characters")
            .arg(kMaximumNameLength);
    if (!QStringView(name).isValidUtf16())
        return QCoreApplication::translate("Devices", "the device name is not text");
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch.category() == QChar::Other_Control)
            return QCoreApplication::translate("Devices",
                                               "the device name holds a control character");
    }
    return {};
}

QByteArray Devices::add(qint64 accountId, const QString &name)
{
    const QByteArray token = Passwords::randomToken();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun())
        return {};
    QSqlQuery query(m_db);
    // Room for this one: the devices unused longest beyond the bound go.
    query.prepare(QStringLiteral("DELETE FROM devices WHERE account_id = ? AND id NOT IN (SELECT "
                                 "id FROM devices WHERE account_id = ? ORDER BY last_seen DESC, "
                                 "id DESC LIMIT %1)")
                      .arg(kMaximumPerAccount - 1));
    query.addBindValue(accountId);
    query.addBindValue(accountId);
    if (!query.exec())
        return {};
    query.prepare(QStringLiteral("INSERT INTO devices (account_id, name, token_digest, created, "
                                 "last_seen) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(accountId);
    query.addBindValue(name);
    query.addBindValue(QString::fromLatin1(Passwords::tokenDigest(token)));
    query.addBindValue(now);
    query.addBindValue(now);
    return query.exec() && transaction.commit() ? token : QByteArray();
}

std::optional<Devices::Device> Devices::find(const QByteArray &token, bool *failed)
{
    *failed = false;
    if (token.isEmpty() || token.size() > 100)
        return std::nullopt;
    const QString digest = QString::fromLatin1(Passwords::tokenDigest(token));
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, account_id, name, created, last_seen FROM devices "
                                 "WHERE token_digest = ?"));
    query.addBindValue(digest);
    if (!query.exec()) {
        *failed = true;
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    Device device{query.value(0).toLongLong(), query.value(1).toLongLong(),
                  query.value(2).toString(), query.value(3).toLongLong(),
                  query.value(4).toLongLong()};
    query.finish();
    // Polled every minute by every device: written only now and then, not at every poll.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - device.lastSeen >= kSeenStepMs) {
        query.prepare(QStringLiteral("UPDATE devices SET last_seen = ? WHERE id = ?"));
        query.addBindValue(now);
        query.addBindValue(device.id);
        if (query.exec())
            device.lastSeen = now;
    }
    return device;
}

QList<Devices::Device> Devices::of(qint64 accountId, bool *failed)
{
    QList<Device> devices;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, name, created, last_seen FROM devices WHERE "
                                 "account_id = ? ORDER BY last_seen DESC, id DESC"));
    query.addBindValue(accountId);
    *failed = !query.exec();
    while (!*failed && query.next()) {
        devices.append({query.value(0).toLongLong(), accountId, query.value(1).toString(),
                        query.value(2).toLongLong(), query.value(3).toLongLong()});
    }
    return devices;
}

bool Devices::remove(qint64 accountId, qint64 deviceId)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM devices WHERE id = ? AND account_id = ?"));
    query.addBindValue(deviceId);
    query.addBindValue(accountId);
    return query.exec();
}
