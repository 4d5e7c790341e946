#pragma once

#include "platform/Clock.h"

// The machine's monotonic clock.
class SteadyClock : public Clock {
public:
    std::uint64_t Now() override;
    void Sleep(unsigned milliseconds) override;
};
