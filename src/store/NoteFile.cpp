#include "NoteFile.h"

#include "NoteText.h"
#include "NoteTrash.h"
#include "platform/DirectorySync.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QByteArray kLineEnd = "\r\n";

bool holds(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}
} // namespace

QString NoteWriteResult::message() const
{
    return QCoreApplication::translate("NoteFile", "Could not save %1: %2")
        .arg(QFileInfo(path).fileName(), error);
}

QString ReadNoteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.endsWith(kLineEnd))
        bytes.chop(kLineEnd.size());
    return NoteText::decode(bytes);
}

NoteWriteResult WriteNoteFile(const QString &text, const QString &path, OldNote old,
                              const std::function<bool()> &folderSyncWanted)
{
    NoteWriteResult result{path, {}, {}};
    const QFileInfo info(path);
    const QString folderStands =
        QCoreApplication::translate("NoteFile", "a folder stands where the note's file belongs");

    if (!NoteText::hasContent(text)) {
        const NoteTrash::Result trashed = NoteTrash::forThisUser().moveToTrash(path);
        result.error = trashed.error;
        result.trashedTo = trashed.where;
        return result;
    }

    if (info.isDir()) {
        result.error = folderStands;
        return result;
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so a disk that takes no more bytes fails the write itself: a buffered
    // write fails only in the final flush, which the commit does not report, and the
    // note would be replaced by an empty file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = NoteText::encode(text) + kLineEnd;
    if (file.write(bytes) != bytes.size()) {
        result.error = file.errorString();
        file.cancelWriting();
        return result;
    }
    // The new text is wholly written beside the old one; only now does the old one go, unless
    // it held nothing or these very bytes, and nothing would be lost.
    if (old == OldNote::Trash && info.size() > 0 && !holds(path, bytes)) {
        const NoteTrash::Result trashed = NoteTrash::forThisUser().moveToTrash(path);
        if (!trashed.ok()) {
            result.error = trashed.error;
            file.cancelWriting();
            return result;
        }
        result.trashedTo = trashed.where;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    if (!folderSyncWanted || folderSyncWanted())
        SyncDirectory(info.absolutePath());
    return result;
}
