#include "site/SiteCommand.h"

#include <QCoreApplication>

#include <sys/stat.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
    // The database, its journal files and its backups hold password hashes and every note:
    // for this user alone, whatever the umask the site was started with.
    umask(077);
#if defined(__GLIBC__)
    // Request bodies of up to 2 MiB come and go by the hundred: mapped and given back one by
    // one, rather than kept in the allocator's heaps once glibc raises its threshold for them.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pinvelle-site"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PINVELLE_SITE_VERSION));
    return SiteCommand::run(QCoreApplication::arguments());
}
