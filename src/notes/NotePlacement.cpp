#include "NotePlacement.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace NotePlacement {

namespace {

// Larger values come only from a hand-edited store; they would make windows no screen holds.
constexpr double kMaxTwips = 200000.0;

// How much of a window's top edge must lie on a screen for the user to grab it.
constexpr int kGrabWidth = 40;
constexpr int kGrabHeight = 10;

std::optional<int> parseCoordinate(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || std::abs(value) > kMaxTwips)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> parseLength(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 1.0 || value > kMaxTwips)
        return std::nullopt;
    return static_cast<int>(std::lround(value));
}

QString sizeText(Size size)
{
    return QStringLiteral("%1-%2").arg(size.height).arg(size.width);
}

std::optional<Size> parseSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<int> height = parseLength(parts.at(0));
    const std::optional<int> width = parseLength(parts.at(1));
    if (!height || !width)
        return std::nullopt;
    return Size{*height, *width};
}

bool storesSize(Size size)
{
    return sizeText(size) != sizeText(kDefaultSize);
}

QString positionText(QPoint topLeft)
{
    return QStringLiteral("%1-%2").arg(topLeft.x()).arg(topLeft.y());
}

std::optional<QPoint> parsePosition(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(-?\\d+)-(-?\\d+)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<int> left = parseCoordinate(match.captured(1));
    const std::optional<int> top = parseCoordinate(match.captured(2));
    if (!left || !top)
        return std::nullopt;
    return QPoint(*left, *top);
}

QPoint keepVisible(const QRect &frame, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return frame.topLeft();
    const QRect titleStrip(frame.left(), frame.top(), frame.width(),
                           std::min(frame.height(), kGrabHeight));
    for (const QRect &screen : screens) {
        const QRect seen = screen.intersected(titleStrip);
        if (seen.width() >= std::min(kGrabWidth, frame.width()) &&
            seen.height() >= std::min(kGrabHeight, frame.height()))
            return frame.topLeft();
    }
    // Off every screen: bring it onto the nearest one (the main screen when two are as near),
    // as near as possible to where it was, keeping its size.
    const auto distance = [&titleStrip](const QRect &screen) {
        const qint64 dx =
            std::max({0, screen.left() - titleStrip.right(), titleStrip.left() - screen.right()});
        const qint64 dy =
            std::max({0, screen.top() - titleStrip.bottom(), titleStrip.top() - screen.bottom()});
        return dx * dx + dy * dy;
    };
    const QRect &nearest = *std::min_element(
        screens.begin(), screens.end(),
        [&distance](const QRect &a, const QRect &b) { return distance(a) < distance(b); });
    const int left = std::clamp(frame.left(), nearest.left(),
                                std::max(nearest.left(), nearest.right() + 1 - frame.width()));
    const int top = std::clamp(frame.top(), nearest.top(),
                               std::max(nearest.top(), nearest.bottom() + 1 - frame.height()));
    return {left, top};
}

} // namespace NotePlacement
