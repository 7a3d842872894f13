// Any text as a stored reminder: reading it must not crash, and a date read from it must
// read the same once written back the way the panel writes it.
#include "reminders/ReminderText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString value =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ReminderText::Fields fields = ReminderText::split(value);
    (void)ReminderText::join(fields);
    const QDateTime now(QDate(2026, 3, 7), QTime(14, 5));
    const std::optional<QDateTime> when = ReminderText::toDateTime(value);
    (void)ReminderText::isDue(value, now);
    (void)ReminderText::firstWords(value);
    (void)ReminderText::firstWords(value, 3);
    // Years of fewer than four digits may read as a two-digit year; the panel always
    // writes four.
    if (when && when->date().year() >= 1000 && when->date().year() <= 9999) {
        (void)ReminderText::minutesFrom(*when, now);
        const ReminderText::Fields again = ReminderText::fromDateTime(*when);
        const std::optional<QDateTime> back = ReminderText::toDateTime(ReminderText::join(again));
        if (!back || back->date() != when->date() || back->time().hour() != when->time().hour() ||
            back->time().minute() != when->time().minute())
            abort();
    }
    return 0;
}
