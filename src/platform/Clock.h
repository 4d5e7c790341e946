#pragma once

#include <cstdint>

// The platform's time source: a monotonic counter in nanoseconds, and sleeping. The real one is the
// steady clock; tests run on a virtual one that moves forward while it is read and while they sleep.
class Clock {
public:
    static constexpr double kCountsPerSecond = 1e9;

    virtual ~Clock() = default;
    // The counter now. It may wrap; users compare counts by their difference.
    virtual std::uint64_t Now() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
};
