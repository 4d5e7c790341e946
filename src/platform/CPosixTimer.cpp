#include "platform/CPosixTimer.h"

#include <algorithm>

namespace {

// A time already past, or a negative one, is no wait at all.
std::uint64_t ToCounts(double seconds) {
    return static_cast<std::uint64_t>(Clock::kCountsPerSecond * std::max(seconds, 0.0));
}

}  // namespace

void CPosixTimer::SetPeriod(double seconds) {
    periodCounts_ = static_cast<std::int64_t>(Clock::kCountsPerSecond * seconds);
}

void CPosixTimer::Start() {
    startCount_ = nextDeadline_ = clock_.Now();
}

void CPosixTimer::Wait(double seconds) {
    WaitUntil(clock_.Now() + ToCounts(seconds));
}

double CPosixTimer::Elapsed() {
    return static_cast<double>(clock_.Now() - startCount_) / Clock::kCountsPerSecond;
}

void CPosixTimer::WaitPeriods(unsigned n) {
    nextDeadline_ += static_cast<std::uint64_t>(periodCounts_) * n;
    WaitUntil(nextDeadline_);
}

void CPosixTimer::WaitUntil(std::uint64_t target) {
    // The signed difference stays right when the counter wraps between now and the target.
    while (static_cast<std::int64_t>(clock_.Now() - target) < 0)
        clock_.SleepUntil(target);
}
