#include "site/Schema.h"

#include "site/Database.h"
#include "site/NoteStore.h"
#include "site/Passwords.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <cstdio>

namespace {
// Each migration takes the schema from the version before it to its own. {id} is the
// dialect's auto-numbered key.
const char *const kMigrations[] = {
    // 1
    "CREATE TABLE site_keys (name TEXT PRIMARY KEY, key_hex TEXT NOT NULL);"
    "CREATE TABLE accounts (id {id}, email TEXT NOT NULL UNIQUE, password_hash TEXT NOT NULL,"
    " created BIGINT NOT NULL);"
    "CREATE TABLE notes (id {id}, account_id BIGINT NOT NULL REFERENCES accounts(id),"
    " name TEXT NOT NULL, text TEXT NOT NULL, size BIGINT NOT NULL, changed BIGINT NOT NULL,"
    " UNIQUE (account_id, name));"
    "CREATE TABLE note_versions (id {id}, account_id BIGINT NOT NULL REFERENCES accounts(id),"
    " name TEXT NOT NULL, text TEXT NOT NULL, size BIGINT NOT NULL, changed BIGINT NOT NULL,"
    " replaced BIGINT NOT NULL);"
    "CREATE INDEX note_versions_by_note ON note_versions (account_id, name);"
    "CREATE TABLE sessions (token_digest TEXT PRIMARY KEY, state TEXT NOT NULL,"
    " overwrite INTEGER NOT NULL, account_id BIGINT REFERENCES accounts(id), login_digest TEXT,"
    " created BIGINT NOT NULL, seen BIGINT NOT NULL);"
    "CREATE INDEX sessions_by_age ON sessions (seen);"
    "CREATE TABLE login_failures (who TEXT NOT NULL, at BIGINT NOT NULL);"
    "CREATE INDEX login_failures_by_who ON login_failures (who, at);"
    "CREATE TABLE login_blocks (who TEXT PRIMARY KEY, until BIGINT NOT NULL);",
    // 2: nothing derived from a password but its argon2id hash: a signed-in session is its
    // own proof. Throttle keys are digests now, so the old plain ones go; the addresses each
    // account signed in from are remembered.
    "ALTER TABLE sessions DROP COLUMN login_digest;"
    "DELETE FROM login_failures;"
    "DELETE FROM login_blocks;"
    "CREATE TABLE login_addresses (account TEXT NOT NULL, address TEXT NOT NULL,"
    " PRIMARY KEY (account, address));"
    "CREATE TABLE signups (who TEXT NOT NULL, at BIGINT NOT NULL);"
    "CREATE INDEX signups_by_who ON signups (who, at);",
    // 3: for programs that sync. Each change of an account's notes takes the next number of
    // its counter as the note's version; a delete leaves a tombstone, so that the list of
    // changes can tell it. A note's digest is kept beside its text: a list never reads texts.
    // Existing notes are numbered in the order they were made; their digests follow in code.
    "ALTER TABLE accounts ADD COLUMN note_counter BIGINT NOT NULL DEFAULT 0;"
    "ALTER TABLE notes ADD COLUMN version BIGINT NOT NULL DEFAULT 0;"
    "ALTER TABLE notes ADD COLUMN digest TEXT NOT NULL DEFAULT '';"
    "UPDATE notes SET version = numbered.n FROM (SELECT id, ROW_NUMBER() OVER (PARTITION BY"
    " account_id ORDER BY id) AS n FROM notes) AS numbered WHERE notes.id = numbered.id;"
    "UPDATE accounts SET note_counter = COALESCE((SELECT MAX(version) FROM notes WHERE"
    " notes.account_id = accounts.id), 0);"
    // Covering: SQLite keeps the new columns after the text, so reading them from the row would
    // walk a megabyte of overflow pages per note.
    "CREATE INDEX notes_by_version ON notes (account_id, version, name, digest);"
    "CREATE TABLE tombstones (account_id BIGINT NOT NULL REFERENCES accounts(id),"
    " name TEXT NOT NULL, version BIGINT NOT NULL, PRIMARY KEY (account_id, name));"
    "CREATE INDEX tombstones_by_version ON tombstones (account_id, version);"
    "CREATE TABLE devices (id {id}, account_id BIGINT NOT NULL REFERENCES accounts(id),"
    " name TEXT NOT NULL, token_digest TEXT NOT NULL UNIQUE, created BIGINT NOT NULL,"
    " last_seen BIGINT NOT NULL);"
    "CREATE INDEX devices_by_account ON devices (account_id, last_seen);",
};
constexpr int kMigrationCount = static_cast<int>(sizeof kMigrations / sizeof kMigrations[0]);
static_assert(kMigrationCount == Schema::kVersion);

QString statementsError(QSqlQuery &query)
{
    return query.lastError().text();
}

bool hasVersionTable(QSqlDatabase &db)
{
    return db.tables().contains(QStringLiteral("schema_version"));
}

// A copy of the database as it was before a migration; empty on success.
QString backUp(Database &database, QSqlDatabase &db, int from)
{
    if (!database.isSqlite()) {
        std::fprintf(stderr,
                     "pinvelle-site: migrating the database from version %d; "
                     "keep a pg_dump of it first\n",
                     from);
        return {};
    }
    const QString copy =
        QStringLiteral("%1.v%2-%3.bak")
            .arg(database.url().path)
            .arg(from)
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")));
    QSqlQuery query(db);
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(copy);
    if (!query.exec())
        return QStringLiteral("cannot back the database up to %1: %2")
            .arg(copy, query.lastError().text());
    std::fprintf(stderr, "pinvelle-site: backed the database up to %s\n", qPrintable(copy));
    return {};
}

// The digests of the notes that migration 3 found, one text in memory at a time.
QString fillDigests(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id FROM notes WHERE digest = ''")))
        return statementsError(query);
    QList<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    for (const qint64 id : std::as_const(ids)) {
        query.prepare(QStringLiteral("SELECT text FROM notes WHERE id = ?"));
        query.addBindValue(id);
        if (!query.exec() || !query.next())
            return statementsError(query);
        const QString digest = NoteStore::digest(query.value(0).toString().toUtf8());
        query.finish();
        query.prepare(QStringLiteral("UPDATE notes SET digest = ? WHERE id = ?"));
        query.addBindValue(digest);
        query.addBindValue(id);
        if (!query.exec())
            return statementsError(query);
    }
    return {};
}
} // namespace

QString Schema::prepare(Database &database)
{
    QSqlDatabase db = database.connection();
    if (!db.isOpen())
        return QStringLiteral("cannot open the database %1: %2")
            .arg(database.url().shown(), database.lastError());

    // A copy before anything changes; the copy cannot be made inside the transaction.
    if (hasVersionTable(db)) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")) || !query.next())
            return QStringLiteral("cannot read the schema version: %1").arg(statementsError(query));
        const int version = query.value(0).toInt();
        query.finish();
        if (version > kVersion)
            return QStringLiteral("the database is of schema version %1, newer than this "
                                  "program's %2; start a newer pinvelle-site")
                .arg(version)
                .arg(kVersion);
        if (version == kVersion)
            return {};
        if (const QString failure = backUp(database, db, version); !failure.isEmpty())
            return failure;
    }

    Transaction transaction(db, database.isSqlite());
    if (!transaction.begun())
        return database.lastError();
    QSqlQuery query(db);
    if (!database.isSqlite()) {
        // Several site processes may start at once: one migrates, the others wait for it.
        if (!query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7370617)")))
            return statementsError(query);
    }
    int version = 0;
    if (hasVersionTable(db)) {
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")) || !query.next())
            return statementsError(query);
        version = query.value(0).toInt();
        if (version > kVersion)
            return QStringLiteral("the database was migrated by a newer program meanwhile");
    } else if (!query.exec(
                   QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")) ||
               !query.exec(QStringLiteral("INSERT INTO schema_version VALUES (0)"))) {
        return statementsError(query);
    }
    const QString id = database.isSqlite()
                           ? QStringLiteral("INTEGER PRIMARY KEY")
                           : QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    for (int next = version; next < kVersion; ++next) {
        const QString script =
            QString::fromLatin1(kMigrations[next]).replace(QLatin1String("{id}"), id);
        for (const QString &statement : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!query.exec(statement))
                return QStringLiteral("migration to version %1 failed: %2")
                    .arg(next + 1)
                    .arg(statementsError(query));
        }
        if (next == 0) {
            query.prepare(QStringLiteral("INSERT INTO site_keys VALUES ('login', ?)"));
            query.addBindValue(QString::fromLatin1(Passwords::newKey()));
            if (!query.exec())
                return statementsError(query);
        }
        if (next == 2) {
            if (const QString failure = fillDigests(db); !failure.isEmpty())
                return QStringLiteral("migration to version 3 failed: %1").arg(failure);
        }
    }
    query.prepare(QStringLiteral("UPDATE schema_version SET version = ?"));
    query.addBindValue(kVersion);
    if (!query.exec())
        return statementsError(query);
    if (!transaction.commit())
        return database.lastError();
    return {};
}
