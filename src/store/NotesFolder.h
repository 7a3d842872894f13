#pragma once

#include <QString>
#include <QStringList>

// Where the note files live, and how a note's number becomes its file name and path.
class NotesFolder final {
public:
    // Which folder was chosen, and why another was passed over when one was.
    struct Choice {
        QString path;
        QString passedOver; // the folder that could not be used, empty when none was
    };

    // The folder the user named, else the program's own folder; whichever is first
    // chosen is created when missing, and when it cannot be written the per-user data
    // folder is used instead (also created on demand). With neither folder given, the
    // per-user data folder is the choice.
    static Choice choose(const QString &requested, const QString &programFolder,
                         const QString &userDataFolder);

    // The program's own folder as a place for notes: empty for an installed program (its
    // launcher lies beside it) and for a build tree (CMake's cache lies beside it), whose
    // next clean rebuild would delete the notes.
    static QString programFolderForNotes(const QString &programFolder);

    // Creates path when missing and proves that a file can be made in it.
    static bool isUsable(const QString &path);

    explicit NotesFolder(QString path);

    const QString &path() const { return m_path; }

    // "PinvelleQuill" + number + ".pv".
    static QString fileName(int noteNumber);
    // The folder, a separator, and the file name.
    QString filePath(const QString &fileName) const;

    // The note files (".pv" in any case, hidden ones included), by name without regard to
    // case.
    QStringList noteFiles() const;

private:
    QString m_path;
};
