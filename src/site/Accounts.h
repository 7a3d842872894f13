#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The accounts table: e-mail addresses and their password hashes.
class Accounts final {
public:
    struct Account {
        qint64 id = 0;
        QString email;
        QByteArray passwordHash;
    };
    enum class Created { Ok, Exists, Failed };
    static constexpr int kMaximumEmailBytes = 254; // the longest an address can be

    explicit Accounts(QSqlDatabase db) : m_db(std::move(db)) {}

    // Addresses are kept as typed but compared without regard to case.
    static QString normalised(const QString &email) { return email.trimmed().toLower(); }
    // Why `email` is not an address, or empty.
    static QString emailProblem(const QString &email);

    Created create(const QString &email, const QByteArray &passwordHash);
    // Nothing when there is no such account; `failed` tells a database fault apart.
    std::optional<Account> find(const QString &email, bool *failed = nullptr);
    bool setPasswordHash(qint64 id, const QByteArray &passwordHash);
    // Ends every session of the account, and signs out every device.
    bool signOutEverywhere(qint64 id);
    // Removes the account with its notes, their versions, its sessions and devices, in one
    // transaction.
    bool remove(qint64 id, bool sqlite);

private:
    QSqlDatabase m_db;
};
