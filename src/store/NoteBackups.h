#pragma once

#include <QDate>
#include <QList>
#include <QString>

class QDateTime;

// Daily copies of the notes folder's note files, one folder per day (YYYY-MM-DD) in the
// backups folder. A day's copy is made only when a note changed since the last one, is
// written whole or not at all, and old copies are thinned out by a fixed rule.
class NoteBackups final {
public:
    static constexpr int kDailyKept = 7;
    static constexpr int kWeeksKept = 4;
    static constexpr qint64 kMaxBytes = 100 * 1024 * 1024;

    NoteBackups(QString notesFolder, QString backupsFolder);
    // Pinvelle/backups in the per-user data folder.
    static QString defaultFolder();

    struct Backup {
        QDate date;
        qint64 bytes = 0;
    };
    // The backups to remove: all but the kDailyKept newest and the newest of each of the
    // kWeeksKept weeks back from today, then the oldest of those left until they hold at
    // most maxBytes in all.
    static QList<QDate> toRemove(QList<Backup> backups, QDate today, qint64 maxBytes = kMaxBytes);

    struct Result {
        bool written = false; // a copy was made today
        QString error;        // why it was not, when it should have been
    };
    // Makes today's copy when it is due, then removes what the rule says.
    Result run(const QDateTime &now) const;

    const QString &folder() const { return m_backups; }

private:
    bool isDue(const QDate &today) const;
    QString copyInto(const QString &folder) const; // the error, empty when all went well
    QList<Backup> existing() const;

    QString m_notes;
    QString m_backups;
};
