#include "NoteFile.h"

#include "NoteText.h"
#include "NoteTrash.h"
#include "platform/DirectorySync.h"

#include <QCoreApplication>
#include <QDateTime>
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

// Spaces at either end are not part of a note's text, nor is the kind of line end: the window
// trims the one and rewrites the other when it saves.
QString comparable(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return NoteText::trimSpaces(text);
}
} // namespace

QString NoteWriteResult::message() const
{
    return QCoreApplication::translate("NoteFile", "Could not save %1: %2")
        .arg(QFileInfo(path).fileName(), error);
}

QString ReadNoteFile(const QString &path)
{
    return NoteFileText(ReadNoteBytes(path).value_or(QByteArray()));
}

std::optional<QByteArray> ReadNoteBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString NoteFileText(QByteArray bytes)
{
    if (bytes.endsWith(kLineEnd))
        bytes.chop(kLineEnd.size());
    return NoteText::decode(bytes);
}

QString KeepNoteBeside(const QString &path, const QByteArray &bytes, const QDateTime &when,
                       QString *error)
{
    const QFileInfo info(path);
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".pv"), Qt::CaseInsensitive))
        base.chop(3);
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd HH.mm"));
    QString target;
    for (int n = 1; target.isEmpty() || QFileInfo::exists(target) || QFileInfo(target).isSymLink();
         ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(", %1").arg(n);
        target = info.absolutePath() + QLatin1Char('/') + base +
                 QStringLiteral(" (changed elsewhere, %1%2).pv").arg(stamp, suffix);
    }
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return {};
    }
    SyncDirectory(info.absolutePath());
    return target;
}

NoteWriteResult WriteNoteFile(const QString &text, const QString &path, OldNote old,
                              const std::function<bool()> &folderSyncWanted,
                              const std::optional<QString> &expected,
                              const std::optional<FileStamp> &expectedStamp)
{
    NoteWriteResult result{path, {}, {}, {}};
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
    } else if (expected && !(expectedStamp && *expectedStamp == FileStamp::of(path))) {
        // Checked as late as can be, right before the replacement: a text another program
        // (or a pull) put there since this writer last looked must not go unseen.
        const std::optional<QByteArray> found = ReadNoteBytes(path);
        if (found && *found != bytes) {
            const QString foundText = comparable(NoteFileText(*found));
            if (!foundText.isEmpty() && foundText != comparable(*expected)) {
                QString error;
                result.keptAside =
                    KeepNoteBeside(path, *found, QDateTime::currentDateTime(), &error);
                if (result.keptAside.isEmpty()) {
                    result.error = error;
                    file.cancelWriting();
                    return result;
                }
            }
        }
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    if (!folderSyncWanted || folderSyncWanted())
        SyncDirectory(info.absolutePath());
    result.stamp = FileStamp::of(path);
    return result;
}
