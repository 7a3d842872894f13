#include "TimeStamp.h"

namespace TimeStamp {

namespace {

// Qt's long time formats may name the time zone ("t"); the general date format does not.
QString withoutTimeZone(const QString &format)
{
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result.append(c);
    }
    return result.trimmed();
}

} // namespace

QString text(const QDateTime &when, const QLocale &locale)
{
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time =
        locale.toString(when.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return date + QLatin1Char(' ') + time;
}

} // namespace TimeStamp
