#pragma once

#include <QDateTime>

// Where reminders learn the time: the system clock in the program, a clock set by hand in
// tests, so that nothing has to wait for a real minute.
class Clock {
public:
    virtual ~Clock() = default;

    // The current local date and time.
    virtual QDateTime now() const = 0;
};
