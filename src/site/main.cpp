#include "site/SiteCommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pinvelle-site"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PINVELLE_SITE_VERSION));
    return SiteCommand::run(QCoreApplication::arguments());
}
