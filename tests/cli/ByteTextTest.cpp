#include <gtest/gtest.h>

#include <numeric>
#include <sstream>
#include <vector>

#include "cli/ByteText.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteTextTest, HexWritesTwoUpperCaseDigitsAByte) {
    EXPECT_EQ(ByteText::Hex(Bytes{0x5A, 0xA5, 0x00}), "5A A5 00");
    EXPECT_EQ(ByteText::Hex(Bytes{0xE5, 0x8E}, ""), "E58E");
    EXPECT_EQ(ByteText::Hex(Bytes{}), "");
}

TEST(ByteTextTest, QuotedTextEscapesWhatIsNotPrintable) {
    EXPECT_EQ(ByteText::Quoted("R01.02"), "\"R01.02\"");
    EXPECT_EQ(ByteText::Quoted(std::string_view("A\0\x7F\xFE", 4)), "\"A\\x00\\x7F\\xFE\"");
    EXPECT_EQ(ByteText::Quoted("say \"hi\" \\"), "\"say \\\"hi\\\" \\\\\"");
}

TEST(ByteTextTest, ADumpShowsSixteenBytesALineFromTheirAddress) {
    Bytes bytes(18);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0x3E});
    std::ostringstream out;
    ByteText::Dump(out, bytes, 0x001234);
    EXPECT_EQ(out.str(),
              "001234  3E 3F 40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D  >?@ABCDEFGHIJKLM\n"
              "001244  4E 4F                                            NO\n");
}

}  // namespace
