#include <gtest/gtest.h>

#include <string>

#include "platform/CSerial.h"
#include "platform/TermiosDevice.h"

namespace {

// No pseudo-terminal keeps event counters, so the mapping is pinned here, count by count.
TEST(TermiosDeviceCountsTest, EachCountThatMovedRaisesItsOwnFlag) {
    using Counts = TermiosDevice::EventCounts;
    struct Case {
        std::string event;
        Counts now;
        unsigned flags;
    };
    const Counts before = {3, 5, 7, 11, 13};
    const Case cases[] = {
        {"none", {3, 5, 7, 11, 13}, 0},
        {"break", {4, 5, 7, 11, 13}, CSerial::kBreak},
        {"framing", {3, 6, 7, 11, 13}, CSerial::kFramingError},
        {"overrun", {3, 5, 9, 11, 13}, CSerial::kOverrun},
        {"parity", {3, 5, 7, 12, 13}, CSerial::kParityError},
        {"receive overflow", {3, 5, 7, 11, 14}, CSerial::kReceiveOverflow},
        {"break and parity", {4, 5, 7, 12, 13}, CSerial::kBreak | CSerial::kParityError},
        {"a counter reset", {0, 5, 7, 11, 13}, CSerial::kBreak},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TermiosDevice::FlagsOfCountChanges(before, c.now), c.flags) << c.event;
}

}  // namespace
