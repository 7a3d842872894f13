#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QApplication;

// Chooses Qt's window-system plugin and connects to the desktop, so that a start without
// one ends with a sentence and status 1 rather than an abort.
class WindowSystem final {
public:
    // The variables that say which desktop there is.
    struct Environment {
        QByteArray display;        // DISPLAY
        QByteArray waylandDisplay; // WAYLAND_DISPLAY
        QByteArray qpaPlatform;    // QT_QPA_PLATFORM
        static Environment current();
    };

    // The plugin to ask Qt for, or empty to leave the choice to QT_QPA_PLATFORM or Qt.
    // A Wayland compositor lets no program place its windows, so where XWayland is there
    // too Pinvelle runs on X, and note positions and Stay On Top keep working.
    static QByteArray pluginFor(const QByteArray &requested, const Environment &env);

    // One line saying why no window can be shown, or empty when a display is named.
    static QString missingDisplay(const QByteArray &plugin, const Environment &env);

    // Creates the application on the plugin chosen for requested (empty: none asked for).
    // When there is no desktop to connect to, prints one line and exits with status 1.
    static std::unique_ptr<QApplication> open(const char *program, const QByteArray &requested);
};
