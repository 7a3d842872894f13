#include "ReminderText.h"

#include <QLocale>
#include <QStringList>

namespace ReminderText {

namespace {

QString part(const QStringList &parts, int index)
{
    return index < parts.size() ? parts.at(index) : QString();
}

} // namespace

QString join(const Fields &fields)
{
    return fields.month + QLatin1Char('/') + fields.day + QLatin1Char('/') + fields.year +
           QLatin1Char(' ') + fields.time + QLatin1Char(' ') + fields.mark;
}

Fields split(const QString &value)
{
    const QStringList dateParts = value.split(QLatin1Char('/'));
    const QStringList rest = part(dateParts, 2).split(QLatin1Char(' '));
    return Fields{part(dateParts, 0), part(dateParts, 1), part(rest, 0), part(rest, 1),
                  part(rest, 2)};
}

Fields fromDateTime(const QDateTime &when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    const int hour = time.hour();
    // 0:40 stays "0:40 AM", as the panel has always shown it; the reader takes it back.
    const int shown = hour > 12 ? hour - 12 : hour;
    const QString mark = hour >= 12 ? QStringLiteral("PM") : QStringLiteral("AM");
    return Fields{
        QString::number(date.month()), QString::number(date.day()), QString::number(date.year()),
        QStringLiteral("%1:%2").arg(shown).arg(time.minute(), 2, 10, QLatin1Char('0')), mark};
}

std::optional<QDateTime> toDateTime(const QString &value)
{
    // Blanks typed twice, or at either end, do not make a different date.
    const QString text = value.simplified();
    if (text.isEmpty())
        return std::nullopt;
    const QLocale c = QLocale::c();
    for (const char *format :
         {"M/d/yyyy h:m AP", "M/d/yyyy h:m:s AP", "M/d/yyyy H:m", "M/d/yyyy H:m:s"}) {
        const QDateTime when = c.toDateTime(text, QString::fromLatin1(format));
        if (when.isValid())
            return when;
    }
    const QDate day = c.toDate(text, QStringLiteral("M/d/yyyy"));
    if (day.isValid())
        return day.startOfDay();
    return std::nullopt;
}

qint64 minutesFrom(const QDateTime &reminder, const QDateTime &now)
{
    // Counted on the wall clock, so a change of daylight saving time moves no reminder.
    const auto minuteOfDay = [](const QTime &time) { return time.hour() * 60 + time.minute(); };
    return reminder.date().daysTo(now.date()) * 24 * 60 + minuteOfDay(now.time()) -
           minuteOfDay(reminder.time());
}

bool isDue(const QString &value, const QDateTime &now)
{
    const std::optional<QDateTime> when = toDateTime(value);
    return when && minutesFrom(*when, now) >= 0;
}

QString firstWords(const QString &text, int maxLength)
{
    const QString line = text.simplified();
    if (line.size() <= maxLength)
        return line;
    QString cut = line.left(maxLength);
    // End on a whole word when one ends reasonably near the limit.
    const qsizetype blank = cut.lastIndexOf(QLatin1Char(' '));
    if (blank > maxLength / 2)
        cut.truncate(blank);
    return cut + QChar(0x2026);
}

} // namespace ReminderText
