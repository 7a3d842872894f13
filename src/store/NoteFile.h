#pragma once

#include <QString>

// The outcome of replacing a note's file: empty error means the disk holds the new text.
struct NoteWriteResult {
    QString path;
    QString error; // why the write failed, in words a user can act on

    bool ok() const { return error.isEmpty(); }
    // One line for the user: which note and why.
    QString message() const;
};

// The whole text of the note at path, with the one line break the writer adds removed.
// A missing or unreadable file reads as the empty string.
QString ReadNoteFile(const QString &path);

// Replaces the note at path by text followed by CR LF, or removes the file when the
// text is only spaces. The old file is replaced only once the new text is wholly on
// disk, so a failure leaves the previous note as it was.
NoteWriteResult WriteNoteFile(const QString &text, const QString &path);
