#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// A note's reminder as it is stored: month "/" day "/" year, a blank, the time, a blank and
// the AM/PM mark, exactly as typed into the reminder panel (e.g. "3/7/2026 2:05 PM").
// The empty string means no reminder.
namespace ReminderText {

// The panel's five fields.
struct Fields {
    QString month;
    QString day;
    QString year;
    QString time;
    QString mark; // AM or PM
    friend bool operator==(const Fields &, const Fields &) = default;
};

// The stored form of the fields, verbatim: nothing trimmed, added or checked.
QString join(const Fields &fields);

// The fields of a stored value: split at "/" into month, day and the rest, the rest split
// at " " into year, time and mark. A value with fewer parts (edited by hand, or set with
// empty fields) leaves the missing fields empty; parts beyond the expected ones are
// ignored.
Fields split(const QString &value);

// The fields showing a moment to the minute: month and day without leading zeros, the
// full year, the hour of a 12-hour clock (0 to 11 AM, 12 PM, 1 to 11 PM) and the minutes
// as two digits.
Fields fromDateTime(const QDateTime &when);

// The stored value read as a local date and time: month/day/year with a 12-hour time and
// its mark; also a 24-hour time or the date alone (midnight). Nothing when the text is not
// such a date, e.g. "13/45/2026 99:99 XM".
std::optional<QDateTime> toDateTime(const QString &value);

// How many minute boundaries lie between the reminder and now on the wall clock: 0 within
// the reminder's own minute, negative while the reminder lies ahead.
qint64 minutesFrom(const QDateTime &reminder, const QDateTime &now);

// Whether a stored value has fallen due at now. A value that cannot be read as a date
// never falls due.
bool isDue(const QString &value, const QDateTime &now);

// The start of a note's text on one line, for a short message about it.
QString firstWords(const QString &text, int maxLength = 60);

} // namespace ReminderText
