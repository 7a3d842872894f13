#include "NoteColours.h"

#include <array>

namespace {

struct NamedColour {
    const char *name;
    QRgb rgb;
};

constexpr std::array<NamedColour, 9> kColours = {{
    {"White", qRgb(255, 255, 255)},
    {"Grey", qRgb(192, 192, 192)},
    {"Red", qRgb(255, 0, 0)},
    {"Orange", qRgb(255, 128, 0)},
    {"Yellow", qRgb(255, 255, 0)},
    {"Green", qRgb(0, 255, 0)},
    {"Light Blue", qRgb(0, 255, 255)},
    {"Blue", qRgb(0, 0, 255)},
    {"Purple", qRgb(255, 0, 255)},
}};

} // namespace

namespace NoteColours {

const QStringList &names()
{
    static const QStringList list = [] {
        QStringList result;
        for (const NamedColour &colour : kColours)
            result << QString::fromLatin1(colour.name);
        return result;
    }();
    return list;
}

std::optional<QColor> byName(const QString &text)
{
    const QString wanted = text.toUpper();
    for (const NamedColour &colour : kColours) {
        if (QString::fromLatin1(colour.name).toUpper() == wanted)
            return QColor(colour.rgb);
    }
    return std::nullopt;
}

} // namespace NoteColours
