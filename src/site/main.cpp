#include "site/SiteCommand.h"

#include <QCoreApplication>

#include <sys/stat.h>

int main(int argc, char *argv[])
{
    // The database, its journal files and its backups hold password hashes and every note:
    // for this user alone, whatever the umask the site was started with.
    umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pinvelle-site"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PINVELLE_SITE_VERSION));
    return SiteCommand::run(QCoreApplication::arguments());
}
