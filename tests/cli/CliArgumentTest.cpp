#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/CliArgument.h"

namespace {

TEST(CliArgumentTest, NumbersAreDecimalOrHexAfter0xButNeverOctal) {
    struct Case {
        std::string text;
        std::optional<unsigned> number;
        std::optional<unsigned> hex;
    };
    const Case cases[] = {
        {"10", 10, 0x10},
        {"010", 10, 0x10},
        {"0x1F", 31, 0x1F},
        {"0X1f", 31, 0x1F},
        {"1234", 1234, 0x1234},
        {"ABCD", std::nullopt, 0xABCD},
        {"4294967295", 4294967295u, std::nullopt},
        {"4294967296", std::nullopt, std::nullopt},
        {"FFFFFFFF", std::nullopt, 0xFFFFFFFF},
        {"100000000", 100000000, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"0x", std::nullopt, std::nullopt},
        {"-1", std::nullopt, std::nullopt},
        {"+1", std::nullopt, std::nullopt},
        {" 1", std::nullopt, std::nullopt},
        {"12G4", std::nullopt, std::nullopt},
        {"1 ", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        EXPECT_EQ(CliArgument::Number(c.text), c.number);
        EXPECT_EQ(CliArgument::HexNumber(c.text), c.hex);
    }
}

TEST(CliArgumentTest, HexBytesArePairsOfDigitsWithOptionalSeparators) {
    using Bytes = std::vector<std::uint8_t>;
    struct Case {
        std::string text;
        std::optional<Bytes> bytes;
    };
    const Case cases[] = {
        {"AABB", Bytes{0xAA, 0xBB}}, {"aa bb", Bytes{0xAA, 0xBB}}, {"00:ff:10", Bytes{0x00, 0xFF, 0x10}},
        {"ABC", std::nullopt},       {"A BC", std::nullopt},       {"", std::nullopt},
        {" : ", std::nullopt},       {"0xAA", std::nullopt},       {"GG", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        EXPECT_EQ(CliArgument::HexBytes(c.text), c.bytes);
    }
}

}  // namespace
