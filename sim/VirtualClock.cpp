#include "VirtualClock.h"

std::uint64_t VirtualClock::Now() {
    const std::uint64_t now = now_;
    now_ += step_;
    return now;
}

void VirtualClock::Sleep(unsigned milliseconds) {
    now_ += std::uint64_t{milliseconds} * 1'000'000;
}
