#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

// How a note's size and position are written in the settings store, and where a note may
// be put back on the screens there are now. Sizes and positions are in twips.
namespace NotePlacement {

struct Size {
    int height = 0;
    int width = 0;
    friend bool operator==(const Size &, const Size &) = default;
};

// The size every note starts with; a note of exactly this size does not store it.
inline constexpr Size kDefaultSize{3000, 4000};

// One length typed in the options or stored: a positive number of twips. Nothing when the
// text is not such a number, and the caller keeps the size it has.
std::optional<int> parseLength(const QString &text);

// "height-width", e.g. "3000-4000".
QString sizeText(Size size);
std::optional<Size> parseSize(const QString &text);
// Whether a size is stored at all: the default size never overwrites a stored one.
bool storesSize(Size size);

// "left-top", e.g. "1200-900"; either may be negative on a screen left of or above the
// main one ("-1500--300").
QString positionText(QPoint topLeft);
std::optional<QPoint> parsePosition(const QString &text);

// Where a window whose frame would be frame goes so that its title bar can be reached on
// one of screens (available areas, in pixels; the first is the main screen): unchanged
// when it already can, else moved onto the nearest screen with its size kept.
QPoint keepVisible(const QRect &frame, const QList<QRect> &screens);

} // namespace NotePlacement
