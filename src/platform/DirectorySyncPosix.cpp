#include "DirectorySync.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

bool SyncDirectory(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}
