#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Sizes and positions are kept in twips (1440 to the inch) and turned into pixels
// from the screen's logical DPI, so layouts scale with the desktop's font setting.
namespace Twips {

constexpr int kPerInch = 1440;

// Logical DPI of the primary screen; 96 when no screen is known.
double screenDpi();

int toPixels(int twips);
int fromPixels(int pixels);

QRect rect(int left, int top, int width, int height);
QSize size(int width, int height);
QPoint point(int left, int top);

} // namespace Twips
