#include <gtest/gtest.h>

#include <numeric>
#include <sstream>
#include <vector>

#include "errors/ByteText.h"

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
    EXPECT_EQ(ByteText::Quoted("caf\xC3\xA9\x1B"), "\"caf\xC3\xA9\\x1B\"");
}

// What a radio or a kit sends can neither steer the terminal nor hide itself: every control byte and
// every byte outside valid UTF-8 is shown by its value.
TEST(ByteTextTest, EscapedShowsControlBytesAndInvalidUtf8ByTheirValue) {
    struct Case {
        std::string_view text;
        std::string_view shown;
    };
    const Case cases[] = {
        {"R05.20 caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xBB",
         "R05.20 caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xBB"},
        {"\x1B]0;owned\x07\x1B[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
        {std::string_view("a\0b\tc\rd\ne\x7F", 10), "a\\x00b\\x09c\\x0Dd\\x0Ae\\x7F"},
        {"\xC2\x9BJ \xC2\x85 \xC2\xA0", "\\xC2\\x9BJ \\xC2\\x85 \xC2\xA0"},  // C1 as UTF-8; NBSP stays
        {"\x9BJ", "\\x9BJ"},                                                 // raw C1
        {"\xFF\xFE \xC3 \xC3(", "\\xFF\\xFE \\xC3 \\xC3("},                  // no UTF-8
        {"\xC0\xAF \xE0\x80\xAF", "\\xC0\\xAF \\xE0\\x80\\xAF"},             // overlong '/'
        {"\xED\xA0\x80 \xF4\x90\x80\x80",
         "\\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},  // surrogate, past U+10FFFF
        {"\xE2\x82", "\\xE2\\x82"},                // cut short
    };
    for (const Case& c : cases) {
        const std::string shown = ByteText::Escaped(c.text);
        EXPECT_EQ(shown, c.shown) << ByteText::Quoted(c.text);
        EXPECT_EQ(ByteText::Escaped(shown), shown) << "escaped twice: " << ByteText::Quoted(c.text);
    }
    EXPECT_EQ(ByteText::Escaped("two\nlines\r\n", ByteText::LineFeeds::kKeep), "two\nlines\\x0D\n");
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
