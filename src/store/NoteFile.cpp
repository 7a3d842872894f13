#include "NoteFile.h"

#include "NoteText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QByteArray kLineEnd = "\r\n";
}

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

NoteWriteResult WriteNoteFile(const QString &text, const QString &path)
{
    NoteWriteResult result{path, {}};
    const QFileInfo info(path);

    if (!NoteText::hasContent(text)) {
        if (info.exists() || info.isSymLink()) {
            QFile file(path);
            if (info.isDir() || !file.remove())
                result.error =
                    info.isDir() ? QCoreApplication::translate(
                                       "NoteFile", "a folder stands where the note's file belongs")
                                 : file.errorString();
        }
        return result;
    }

    if (info.isDir()) {
        result.error = QCoreApplication::translate("NoteFile",
                                                   "a folder stands where the note's file belongs");
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
    if (!file.commit())
        result.error = file.errorString();
    return result;
}
