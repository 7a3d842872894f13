#pragma once

#include "store/NoteFileWatch.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// What the last sync of one notes folder left behind: the site and account it was with, the
// site's cursor, and per note the version and digest both sides held then (the base), with
// the local file's stamp, so that an unchanged file need not be read again. One small JSON
// file per notes folder beside the settings.
class SyncState final {
public:
    struct Note {
        qint64 version = 0;
        QByteArray digest;      // the site's text's digest at that version
        FileStamp stamp;        // the local file as that sync saw or left it
        QByteArray localDigest; // the local text's digest where it differs from digest
    };

    // "$XDG_CONFIG_HOME/Pinvelle/sync-<hash of the folder's canonical path>.json", or the
    // same in the per-user configuration folder elsewhere.
    static QString pathFor(const QString &notesFolder);

    // The state in the file at path; empty (a first sync) when it is missing, unreadable or
    // was made for another site or account.
    static SyncState load(const QString &path, const QString &site, const QString &email);

    // Replaces the file as a whole; false with error set when that failed.
    bool save(QString *error) const;

    const QString &path() const { return m_path; }
    qint64 cursor() const { return m_cursor; }
    void setCursor(qint64 cursor) { m_cursor = cursor; }
    const Note *note(const QString &name) const;
    void setNote(const QString &name, const Note &note) { m_notes.insert(name, note); }
    void removeNote(const QString &name) { m_notes.remove(name); }
    QStringList names() const { return m_notes.keys(); }

private:
    QString m_path;
    QString m_site;
    QString m_email;
    qint64 m_cursor = 0;
    QHash<QString, Note> m_notes;
};
