#include "NoteTrash.h"

#include "platform/DirectorySync.h"
#include "platform/TrashMove.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString homeTrash()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Trash");
}

// The trash in the per-user data folder, where there is one or it can be made.
bool homeTrashUsable()
{
    const QString trash = homeTrash();
    return QDir().mkpath(trash + QStringLiteral("/files")) &&
           QDir().mkpath(trash + QStringLiteral("/info"));
}

// A trash's "files" folder: beside an "info" folder, in "Trash", ".Trash-UID" or ".Trash/UID".
bool isTrashFolder(const QString &filesFolder)
{
    QDir dir(filesFolder);
    if (dir.dirName() != QLatin1String("files") || !dir.cdUp() ||
        !dir.exists(QStringLiteral("info")))
        return false;
    const QString name = dir.dirName();
    return name == QLatin1String("Trash") || name.startsWith(QLatin1String(".Trash-")) ||
           (dir.cdUp() && dir.dirName() == QLatin1String(".Trash"));
}

} // namespace

NoteTrash::NoteTrash(QString deletedFolder) : m_deletedFolder(std::move(deletedFolder)) {}

NoteTrash NoteTrash::forThisUser()
{
    return NoteTrash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                     QStringLiteral("/Deleted"));
}

NoteTrash::Result NoteTrash::moveToTrash(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (info.isDir())
        return {{},
                QCoreApplication::translate("NoteTrash",
                                            "a folder stands where the note's file belongs")};
    if (!homeTrashUsable())
        return moveToDeletedFolder(path, info.fileName());
    // Our own move first: it flushes the trash's record before the note leaves its folder.
    // Qt's where ours cannot rename (a note on another disk goes to that disk's trash).
    QString inTrash = MoveIntoTrash(path, homeTrash());
    if (!inTrash.isEmpty())
        return {inTrash, {}};
    // Qt makes a trash in the current folder when the desktop's cannot be made; a file
    // there would be lost to the user, so it goes on to the folder of removed notes.
    if (QFile::moveToTrash(path, &inTrash)) {
        if (isTrashFolder(QFileInfo(inTrash).absolutePath())) {
            SyncDirectory(info.absolutePath());
            return {inTrash, {}};
        }
        return moveToDeletedFolder(inTrash, info.fileName());
    }
    return moveToDeletedFolder(path, info.fileName());
}

NoteTrash::Result NoteTrash::moveToDeletedFolder(const QString &path, const QString &name) const
{
    if (!QDir().mkpath(m_deletedFolder))
        return {{},
                QCoreApplication::translate("NoteTrash", "the folder %1 can not be made")
                    .arg(QDir::toNativeSeparators(m_deletedFolder))};
    // The time first, so the folder lists removed notes in the order they went.
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss.zzz"));
    QString target = m_deletedFolder + QLatin1Char('/') + stamp + QLatin1Char(' ') + name;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target =
            m_deletedFolder + QLatin1Char('/') + stamp + QStringLiteral(" (%1) ").arg(n) + name;
    // QFile copies and then removes where the folder lies on another disk.
    QFile file(path);
    if (!file.rename(target))
        return {{}, file.errorString()};
    SyncDirectory(m_deletedFolder);
    SyncDirectory(QFileInfo(path).absolutePath());
    return {target, {}};
}
