#pragma once

#include "NoteFileWatch.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QDateTime;

// The outcome of replacing a note's file: empty error means the disk holds the new text.
struct NoteWriteResult {
    QString path;
    QString error;        // why the write failed, in words a user can act on
    QString trashedTo;    // where the old file went, when it was moved to the trash
    QString keptAside;    // where a text written by someone else was kept before the write
    FileStamp stamp = {}; // the file as the write left it

    bool ok() const { return error.isEmpty(); }
    // One line for the user: which note and why.
    QString message() const;
};

// The whole text of the note at path, with the one line break the writer adds removed.
// A missing or unreadable file reads as the empty string.
QString ReadNoteFile(const QString &path);
// The file's bytes as they stand; nothing when it is missing or cannot be read.
std::optional<QByteArray> ReadNoteBytes(const QString &path);
// The text of a note file's bytes, as ReadNoteFile gives it.
QString NoteFileText(QByteArray bytes);

// Keeps a text found in a note's file beside it, as "NAME (changed elsewhere, DATE TIME).pv",
// never over another file, and on disk before it returns: the place it went, or empty with
// error set.
QString KeepNoteBeside(const QString &path, const QByteArray &bytes, const QDateTime &when,
                       QString *error);

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
// expected, when given, is the text the writer believes the file holds (as ReadNoteFile
// gives it; spaces at either end and the kind of line end do not count). A file found holding
// another text, written there by someone else meanwhile, is first kept beside the note
// (KeepNoteBeside), so it is never lost.
NoteWriteResult WriteNoteFile(const QString &text, const QString &path,
                              OldNote old = OldNote::Overwrite,
                              const std::function<bool()> &folderSyncWanted = {},
                              const std::optional<QString> &expected = std::nullopt,
                              const std::optional<FileStamp> &expectedStamp = std::nullopt);
