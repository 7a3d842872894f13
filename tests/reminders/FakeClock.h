#pragma once

#include "reminders/Clock.h"

// A clock the test sets by hand.
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return time; }

    QDateTime time;
};
