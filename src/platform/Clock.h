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
    // Sleeps until the counter has reached `deadline` (compared by difference, so across a wrap); a
    // deadline already past returns at once. May return a little early (a signal): callers that must not
    // go on before the deadline read the counter again.
    virtual void SleepUntil(std::uint64_t deadline) = 0;
};
