#include "platform/CharacterTicks.h"

#include <algorithm>

#include "platform/Clock.h"

// Truncated to whole counts as the timer's period is, so the ticks fall where the timer's did.
CharacterTicks::CharacterTicks(std::uint64_t start, double characterSeconds)
    : start_(start),
      period_(std::max<std::uint64_t>(
          1, static_cast<std::uint64_t>(Clock::kCountsPerSecond * characterSeconds))) {}

std::uint64_t CharacterTicks::FirstAtOrAfter(std::uint64_t count) const {
    // By difference, so a counter that wraps after the start still counts forward.
    const std::uint64_t elapsed = count - start_;
    return elapsed / period_ + (elapsed % period_ != 0 ? 1 : 0);
}
