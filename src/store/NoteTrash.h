#pragma once

#include <QString>

// Where removed notes go instead of being deleted outright: the desktop's trash, where the
// file manager can restore them, or, where there is no trash, a folder of removed notes
// under a name that carries the time of removal.
class NoteTrash final {
public:
    // deletedFolder: used only where the desktop has no trash.
    explicit NoteTrash(QString deletedFolder);
    // The "Deleted" folder inside the per-user data folder.
    static NoteTrash forThisUser();

    struct Result {
        QString where; // the file's new path; empty when nothing was there to move
        QString error; // why the file is still where it was

        bool ok() const { return error.isEmpty(); }
    };

    // Moves the file at path away; a missing file is no error.
    Result moveToTrash(const QString &path) const;

    const QString &deletedFolder() const { return m_deletedFolder; }

private:
    Result moveToDeletedFolder(const QString &path, const QString &name) const;

    QString m_deletedFolder;
};
