#include "site/NoteStore.h"

#include "site/Database.h"
#include "site/NoteRules.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

bool NoteStore::lockAccount(qint64 accountId)
{
    // SQLite's write transaction already excludes every other writer; PostgreSQL takes the
    // account's row, so that the count of its notes cannot change under an upload.
    if (m_sqlite)
        return true;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM accounts WHERE id = ? FOR UPDATE"));
    query.addBindValue(accountId);
    return query.exec() && query.next();
}

QString NoteStore::digest(const QByteArray &utf8)
{
    return QString::fromLatin1(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex());
}

std::optional<NoteStore::Note> NoteStore::current(qint64 accountId, const QString &name,
                                                  bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, text, size, changed, version, digest FROM notes "
                                 "WHERE account_id = ? AND name = ?"));
    query.addBindValue(accountId);
    query.addBindValue(name);
    *failed = !query.exec();
    if (*failed || !query.next())
        return std::nullopt;
    return Note{query.value(0).toLongLong(), name,
                query.value(1).toString(),   query.value(2).toLongLong(),
                query.value(3).toLongLong(), query.value(4).toLongLong(),
                query.value(5).toString()};
}

bool NoteStore::keepVersion(qint64 accountId, const Note &note, qint64 now)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO note_versions (account_id, name, text, size, "
                                 "changed, replaced) VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(accountId);
    query.addBindValue(note.name);
    query.addBindValue(note.text);
    query.addBindValue(note.size);
    query.addBindValue(note.changed);
    query.addBindValue(now);
    if (!query.exec())
        return false;
    query.prepare(
        QStringLiteral(
            "DELETE FROM note_versions WHERE account_id = ? AND name = ? AND id NOT IN (SELECT id "
            "FROM note_versions WHERE account_id = ? AND name = ? ORDER BY id DESC LIMIT %1)")
            .arg(kKeptVersions));
    query.addBindValue(accountId);
    query.addBindValue(note.name);
    query.addBindValue(accountId);
    query.addBindValue(note.name);
    return query.exec();
}

qint64 NoteStore::nextVersion(qint64 accountId)
{
    // Inside the change's transaction, with the account locked: versions are taken and
    // committed in order, so a reader never sees a version before the ones below it.
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("UPDATE accounts SET note_counter = note_counter + 1 WHERE id = ?"));
    query.addBindValue(accountId);
    if (!query.exec() || query.numRowsAffected() != 1)
        return 0;
    query.prepare(QStringLiteral("SELECT note_counter FROM accounts WHERE id = ?"));
    query.addBindValue(accountId);
    return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
}

QString NoteStore::write(qint64 accountId, const QString &name, const QString &text, qint64 now,
                         bool exists, qint64 *version)
{
    *version = nextVersion(accountId);
    if (*version == 0)
        return {};
    const QByteArray utf8 = text.toUtf8();
    const QString sum = digest(utf8);
    QSqlQuery query(m_db);
    if (exists) {
        query.prepare(QStringLiteral("UPDATE notes SET text = ?, size = ?, changed = ?, version = "
                                     "?, digest = ? WHERE account_id = ? AND name = ?"));
    } else {
        // A name that comes back is no longer deleted.
        query.prepare(QStringLiteral("DELETE FROM tombstones WHERE account_id = ? AND name = ?"));
        query.addBindValue(accountId);
        query.addBindValue(name);
        if (!query.exec())
            return {};
        query.prepare(QStringLiteral("INSERT INTO notes (text, size, changed, version, digest, "
                                     "account_id, name) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    }
    query.addBindValue(text);
    query.addBindValue(static_cast<qint64>(utf8.size()));
    query.addBindValue(now);
    query.addBindValue(*version);
    query.addBindValue(sum);
    query.addBindValue(accountId);
    query.addBindValue(name);
    return query.exec() && query.numRowsAffected() == 1 ? sum : QString();
}

bool NoteStore::erase(qint64 accountId, const Note &note, qint64 now, qint64 *version)
{
    if (!keepVersion(accountId, note, now))
        return false;
    *version = nextVersion(accountId);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM notes WHERE id = ?"));
    query.addBindValue(note.id);
    if (*version == 0 || !query.exec())
        return false;
    query.prepare(QStringLiteral("DELETE FROM tombstones WHERE account_id = ? AND name = ?"));
    query.addBindValue(accountId);
    query.addBindValue(note.name);
    if (!query.exec())
        return false;
    query.prepare(
        QStringLiteral("INSERT INTO tombstones (account_id, name, version) VALUES (?, ?, ?)"));
    query.addBindValue(accountId);
    query.addBindValue(note.name);
    query.addBindValue(*version);
    return query.exec();
}

std::optional<bool> NoteStore::roomFor(qint64 accountId, const QString &name)
{
    // Deleted notes whose versions are kept count too: otherwise making and deleting notes
    // of new names would pile up versions and tombstones without end.
    QSqlQuery count(m_db);
    count.prepare(QStringLiteral(
        "SELECT COUNT(*) FROM (SELECT name FROM notes WHERE account_id = ? UNION SELECT name "
        "FROM note_versions WHERE account_id = ? UNION SELECT name FROM tombstones WHERE "
        "account_id = ?) AS names WHERE name <> ?"));
    count.addBindValue(accountId);
    count.addBindValue(accountId);
    count.addBindValue(accountId);
    count.addBindValue(name);
    if (!count.exec() || !count.next())
        return std::nullopt;
    return count.value(0).toInt() < NoteRules::kMaximumNotesPerAccount;
}

NoteStore::Upload NoteStore::upload(qint64 accountId, const QString &name, const QString &text,
                                    bool overwrite)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return Upload::Failed;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    if (failed)
        return Upload::Failed;
    qint64 version = 0;
    if (old) {
        if (!overwrite)
            return transaction.commit() ? Upload::Kept : Upload::Failed;
        if (!keepVersion(accountId, *old, now) ||
            write(accountId, name, text, now, true, &version).isEmpty())
            return Upload::Failed;
        return transaction.commit() ? Upload::Replaced : Upload::Failed;
    }
    const std::optional<bool> room = roomFor(accountId, name);
    if (!room)
        return Upload::Failed;
    if (!*room)
        return transaction.commit() ? Upload::Full : Upload::Failed;
    if (write(accountId, name, text, now, false, &version).isEmpty())
        return Upload::Failed;
    return transaction.commit() ? Upload::Stored : Upload::Failed;
}

int NoteStore::count(qint64 accountId, bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM notes WHERE account_id = ?"));
    query.addBindValue(accountId);
    *failed = !query.exec() || !query.next();
    return *failed ? 0 : query.value(0).toInt();
}

QList<NoteStore::Note> NoteStore::notesAfter(qint64 accountId, const QString &after, int count,
                                             bool *failed)
{
    QList<Note> result;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, name, text, size, changed FROM notes WHERE "
                                 "account_id = ? AND name > COALESCE(?, '') ORDER BY name LIMIT %1")
                      .arg(count));
    query.addBindValue(accountId);
    query.addBindValue(after);
    *failed = !query.exec();
    while (!*failed && query.next()) {
        result.append({query.value(0).toLongLong(),
                       query.value(1).toString(),
                       query.value(2).toString(),
                       query.value(3).toLongLong(),
                       query.value(4).toLongLong(),
                       0,
                       {}});
    }
    return result;
}

bool NoteStore::remove(qint64 accountId, const QString &name)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return false;
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    qint64 version = 0;
    return old && erase(accountId, *old, QDateTime::currentMSecsSinceEpoch(), &version) &&
           transaction.commit();
}

QList<NoteStore::Note> NoteStore::versionsOf(qint64 accountId, const QString &name, bool *failed)
{
    QList<Note> result;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, substr(text, 1, 60), size, changed FROM "
                                 "note_versions WHERE account_id = ? AND name = ? ORDER BY id "
                                 "DESC"));
    query.addBindValue(accountId);
    query.addBindValue(name);
    if (!query.exec()) {
        *failed = true;
        return result;
    }
    while (query.next()) {
        result.append({query.value(0).toLongLong(),
                       name,
                       query.value(1).toString(),
                       query.value(2).toLongLong(),
                       query.value(3).toLongLong(),
                       0,
                       {}});
    }
    return result;
}

QStringList NoteStore::deletedAfter(qint64 accountId, const QString &after, int count, bool *failed)
{
    QStringList names;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT DISTINCT name FROM note_versions v WHERE account_id = ? "
                                 "AND name > COALESCE(?, '') AND NOT EXISTS (SELECT 1 FROM notes "
                                 "n WHERE n.account_id = v.account_id AND n.name = v.name) ORDER "
                                 "BY name LIMIT %1")
                      .arg(count));
    query.addBindValue(accountId);
    query.addBindValue(after);
    if (!query.exec()) {
        *failed = true;
        return names;
    }
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

bool NoteStore::restore(qint64 accountId, qint64 versionId)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return false;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("SELECT name, text FROM note_versions WHERE id = ? AND account_id = ?"));
    query.addBindValue(versionId);
    query.addBindValue(accountId);
    if (!query.exec() || !query.next())
        return false;
    const QString name = query.value(0).toString();
    const QString text = query.value(1).toString();
    query.finish();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    qint64 version = 0;
    if (failed || (old && !keepVersion(accountId, *old, now)) ||
        write(accountId, name, text, now, old.has_value(), &version).isEmpty())
        return false;
    return transaction.commit();
}

qint64 NoteStore::tombstone(qint64 accountId, const QString &name)
{
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("SELECT version FROM tombstones WHERE account_id = ? AND name = ?"));
    query.addBindValue(accountId);
    query.addBindValue(name);
    if (!query.exec())
        return -1;
    return query.next() ? query.value(0).toLongLong() : 0;
}

NoteStore::Outcome NoteStore::whatIsThere(qint64 accountId, const QString &name,
                                          Outcome::Status status, const std::optional<Note> &live)
{
    if (live)
        return {status, live->version, live->digest, false};
    const qint64 deleted = tombstone(accountId, name);
    if (deleted < 0)
        return {};
    return {status, deleted, {}, true};
}

QList<NoteStore::Change> NoteStore::changesSince(qint64 accountId, qint64 since, int count,
                                                 bool *more, bool *failed)
{
    QList<Change> changes;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // Both halves run on their (account_id, version) index, in version order.
    const QString live = QStringLiteral("SELECT name, version, digest, 0 AS deleted FROM notes "
                                        "WHERE account_id = ? AND version > ?");
    query.prepare(since > 0
                      ? QStringLiteral("SELECT * FROM (%1 UNION ALL SELECT name, version, "
                                       "'', 1 FROM tombstones WHERE account_id = ? AND "
                                       "version > ?) AS changes ORDER BY version LIMIT %2")
                            .arg(live)
                            .arg(count + 1)
                      : QStringLiteral("%1 ORDER BY version LIMIT %2").arg(live).arg(count + 1));
    query.addBindValue(accountId);
    query.addBindValue(since);
    if (since > 0) {
        query.addBindValue(accountId);
        query.addBindValue(since);
    }
    *failed = !query.exec();
    while (!*failed && query.next()) {
        changes.append({query.value(0).toString(), query.value(1).toLongLong(),
                        query.value(2).toString(), query.value(3).toInt() != 0});
    }
    *more = changes.size() > count;
    if (*more)
        changes.removeLast();
    return changes;
}

std::optional<NoteStore::Note> NoteStore::note(qint64 accountId, const QString &name, bool *failed)
{
    return current(accountId, name, failed);
}

NoteStore::Outcome NoteStore::replaceIf(qint64 accountId, const QString &name, const QString &text,
                                        qint64 version)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return {};
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    if (failed)
        return {};
    if (!old || old->version != version) {
        Outcome outcome = whatIsThere(accountId, name, Outcome::Stale, old);
        return transaction.commit() ? outcome : Outcome{};
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Outcome outcome{Outcome::Done, 0, {}, false};
    if (!keepVersion(accountId, *old, now))
        return {};
    outcome.digest = write(accountId, name, text, now, true, &outcome.version);
    return !outcome.digest.isEmpty() && transaction.commit() ? outcome : Outcome{};
}

NoteStore::Outcome NoteStore::createIfAbsent(qint64 accountId, const QString &name,
                                             const QString &text)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return {};
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    if (failed)
        return {};
    if (old) {
        Outcome outcome = whatIsThere(accountId, name, Outcome::Stale, old);
        return transaction.commit() ? outcome : Outcome{};
    }
    const std::optional<bool> room = roomFor(accountId, name);
    if (!room)
        return {};
    if (!*room)
        return transaction.commit() ? Outcome{Outcome::Full, 0, {}, false} : Outcome{};
    Outcome outcome{Outcome::Done, 0, {}, false};
    outcome.digest =
        write(accountId, name, text, QDateTime::currentMSecsSinceEpoch(), false, &outcome.version);
    return !outcome.digest.isEmpty() && transaction.commit() ? outcome : Outcome{};
}

NoteStore::Outcome NoteStore::removeIf(qint64 accountId, const QString &name, qint64 version)
{
    Transaction transaction(m_db, m_sqlite);
    if (!transaction.begun() || !lockAccount(accountId))
        return {};
    bool failed = false;
    const std::optional<Note> old = current(accountId, name, &failed);
    if (failed)
        return {};
    if (!old || old->version != version) {
        Outcome outcome =
            whatIsThere(accountId, name, old ? Outcome::Stale : Outcome::Missing, old);
        return transaction.commit() ? outcome : Outcome{};
    }
    Outcome outcome{Outcome::Done, 0, {}, true};
    if (!erase(accountId, *old, QDateTime::currentMSecsSinceEpoch(), &outcome.version))
        return {};
    return transaction.commit() ? outcome : Outcome{};
}
