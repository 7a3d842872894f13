#include "WindowRegistry.h"

WindowRegistry::WindowRegistry(QObject *parent) : QObject(parent) {}

void WindowRegistry::add(QWidget *window)
{
    if (!window || windows().contains(window))
        return;
    m_windows.append(window);
    connect(window, &QObject::destroyed, this, &WindowRegistry::windowRemoved);
}

void WindowRegistry::remove(QWidget *window)
{
    if (!window || m_windows.removeAll(window) == 0)
        return;
    disconnect(window, &QObject::destroyed, this, nullptr);
    prune();
    emit windowRemoved();
}

QWidget *WindowRegistry::find(const QString &title) const
{
    // Titles change (Save As), so they are looked up now rather than remembered.
    for (const QPointer<QWidget> &window : m_windows) {
        if (window && window->windowTitle() == title)
            return window;
    }
    return nullptr;
}

WindowRegistry::Activation WindowRegistry::activate(const QString &title)
{
    QWidget *window = find(title);
    if (!window)
        return Activation::NoSuchWindow;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    return Activation::Activated;
}

QList<QWidget *> WindowRegistry::windows() const
{
    prune();
    QList<QWidget *> result;
    result.reserve(m_windows.size());
    for (const QPointer<QWidget> &window : m_windows)
        result.append(window);
    return result;
}

void WindowRegistry::prune() const
{
    m_windows.removeIf([](const QPointer<QWidget> &window) { return window.isNull(); });
}
