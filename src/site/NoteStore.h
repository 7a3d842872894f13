#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// An account's notes, and the last versions of each note that an upload replaced or a delete
// removed, so that no overwrite destroys a note for good. Every change is one transaction, and
// takes the next number of the account's counter as the note's version; a delete leaves a
// tombstone with its version, so that programs that sync learn of it.
class NoteStore final {
public:
    static constexpr int kKeptVersions = 10;

    struct Note {
        qint64 id = 0;
        QString name;
        QString text;
        qint64 size = 0;    // bytes of UTF-8
        qint64 changed = 0; // ms since the epoch, UTC
        qint64 version = 0; // 0 for the kept versions
        QString digest;     // see digest(); empty for the kept versions
    };
    enum class Upload { Stored, Replaced, Kept, Full, Failed };

    // A note as the list of changes gives it: live, or the tombstone of a delete.
    struct Change {
        QString name;
        qint64 version = 0;
        QString digest; // empty for a delete
        bool deleted = false;
    };
    // What a conditional change did. On Stale and Missing, `version` and `deleted` tell what
    // the name holds now: a live note's version, or the version of its delete (0 when none is
    // remembered).
    struct Outcome {
        enum Status { Done, Stale, Missing, Full, Failed } status = Failed;
        qint64 version = 0;
        QString digest;
        bool deleted = false;
    };

    NoteStore(QSqlDatabase db, bool sqlite) : m_db(std::move(db)), m_sqlite(sqlite) {}

    // The lowercase hex SHA-256 of a text's UTF-8 bytes.
    static QString digest(const QByteArray &utf8);

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

    // For programs that sync. The notes and deletes of versions after `since`, oldest first,
    // at most `count` of them; with `since` 0 the live notes alone. `more` tells whether
    // others follow. One query on indexes; no text is read.
    QList<Change> changesSince(qint64 accountId, qint64 since, int count, bool *more, bool *failed);
    // The live note of that name, with its text and version.
    std::optional<Note> note(qint64 accountId, const QString &name, bool *failed);
    // Replaces the note's text only when its version is still `version`.
    Outcome replaceIf(qint64 accountId, const QString &name, const QString &text, qint64 version);
    // Makes the note only when no live note has that name (a deleted one may come back).
    Outcome createIfAbsent(qint64 accountId, const QString &name, const QString &text);
    // Deletes the note only when its version is still `version`.
    Outcome removeIf(qint64 accountId, const QString &name, qint64 version);

private:
    bool keepVersion(qint64 accountId, const Note &note, qint64 now);
    std::optional<Note> current(qint64 accountId, const QString &name, bool *failed);
    // Writes the text under the account's next version; empty on failure, else the digest.
    QString write(qint64 accountId, const QString &name, const QString &text, qint64 now,
                  bool exists, qint64 *version);
    bool erase(qint64 accountId, const Note &note, qint64 now, qint64 *version);
    qint64 nextVersion(qint64 accountId);
    // The version of the name's delete, 0 when none is remembered; -1 on failure.
    qint64 tombstone(qint64 accountId, const QString &name);
    // Whether the account may hold one more name (deleted ones with kept versions count).
    std::optional<bool> roomFor(qint64 accountId, const QString &name);
    Outcome whatIsThere(qint64 accountId, const QString &name, Outcome::Status status,
                        const std::optional<Note> &live);
    bool lockAccount(qint64 accountId);

    QSqlDatabase m_db;
    bool m_sqlite;
};
