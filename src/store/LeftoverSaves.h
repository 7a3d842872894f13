#pragma once

#include "NoteTrash.h"

#include <QList>
#include <QString>

class QDateTime;

// What an interrupted save left beside a note: the temporary NAME.pv.XXXXXX that was to
// replace NAME.pv. A power cut between writing it and renaming it leaves the newest text
// only there, so no leftover is deleted unread: it becomes the note when it is newer than
// the note (or the note is missing) and holds text, and goes to the trash otherwise.
class LeftoverSaves final {
public:
    LeftoverSaves(QString folder, NoteTrash trash);

    struct Outcome {
        enum class Kind {
            Restored, // the leftover is the note now; the note's older text is in the trash
            Trashed,  // the leftover is in the trash
            Failed,   // the leftover is still where it was
        };
        QString leftover;
        Kind kind = Kind::Failed;
        QString trashedTo; // the leftover's, or on Restored the old note's; empty when none
        QString error;
    };

    // Settles each leftover older than a minute, so no save still under way loses its file.
    // Call it only while this program holds the folder.
    QList<Outcome> settle(const QDateTime &now) const;

private:
    Outcome settleOne(const QString &leftover) const;
    Outcome toTrash(const QString &leftover) const;

    QString m_folder;
    NoteTrash m_trash;
};
