#include "VirtualClock.h"

std::uint64_t VirtualClock::Now() {
    const std::uint64_t now = now_;
    now_ += step_;
    ++reads_;
    return now;
}

void VirtualClock::Sleep(unsigned milliseconds) {
    now_ += std::uint64_t{milliseconds} * 1'000'000;
}

void VirtualClock::SleepUntil(std::uint64_t deadline) {
    if (static_cast<std::int64_t>(deadline - now_) > 0)
        now_ = deadline;
}
