#include "platform/SteadyClock.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr unsigned long kTimerSlackNs = 1000;
constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

void NarrowTimerSlackOnce() {
    thread_local bool narrowed = false;
    if (!narrowed) {
        // Best effort: with the default slack the waits are only later, never wrong.
        prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);
        narrowed = true;
    }
}

}  // namespace

std::uint64_t SteadyClock::Now() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count());
}

void SteadyClock::Sleep(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SteadyClock::SleepUntil(std::uint64_t deadline) {
    if (static_cast<std::int64_t>(deadline - Now()) <= 0)
        return;
    NarrowTimerSlackOnce();
    // std::chrono::steady_clock is CLOCK_MONOTONIC, so the deadline is on the kernel's clock as it stands.
    const timespec until{static_cast<time_t>(deadline / kNsPerSecond),
                         static_cast<long>(deadline % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
