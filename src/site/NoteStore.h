#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// An account's notes, and the last versions of each note that an upload replaced or a delete
// removed, so that no overwrite destroys a note for good. Every change is one transaction.
class NoteStore final {
public:
    static constexpr int kKeptVersions = 10;

    struct Note {
        qint64 id = 0;
        QString name;
        QString text;
        qint64 size = 0;    // bytes of UTF-8
        qint64 changed = 0; // ms since the epoch, UTC
    };
    enum class Upload { Stored, Replaced, Kept, Full, Failed };

    NoteStore(QSqlDatabase db, bool sqlite) : m_db(std::move(db)), m_sqlite(sqlite) {}

    // Adds the note, or replaces the one of that name when `overwrite`, else keeps it.
    Upload upload(qint64 accountId, const QString &name, const QString &text, bool overwrite);
    // How many notes the account holds.
    int count(qint64 accountId, bool *failed);
    // At most `count` notes of the account whose names come after `after`, by name.
    QList<Note> notesAfter(qint64 accountId, const QString &after, int count, bool *failed);
    // Removes the note, keeping its text among the versions. False when there was none.
    bool remove(qint64 accountId, const QString &name);
    // The kept versions of a note, newest first, each text cut to its first 60 characters
    // (`changed` is when the text was written, `id` the version's).
    QList<Note> versionsOf(qint64 accountId, const QString &name, bool *failed);
    // At most `count` names after `after` of deleted notes whose versions are kept.
    QStringList deletedAfter(qint64 accountId, const QString &after, int count, bool *failed);
    // Brings a kept version back as the note of its name, keeping the text it replaces.
    bool restore(qint64 accountId, qint64 versionId);

private:
    bool keepVersion(qint64 accountId, const Note &note, qint64 now);
    std::optional<Note> current(qint64 accountId, const QString &name, bool *failed);
    bool write(qint64 accountId, const QString &name, const QString &text, qint64 now, bool exists);
    bool lockAccount(qint64 accountId);

    QSqlDatabase m_db;
    bool m_sqlite;
};
