#pragma once

#include <QString>
#include <functional>

// The outcome of replacing a note's file: empty error means the disk holds the new text.
struct NoteWriteResult {
    QString path;
    QString error;     // why the write failed, in words a user can act on
    QString trashedTo; // where the old file went, when it was moved to the trash

    bool ok() const { return error.isEmpty(); }
    // One line for the user: which note and why.
    QString message() const;
};

// The whole text of the note at path, with the one line break the writer adds removed.
// A missing or unreadable file reads as the empty string.
QString ReadNoteFile(const QString &path);

// What becomes of the old file when a note is written over it.
enum class OldNote {
    Overwrite, // the same note, typed on: its old text is not worth keeping
    Trash,     // another text takes its place: the old one goes to the trash
};

// Replaces the note at path by text followed by CR LF, or moves the file to the trash when
// the text is only spaces. The old file is replaced only once the new text is wholly on
// disk, so a failure leaves the previous note as it was; the folder is then flushed, so the
// replacement survives a power cut.
// A writer that already holds a newer text for the same note may answer false to
// folderSyncWanted, asked once the file is replaced: that newer write's folder sync then
// makes both replacements last.
NoteWriteResult WriteNoteFile(const QString &text, const QString &path,
                              OldNote old = OldNote::Overwrite,
                              const std::function<bool()> &folderSyncWanted = {});
