#pragma once

#include "Clock.h"

// The computer's own clock, in local time.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};
