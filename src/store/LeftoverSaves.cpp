#include "LeftoverSaves.h"

#include "NoteFile.h"
#include "NoteText.h"
#include "StoreLog.h"
#include "platform/DirectorySync.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>
#include <utility>

namespace {

constexpr qint64 kSaveUnderWaySecs = 60;
constexpr qsizetype kSuffixLength = 7; // ".XXXXXX"

} // namespace

LeftoverSaves::LeftoverSaves(QString folder, NoteTrash trash)
    : m_folder(std::move(folder)), m_trash(std::move(trash))
{}

QList<LeftoverSaves::Outcome> LeftoverSaves::settle(const QDateTime &now) const
{
    static const QRegularExpression leftoverName(QStringLiteral("\\.pv\\.[A-Za-z0-9]{6}$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    QList<Outcome> outcomes;
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files) {
        // A link of that name was not made by a save.
        if (file.isSymLink() || !leftoverName.match(file.fileName()).hasMatch() ||
            file.lastModified().secsTo(now) <= kSaveUnderWaySecs)
            continue;
        outcomes << settleOne(file.absoluteFilePath());
        const Outcome &done = outcomes.last();
        if (done.kind == Outcome::Kind::Restored && done.trashedTo.isEmpty())
            qCInfo(lcStore) << "An interrupted save became the missing note:" << done.leftover;
        else if (done.kind == Outcome::Kind::Restored)
            qCInfo(lcStore) << "An interrupted save became the note:" << done.leftover
                            << "- the older text went to" << done.trashedTo;
        else if (done.kind == Outcome::Kind::Trashed)
            qCInfo(lcStore) << "An interrupted save went to the trash:" << done.trashedTo;
        else
            qCWarning(lcStore) << "An interrupted save stays where it is:" << done.leftover
                               << done.error;
    }
    return outcomes;
}

LeftoverSaves::Outcome LeftoverSaves::settleOne(const QString &leftover) const
{
    const QString notePath = leftover.chopped(kSuffixLength);
    const QFileInfo note(notePath);
    const QFileInfo saved(leftover);
    const std::optional<QByteArray> savedBytes = ReadNoteBytes(leftover);
    if (!savedBytes)
        return {leftover, Outcome::Kind::Failed, {}, QFile(leftover).errorString()};

    // Times can mislead (a clock set back, a copy that kept its time), so an equal text or a
    // blank one never replaces the note, and the one not taken goes to the trash, not away.
    const bool noteThere = note.exists() || note.isSymLink();
    if (note.isDir() || !NoteText::hasContent(ReadNoteFile(leftover)) ||
        (noteThere && saved.lastModified() <= note.lastModified()))
        return toTrash(leftover);
    QString oldNoteTrashedTo;
    if (noteThere) {
        const std::optional<QByteArray> noteBytes = ReadNoteBytes(notePath);
        if (noteBytes == savedBytes)
            return toTrash(leftover);
        const NoteTrash::Result trashed = m_trash.moveToTrash(notePath);
        if (!trashed.ok())
            return {leftover, Outcome::Kind::Failed, {}, trashed.error};
        oldNoteTrashedTo = trashed.where;
    }
    // QFile refuses to rename over a file, so a note written meanwhile is never lost.
    QFile file(leftover);
    if (!file.rename(notePath))
        return {leftover, Outcome::Kind::Failed, oldNoteTrashedTo, file.errorString()};
    SyncDirectory(m_folder);
    return {leftover, Outcome::Kind::Restored, oldNoteTrashedTo, {}};
}

LeftoverSaves::Outcome LeftoverSaves::toTrash(const QString &leftover) const
{
    const NoteTrash::Result trashed = m_trash.moveToTrash(leftover);
    if (!trashed.ok())
        return {leftover, Outcome::Kind::Failed, {}, trashed.error};
    return {leftover, Outcome::Kind::Trashed, trashed.where, {}};
}
