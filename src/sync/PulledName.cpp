#include "sync/PulledName.h"

namespace {
const QString kExtension = QStringLiteral(".pv");
const QString kForbidden = QStringLiteral("/\\:*?\"<>|");
constexpr int kShownLength = 60;

bool isControl(QChar ch)
{
    return ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch.category() == QChar::Other_Control;
}

// The page's parser puts U+FFFD where the markup held a character it could not carry (a
// control character, a stray byte): the name the site meant is not known.
bool isLost(QChar ch)
{
    return ch == QChar::ReplacementCharacter;
}
} // namespace

std::optional<QString> PulledName::fileName(const QString &pageName)
{
    QString name = pageName;
    if (!name.right(3).toUpper().endsWith(kExtension.toUpper()))
        name += kExtension;
    const QString stem = name.left(name.size() - kExtension.size());
    if (stem.trimmed().isEmpty() || stem == QLatin1String(".") || stem == QLatin1String(".."))
        return std::nullopt;
    if (name.toUtf8().size() > kMaximumBytes)
        return std::nullopt;
    for (const QChar ch : name) {
        if (isControl(ch) || isLost(ch) || kForbidden.contains(ch))
            return std::nullopt;
    }
    return name;
}

QString PulledName::shown(const QString &pageName)
{
    QString text;
    for (const QChar ch : pageName)
        text += isControl(ch) ? QLatin1Char('?') : ch;
    if (text.size() > kShownLength)
        text = text.left(kShownLength - 3) + QStringLiteral("...");
    return text;
}
