#include "SimWire.h"

#include <algorithm>
#include <iterator>

void SimWire::HoldLow(std::uint64_t fromNs, std::uint64_t untilNs) {
    if (untilNs <= fromNs)
        return;
    auto next = lows_.upper_bound(fromNs);
    if (next != lows_.begin()) {
        const auto previous = std::prev(next);
        if (previous->second >= fromNs) {
            fromNs = previous->first;
            untilNs = std::max(untilNs, previous->second);
            next = lows_.erase(previous);
        }
    }
    while (next != lows_.end() && next->first <= untilNs) {
        untilNs = std::max(untilNs, next->second);
        next = lows_.erase(next);
    }
    lows_.emplace(fromNs, untilNs);
}

bool SimWire::IsLow(std::uint64_t atNs) const {
    const auto next = lows_.upper_bound(atNs);
    return next != lows_.begin() && atNs < std::prev(next)->second;
}

std::optional<std::uint64_t> SimWire::NextFall(std::uint64_t fromNs) const {
    // Stretches never touch, so each one's start is a fall.
    const auto found = lows_.lower_bound(fromNs);
    if (found == lows_.end())
        return std::nullopt;
    return found->first;
}

void SimWire::ForgetBefore(std::uint64_t beforeNs) {
    while (!lows_.empty() && lows_.begin()->second <= beforeNs)
        lows_.erase(lows_.begin());
}
