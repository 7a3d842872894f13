#include "TrashMove.h"

#include "DirectorySync.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameDisk(const QByteArray &a, const QByteArray &b)
{
    struct stat first {};
    struct stat second {};
    return ::lstat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

// Creates the record only where no other exists, so two programs trashing files of the same
// name at once never share one. Gives 0 once the record is on disk, else why not (EEXIST:
// the name is taken).
int writeRecordOnce(const QByteArray &recordPath, const QByteArray &record)
{
    const int fd =
        ::open(recordPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno;
    qsizetype written = 0;
    while (written < record.size()) {
        const ssize_t n =
            ::write(fd, record.constData() + written, static_cast<size_t>(record.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool ok = written == record.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok) {
        ::unlink(recordPath.constData());
        return EIO;
    }
    return 0;
}

bool taken(const QByteArray &path)
{
    struct stat entry {};
    return ::lstat(path.constData(), &entry) == 0 || errno != ENOENT;
}

// Renames without replacing: a file of that name in the trash belongs to someone else.
bool renameNew(const QByteArray &from, const QByteArray &to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL) // a file system that cannot refuse: the name was free a moment ago
        return false;
#endif
    return ::rename(from.constData(), to.constData()) == 0;
}

} // namespace

QString MoveIntoTrash(const QString &path, const QString &trashFolder)
{
    const QFileInfo source(path);
    const QString filesFolder = trashFolder + QStringLiteral("/files");
    const QString infoFolder = trashFolder + QStringLiteral("/info");
    const QByteArray sourcePath = QFile::encodeName(source.absoluteFilePath());
    // A rename cannot cross disks; rather than a record to take back, nothing is tried.
    if (!sameDisk(sourcePath, QFile::encodeName(filesFolder)))
        return {};

    const QByteArray record =
        "[Trash Info]\nPath=" + sourcePath.toPercentEncoding("/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() +
        '\n';
    const QString name = source.fileName();
    for (int n = 1; n < 10000; ++n) {
        const QString trashName = n == 1 ? name : name + QStringLiteral(".%1").arg(n);
        const QString target = filesFolder + QLatin1Char('/') + trashName;
        const QByteArray targetPath = QFile::encodeName(target);
        const QByteArray recordPath =
            QFile::encodeName(infoFolder + QLatin1Char('/') + trashName + ".trashinfo");
        if (const int why = writeRecordOnce(recordPath, record)) {
            if (why == EEXIST)
                continue;
            return {};
        }
        // A file without a record may lie in "files" where a program stopped half-way.
        if (taken(targetPath)) {
            ::unlink(recordPath.constData());
            continue;
        }
        SyncDirectory(infoFolder);
        if (!renameNew(sourcePath, targetPath)) {
            const int why = errno;
            ::unlink(recordPath.constData());
            SyncDirectory(infoFolder);
            if (why == EEXIST)
                continue;
            return {};
        }
        SyncDirectory(filesFolder);
        SyncDirectory(source.absolutePath());
        return target;
    }
    return {};
}
