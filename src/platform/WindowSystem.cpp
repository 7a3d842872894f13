#include "WindowSystem.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

QString shown(const QByteArray &value)
{
    return value.isEmpty() ? QStringLiteral("unset") : QString::fromLocal8Bit(value);
}

QString unreachable(const WindowSystem::Environment &env)
{
    return QStringLiteral("Pinvelle needs a graphical desktop, but cannot connect to one "
                          "(DISPLAY %1, WAYLAND_DISPLAY %2).")
        .arg(shown(env.display), shown(env.waylandDisplay));
}

// While the application connects to the display: Qt's messages about its plugins are kept
// back, to be printed only when the connection works, and a failure that Qt would end in
// an abort ends in one line and status 1.
QStringList g_heldBack;
QtMessageHandler g_previous = nullptr;

void whileConnecting(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(unreachable(WindowSystem::Environment::current())));
        std::_Exit(1); // nothing is open yet that needs closing
    }
    if (QByteArray(context.category ? context.category : "").startsWith("qt.qpa"))
        g_heldBack.append(message);
    else if (g_previous)
        g_previous(type, context, message);
}

} // namespace

WindowSystem::Environment WindowSystem::Environment::current()
{
    return {qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM")};
}

QByteArray WindowSystem::pluginFor(const QByteArray &requested, const Environment &env)
{
    if (!requested.isEmpty())
        return requested;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (env.qpaPlatform.isEmpty() && !env.waylandDisplay.isEmpty())
        return env.display.isEmpty() ? QByteArrayLiteral("wayland") : QByteArrayLiteral("xcb");
#else
    Q_UNUSED(env);
#endif
    return {};
}

QString WindowSystem::missingDisplay(const QByteArray &plugin, const Environment &env)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QByteArray chosen = plugin.isEmpty() ? env.qpaPlatform : plugin;
    bool missing = false;
    if (chosen.isEmpty())
        missing = env.display.isEmpty() && env.waylandDisplay.isEmpty();
    else if (chosen == "xcb")
        missing = env.display.isEmpty();
    else if (chosen == "wayland")
        missing = env.waylandDisplay.isEmpty();
    // Other plugins (offscreen, vnc, lists to try in turn) need neither variable.
    if (missing)
        return QStringLiteral("Pinvelle needs a graphical desktop: DISPLAY or "
                              "WAYLAND_DISPLAY must name one (DISPLAY %1, WAYLAND_DISPLAY %2).")
            .arg(shown(env.display), shown(env.waylandDisplay));
#else
    Q_UNUSED(plugin);
    Q_UNUSED(env);
#endif
    return {};
}

std::unique_ptr<QApplication> WindowSystem::open(const char *program, const QByteArray &requested)
{
    const Environment env = Environment::current();
    static QByteArray plugin;
    plugin = pluginFor(requested, env);
    const QString missing = missingDisplay(plugin, env);
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(missing));
        std::exit(1);
    }

    // The arguments were read already; Qt is given only the program and the plugin. They
    // must outlive the application.
    static QByteArray name;
    static QByteArray option = QByteArrayLiteral("-platform");
    static char *argv[4] = {};
    static int argc = 1;
    name = program;
    argv[0] = name.data();
    if (!plugin.isEmpty()) {
        argv[1] = option.data();
        argv[2] = plugin.data();
        argc = 3;
    }

    g_previous = qInstallMessageHandler(whileConnecting);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previous);
    for (const QString &message : std::as_const(g_heldBack))
        qWarning("%s", qPrintable(message));
    g_heldBack.clear();
    return app;
}
