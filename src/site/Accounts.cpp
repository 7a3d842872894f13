#include "site/Accounts.h"

#include "site/Database.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

QString Accounts::emailProblem(const QString &email)
{
    const QString address = normalised(email);
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    const bool shaped = at > 0 && at == address.lastIndexOf(QLatin1Char('@')) &&
                        at < address.size() - 1 && address.size() <= 254;
    bool plain = true;
    for (const QChar ch : address)
        plain = plain && ch.unicode() > 0x20 && ch.unicode() != 0x7F && !ch.isSpace();
    if (!shaped || !plain)
        return QCoreApplication::translate("Accounts", "\"%1\" is not an e-mail address")
            .arg(email);
    return {};
}

Accounts::Created Accounts::create(const QString &email, const QByteArray &passwordHash)
{
    bool failed = false;
    if (find(email, &failed))
        return Created::Exists;
    if (failed)
        return Created::Failed;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("INSERT INTO accounts (email, password_hash, created) VALUES (?, ?, ?)"));
    query.addBindValue(normalised(email));
    query.addBindValue(QString::fromLatin1(passwordHash));
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    if (query.exec())
        return Created::Ok;
    // Another process may have made it meanwhile.
    return find(email) ? Created::Exists : Created::Failed;
}

std::optional<Accounts::Account> Accounts::find(const QString &email, bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, email, password_hash FROM accounts WHERE email = ?"));
    query.addBindValue(normalised(email));
    const bool ok = query.exec();
    if (failed)
        *failed = !ok;
    if (!ok || !query.next())
        return std::nullopt;
    return Account{query.value(0).toLongLong(), query.value(1).toString(),
                   query.value(2).toString().toLatin1()};
}

bool Accounts::setPasswordHash(qint64 id, const QByteArray &passwordHash)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE accounts SET password_hash = ? WHERE id = ?"));
    query.addBindValue(QString::fromLatin1(passwordHash));
    query.addBindValue(id);
    return query.exec();
}

bool Accounts::signOutEverywhere(qint64 id)
{
    QSqlQuery query(m_db);
    // Programs' device tokens too: a new password locks out whoever may have had the old one.
    for (const char *table : {"sessions", "devices"}) {
        query.prepare(
            QStringLiteral("DELETE FROM %1 WHERE account_id = ?").arg(QLatin1String(table)));
        query.addBindValue(id);
        if (!query.exec())
            return false;
    }
    return true;
}

bool Accounts::remove(qint64 id, bool sqlite)
{
    Transaction transaction(m_db, sqlite);
    if (!transaction.begun())
        return false;
    QSqlQuery query(m_db);
    for (const char *table : {"notes", "note_versions", "tombstones", "sessions", "devices"}) {
        query.prepare(
            QStringLiteral("DELETE FROM %1 WHERE account_id = ?").arg(QLatin1String(table)));
        query.addBindValue(id);
        if (!query.exec())
            return false;
    }
    query.prepare(QStringLiteral("DELETE FROM accounts WHERE id = ?"));
    query.addBindValue(id);
    return query.exec() && transaction.commit();
}
