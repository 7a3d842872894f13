#include "SettingValues.h"

#include <QLocale>
#include <cmath>

namespace SettingValues {

std::optional<int> tick(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || (value != 0 && value != 1))
        return std::nullopt;
    return value;
}

std::optional<bool> flag(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const long long number = t.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number != 0;
}

QString fromTick(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

QString fromFlag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

namespace {

std::optional<double> number(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = t.toDouble(&ok);
    if (!ok)
        value = QLocale::system().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

bool isNumeric(const QString &text)
{
    return number(text).has_value();
}

bool isWithin(const QString &text, double low, double high)
{
    const std::optional<double> value = number(text);
    return value && *value >= low && *value <= high;
}

} // namespace SettingValues
