#include "Topmost.h"

#include <QWidget>

void SetTopmost(QWidget *window, bool on)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on) {
        // Changing a window's flags recreates its native window, which hides it and may
        // forget where it stood; put it back where it was.
        const QRect geometry = window->geometry();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        window->setGeometry(geometry);
    }
    if (visible) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

bool IsTopmost(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}
