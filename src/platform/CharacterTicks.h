#pragma once

#include <cstdint>

// The moments one, two, three... character times after a start, on the clock's counter, chained from
// the start as the port timer chains its periods. A wait for bytes counts its idle limit in these ticks
// from the tick at which it last saw a new byte, so it ends on the same tick whether it sleeps to each
// tick or only to the last one.
class CharacterTicks {
public:
    CharacterTicks(std::uint64_t start, double characterSeconds);

    // The counter at tick n.
    std::uint64_t At(std::uint64_t n) const { return start_ + period_ * n; }
    // The first tick at or after the counter value `count` (not before the start).
    std::uint64_t FirstAtOrAfter(std::uint64_t count) const;

private:
    std::uint64_t start_;
    std::uint64_t period_;
};
