#include <gtest/gtest.h>

#include <string>

#include "errors/TextFormat.h"

namespace {

TEST(TextFormatTest, FormatsTheConversionsTheTextsUse) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const char* volatile nullText = nullptr;  // volatile: the compiler would refuse a visible null
    const Case cases[] = {
        {FormatText("com%u", 3u), "com3"},
        {FormatText("%d bytes", -42), "-42 bytes"},
        {FormatText("%i", 7), "7"},
        {FormatText("%X", 0x1234u), "1234"},
        {FormatText("%x", 0xABCDu), "abcd"},
        {FormatText("%02X", 0x5u), "05"},
        {FormatText("%08lX", 0x400000ul), "00400000"},
        {FormatText("%5d|", 42), "   42|"},
        {FormatText("%-5d|", 42), "42   |"},
        {FormatText("%05d", -42), "-0042"},
        {FormatText("%c%c", 'o', 'k'), "ok"},
        {FormatText("%s and %s", "this", "that"), "this and that"},
        {FormatText("%.3s", "abcdef"), "abc"},
        {FormatText("%-6.2s|", "abc"), "ab    |"},
        {FormatText("%s", nullText), "(null)"},
        {FormatText("100%%"), "100%"},
        {FormatText("%lu", 4000000000ul), "4000000000"},
        {FormatText("%ld", -2000000000l), "-2000000000"},
        {FormatText("%d", -2147483647 - 1), "-2147483648"},
        {FormatText("%.4d", 7), "0007"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(TextFormatTest, CopiesWhatIsNoConversionAsItStands) {
    const char* volatile format = "50%";  // volatile: the compiler refuses the text when it can see it
    EXPECT_EQ(FormatText(format), "50%");
}

TEST(TextFormatTest, NullFormatGivesEmptyText) {
    const char* volatile format = nullptr;
    EXPECT_EQ(FormatText(format), "");
}

TEST(TextFormatTest, CutsLongTextsAt511Characters) {
    const std::string longText(600, 'a');
    EXPECT_EQ(FormatText("%s", longText.c_str()), std::string(511, 'a'));
    EXPECT_EQ(FormatText("%s", std::string(511, 'b').c_str()).size(), 511u);
    EXPECT_EQ(FormatText("%600d", 1).size(), 511u);
}

}  // namespace
