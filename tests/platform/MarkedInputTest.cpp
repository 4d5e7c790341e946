#include <gtest/gtest.h>

#include <vector>

#include "platform/CSerial.h"
#include "platform/MarkedInput.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MarkedInputTest, StripsTheMarksAndKeepsTheEventsAsFlags) {
    struct Case {
        Bytes raw;
        bool parityChecked;
        Bytes data;
        unsigned errors;
    };
    const Case cases[] = {
        {{0x41, 0x00, 0x42}, false, {0x41, 0x00, 0x42}, 0},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x00}, false, {0xFF, 0xFF, 0x00}, 0},
        {{0x41, 0xFF, 0x00, 0x00, 0x42}, false, {0x41, 0x42}, CSerial::kBreak},
        {{0xFF, 0x00, 0x55}, true, {0x55}, CSerial::kParityError},
        {{0xFF, 0x00, 0x55}, false, {0x55}, CSerial::kFramingError},
        {{0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00}, false, {0xFF}, CSerial::kFramingError | CSerial::kBreak},
        {{0xFF, 0x41}, false, {0xFF, 0x41}, 0},  // not a mark after all
    };
    for (const Case& c : cases) {
        MarkedInput input;
        input.SetParityChecked(c.parityChecked);
        Bytes data;
        input.Accept(c.raw, data);
        EXPECT_EQ(data, c.data) << testing::PrintToString(c.raw);
        EXPECT_EQ(input.TakeErrors(), c.errors) << testing::PrintToString(c.raw);
        EXPECT_EQ(input.TakeErrors(), 0u);
    }
}

TEST(MarkedInputTest, AMarkSplitBetweenReadsIsStillAMarkUntilReset) {
    MarkedInput input;
    Bytes data;
    for (const std::uint8_t byte : {0xFF, 0x00, 0x00, 0xFF})
        input.Accept(Bytes{byte}, data);
    input.Accept(Bytes{0xFF}, data);
    EXPECT_EQ(data, Bytes{0xFF});
    EXPECT_EQ(input.TakeErrors(), CSerial::kBreak);

    input.Accept(Bytes{0xFF}, data);
    input.Reset();
    input.Accept(Bytes{0x00}, data);
    EXPECT_EQ(data, (Bytes{0xFF, 0x00}));
    EXPECT_EQ(input.TakeErrors(), 0u);
}

}  // namespace
