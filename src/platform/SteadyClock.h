#pragma once

#include "platform/Clock.h"

// The machine's monotonic clock.
class SteadyClock : public Clock {
public:
    std::uint64_t Now() override;
    void Sleep(unsigned milliseconds) override;
    // An absolute sleep on the monotonic clock, with the thread's timer slack at a microsecond so that a
    // character time at 115200 baud (87 us) is not stretched by the kernel's default 50 us.
    void SleepUntil(std::uint64_t deadline) override;
};
