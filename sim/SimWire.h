#pragma once

#include <cstdint>
#include <map>
#include <optional>

// One direction of a serial line over virtual time (nanoseconds): idle high, low wherever a
// transmitter, a break or a pulse holds it low.
class SimWire {
public:
    // Pulls the line low over [fromNs, untilNs); overlapping and touching stretches merge into one.
    void HoldLow(std::uint64_t fromNs, std::uint64_t untilNs);
    bool IsLow(std::uint64_t atNs) const;
    // The first moment at or after fromNs at which the line falls from high to low.
    std::optional<std::uint64_t> NextFall(std::uint64_t fromNs) const;
    // Forgets the stretches that ended by beforeNs.
    void ForgetBefore(std::uint64_t beforeNs);

private:
    std::map<std::uint64_t, std::uint64_t> lows_;  // start -> end (exclusive), disjoint and not touching
};
