#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace Twips {

double screenDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 0.0;
    return dpi > 0.0 ? dpi : 96.0;
}

int toPixels(int twips)
{
    return static_cast<int>(std::lround(twips * screenDpi() / kPerInch));
}

int fromPixels(int pixels)
{
    return static_cast<int>(std::lround(pixels * kPerInch / screenDpi()));
}

QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

QSize size(int width, int height)
{
    return {toPixels(width), toPixels(height)};
}

QPoint point(int left, int top)
{
    return {toPixels(left), toPixels(top)};
}

} // namespace Twips
