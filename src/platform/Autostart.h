#pragma once

#include <QString>

// Starting the program when the user logs on: the launcher its installer placed is
// copied to where the desktop looks for programs to start.
class Autostart final {
public:
    // The launcher to copy and where the copy goes.
    Autostart(QString source, QString target);

    // The launcher and log-on location of the system the program runs on.
    static Autostart forThisSystem();

    // The Start Menu shortcut and its copy in the Startup folder. os is the environment's
    // "os" ("Windows_NT", exact case, for the NT family, whose folders lie under
    // userProfile); any other value means the fixed folders under C:\WINDOWS.
    static Autostart forWindows(const QString &os, const QString &userProfile);

    // Replaces the target with a copy of the source, creating its folder when missing.
    // Without a readable source nothing changes on disk. False when no copy was made.
    bool install() const;

    const QString &source() const { return m_source; }
    const QString &target() const { return m_target; }

private:
    QString m_source;
    QString m_target;
};
