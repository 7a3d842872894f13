#include "site/NoteStore.h"

#include "site/Database.h"
#include "site/NoteRules.h"

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

std::optional<NoteStore::Note> NoteStore::current(qint64 accountId, const QString &name,
                                                  bool *failed)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, text, size, changed FROM notes WHERE account_id = ? "
                                 "AND name = ?"));
    query.addBindValue(accountId);
    query.addBindValue(name);
    *failed = !query.exec();
    if (*failed || !query.next())
        return std::nullopt;
    return Note{query.value(0).toLongLong(), name, query.value(1).toString(),
                query.value(2).toLongLong(), query.value(3).toLongLong()};
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

bool NoteStore::write(qint64 accountId, const QString &name, const QString &text, qint64 now,
                      bool exists)
{
    QSqlQuery query(m_db);
    if (exists) {
        query.prepare(QStringLiteral("UPDATE notes SET text = ?, size = ?, changed = ? WHERE "
                                     "account_id = ? AND name = ?"));
        query.addBindValue(text);
        query.addBindValue(static_cast<qint64>(text.toUtf8().size()));
        query.addBindValue(now);
        query.addBindValue(accountId);
        query.addBindValue(name);
    } else {
        query.prepare(QStringLiteral("INSERT INTO notes (account_id, name, text, size, changed) "
                                     "VALUES (?, ?, ?, ?, ?)"));
        query.addBindValue(accountId);
        query.addBindValue(name);
        query.addBindValue(text);
        query.addBindValue(static_cast<qint64>(text.toUtf8().size()));
        query.addBindValue(now);
    }
    return query.exec() && query.numRowsAffected() == 1;
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
    if (old) {
        if (!overwrite)
            return transaction.commit() ? Upload::Kept : Upload::Failed;
        if (!keepVersion(accountId, *old, now) || !write(accountId, name, text, now, true))
            return Upload::Failed;
        return transaction.commit() ? Upload::Replaced : Upload::Failed;
    }
    // Deleted notes whose versions are kept count too: otherwise making and deleting notes
    // of new names would pile up versions without end.
    QSqlQuery count(m_db);
    count.prepare(QStringLiteral(
        "SELECT COUNT(*) FROM (SELECT name FROM notes WHERE account_id = ? UNION SELECT name "
        "FROM note_versions WHERE account_id = ?) AS names WHERE name <> ?"));
    count.addBindValue(accountId);
    count.addBindValue(accountId);
    count.addBindValue(name);
    if (!count.exec() || !count.next())
        return Upload::Failed;
    if (count.value(0).toInt() >= NoteRules::kMaximumNotesPerAccount)
        return transaction.commit() ? Upload::Full : Upload::Failed;
    count.finish();
    if (!write(accountId, name, text, now, false))
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
        result.append({query.value(0).toLongLong(), query.value(1).toString(),
                       query.value(2).toString(), query.value(3).toLongLong(),
                       query.value(4).toLongLong()});
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
    if (!old || !keepVersion(accountId, *old, QDateTime::currentMSecsSinceEpoch()))
        return false;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM notes WHERE id = ?"));
    query.addBindValue(old->id);
    return query.exec() && transaction.commit();
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
        result.append({query.value(0).toLongLong(), name, query.value(1).toString(),
                       query.value(2).toLongLong(), query.value(3).toLongLong()});
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
    if (failed || (old && !keepVersion(accountId, *old, now)) ||
        !write(accountId, name, text, now, old.has_value()))
        return false;
    return transaction.commit();
}
