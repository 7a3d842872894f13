#include "Autostart.h"

#include <QStandardPaths>

namespace {
constexpr char kLauncher[] = "pinvelle.desktop";
}

// The installed launcher, found among the desktop's applications folders, goes into the
// user's autostart folder ($XDG_CONFIG_HOME/autostart).
Autostart Autostart::forThisSystem()
{
    const QString launcher = QString::fromLatin1(kLauncher);
    const QString source = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, launcher);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {source, config + QStringLiteral("/autostart/") + launcher};
}
