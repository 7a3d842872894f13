#include "Topmost.h"

#include <QWidget>

void SetTopmost(QWidget *window, bool on)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on) {
        // Changing a window's flags recreates its native window, which hides it and may
        // forget where it stood; put it back where it was. pos() is the frame's position (or
        // the one asked for while the frame is not known yet); putting it back through the
        // client area's geometry instead would shift the window by its title bar each time.
        const QPoint framePosition = window->pos();
        const QSize size = window->size();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        window->resize(size);
        window->move(framePosition);
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
