#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "KitFileWriter.h"
#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "files/FileManager.h"

namespace {

// A small configuration in LF line ends; tests swap in other line ends where they matter.
constexpr const char* kConfig =
    "PATCH-D01.01.07\n"
    "Demo title\n"
    "Demo description, with a comma\n"
    "the kit key\n"
    "01\n"
    "PRODUCT_LINE\n"
    "VOLANTE\n"
    "RADIO_GROUP_REGION\n"
    "first group\n"
    "boot19,extra\n"
    "\n"
    "boot115\n"
    "01\n"
    "E58EC154199D11D180180060B03C8AFF\n"
    "RADIO_GROUP_REGION \n"
    "RADIO_GROUP_REGION\n"
    "second group\n"
    "RADIO_GROUP_REGION\n"
    "third group\n"
    "NUMBERS\n"
    "0100,FF,A,ABC,0000000A,123456789A,,123,G1,ff, 1\n"
    "4142,ABC,0102030405\n";

std::string WithLineEnds(std::string text, const std::string& lineEnd) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += lineEnd;
        } else {
            out += c;
        }
    }
    return out;
}

FileManager Loaded(const std::string& text) {
    FileManager config;
    config.LoadText(text);
    return config;
}

TEST(FileManagerTest, LfAndCrLfLineEndsReadTheSame) {
    for (const char* lineEnd : {"\n", "\r\n"}) {
        FileManager config;
        config.LoadText(WithLineEnds(kConfig, lineEnd));
        EXPECT_EQ(config.ReadFirstLine(), "PATCH-D01.01.07");
        ASSERT_TRUE(config.FindBlock("PATCH-D01.01.07"));
        EXPECT_EQ(config.ReadLine(2), "Demo description, with a comma");
        EXPECT_EQ(config.ReadNumber(4, 1), 1u);
        EXPECT_EQ(config.GetProductLine(), "VOLANTE");
        EXPECT_EQ(config.CountBlocks("RADIO_GROUP_REGION"), 3u);
        ASSERT_TRUE(config.FindBlock("RADIO_GROUP_REGION"));
        EXPECT_EQ(config.ReadField(2, 2), "extra");
        EXPECT_EQ(config.ReadLine(4), "boot115");
    }
}

TEST(FileManagerTest, NumbersAreHexBytePairs) {
    FileManager config = Loaded(kConfig);
    ASSERT_TRUE(config.FindBlock("NUMBERS"));
    struct Case {
        std::uint32_t field;
        std::uint32_t value;
    };
    const Case cases[] = {
        {1, 256},   {2, 255},   {3, 0},           // a single digit
        {4, 0xAB},  {5, 10},    {6, 0x3456789A},  // only the last four pairs remain
        {7, 0},     {8, 0x12},  {9, 0x01},        // an empty field; a trailing digit ignored; G reads as 0
        {10, 0xFF}, {11, 0x01}, {12, 0},          // lower case is hex; a blank reads as 0; no such field
    };
    for (const Case& c : cases)
        EXPECT_EQ(config.ReadNumber(1, c.field), c.value) << "field " << c.field;
}

TEST(FileManagerTest, ByteStringsArePairsHighDigitFirst) {
    FileManager config = Loaded(kConfig);
    ASSERT_TRUE(config.FindBlock("NUMBERS"));
    std::array<std::uint8_t, 100> buffer{};
    EXPECT_EQ(config.ReadBytes(2, 1, buffer), 2u);
    EXPECT_EQ(buffer[0], 0x41);
    EXPECT_EQ(buffer[1], 0x42);
    EXPECT_EQ(config.ReadBytes(2, 2, buffer), 2u);
    EXPECT_EQ(buffer[1], 0xC0) << "a trailing digit is the high half of a last byte";
    EXPECT_EQ(config.ReadBytes(2, 3, std::span(buffer).first(4)), std::nullopt) << "does not fit";

    ASSERT_TRUE(config.FindBlock("RADIO_GROUP_REGION"));
    EXPECT_EQ(config.ReadBytes(6, 1, buffer), 16u);
    EXPECT_EQ(buffer[0], 0xE5);
    EXPECT_EQ(buffer[15], 0xFF);
}

TEST(FileManagerTest, ByteStringsOverOneHundredCharactersAreRefused) {
    const std::string hundred(100, 'A');
    FileManager config = Loaded("B\n" + hundred + "\n" + hundred + "B\n");
    ASSERT_TRUE(config.FindBlock("B"));
    std::array<std::uint8_t, 100> buffer{};
    EXPECT_EQ(config.ReadBytes(1, 1, buffer), 50u);
    buffer.fill(0x11);
    EXPECT_EQ(config.ReadBytes(2, 1, buffer), std::nullopt);
    EXPECT_EQ(buffer[0], 0x11) << "nothing is written";
}

TEST(FileManagerTest, DecodingAFieldWritesItsBytesOverItsOwnText) {
    FileManager config = Loaded(kConfig);
    ASSERT_TRUE(config.FindBlock("NUMBERS"));
    const std::string value = config.ReadField(2, 1, true);
    EXPECT_EQ(value, "AB42");
    EXPECT_EQ(config.ReadField(2, 1), "4142") << "the text itself is unchanged";
}

TEST(FileManagerTest, OccurrencesAreCountedAndABlankSuffixedNameIsNoHeader) {
    FileManager config = Loaded(kConfig);
    EXPECT_EQ(config.CountBlocks("RADIO_GROUP_REGION"), 3u);
    EXPECT_EQ(config.CountBlocks("RADIO_GROUP_REGION "), 1u);
    ASSERT_TRUE(config.FindBlock("RADIO_GROUP_REGION", 2));
    EXPECT_EQ(config.ReadLine(1), "second group");
    ASSERT_TRUE(config.FindBlock("RADIO_GROUP_REGION", 3));
    EXPECT_EQ(config.ReadLine(1), "third group");
    EXPECT_EQ(config.TextLineNumber(1), 19u);
    EXPECT_FALSE(config.FindBlock("RADIO_GROUP_REGION", 4));
    EXPECT_EQ(config.CountBlocks("radio_group_region"), 0u);
}

TEST(FileManagerTest, LinesAreCountedWhateverTheyHold) {
    FileManager config = Loaded(kConfig);
    ASSERT_TRUE(config.FindBlock("RADIO_GROUP_REGION"));
    EXPECT_EQ(config.ReadLine(3), "") << "the empty line counts";
    EXPECT_TRUE(config.HasLine(3));
    EXPECT_EQ(config.ReadLine(5), "01");
    EXPECT_EQ(config.ReadLine(7), "RADIO_GROUP_REGION ") << "a block has no end marker";
    EXPECT_EQ(config.ReadLine(8), "RADIO_GROUP_REGION");
    EXPECT_EQ(config.TextLineNumber(5), 13u);
}

TEST(FileManagerTest, ReadsPastTheDataComeBackEmpty) {
    FileManager config = Loaded(std::string("LAST\nA,B\nno line end") + std::string(6, '\0'));
    ASSERT_TRUE(config.FindBlock("LAST"));
    EXPECT_EQ(config.ReadLine(2), "no line end") << "the text ends at its first zero byte";
    EXPECT_EQ(config.ReadField(1, 3), "");
    EXPECT_EQ(config.ReadLine(3), "");
    EXPECT_FALSE(config.HasLine(3));
    EXPECT_EQ(config.ReadNumber(9, 9), 0u);
    EXPECT_EQ(config.ReadField(0, 1), "");
    EXPECT_EQ(config.ReadField(1, 0), "");

    EXPECT_FALSE(config.FindBlock("MISSING"));
    EXPECT_EQ(config.ReadLine(1), "");
    EXPECT_FALSE(config.HasLine(1));
    EXPECT_EQ(config.GetProductLine(), "");
}

TEST(FileManagerTest, ACarriageReturnAlwaysTakesTheNextByteAsItsLineFeed) {
    FileManager config = Loaded("HEAD\rXline one\rXline two\r");
    ASSERT_TRUE(config.FindBlock("HEAD"));
    EXPECT_EQ(config.ReadLine(1), "line one");
    EXPECT_EQ(config.ReadLine(2), "line two");
}

TEST(FileManagerTest, EmptyConfigurationAnswersEveryQueryEmpty) {
    FileManager config;
    EXPECT_EQ(config.ReadFirstLine(), "");
    EXPECT_EQ(config.CountBlocks(""), 0u);
    EXPECT_FALSE(config.FindBlock(""));
    EXPECT_EQ(config.ReadNumber(1, 1), 0u);
}

class FileManagerFileTest : public VirtualTimeTest {
protected:
    TempDir dir_;
};

TEST_F(FileManagerFileTest, OpensAndDeciphersPatcherDatWithTheProgramKey) {
    dir_.WriteFile("patcher.dat", EncipherForKit(WithLineEnds(kConfig, "\r\n"), kProgramKey));
    FileManager config;
    ASSERT_TRUE(config.OpenConfigFile(dir_.Path() / FileManager::kConfigFileName));
    ASSERT_TRUE(config.LoadConfigFile());
    EXPECT_EQ(config.ReadFirstLine(), "PATCH-D01.01.07");
    EXPECT_EQ(config.GetProductLine(), "VOLANTE");
}

TEST_F(FileManagerFileTest, OpenAndLoadFailuresAreReported) {
    FileManager missing;
    EXPECT_FALSE(missing.OpenConfigFile(dir_.Path() / "patcher.dat"));
    EXPECT_FALSE(missing.LoadConfigFile());
    EXPECT_EQ(missing.LastFailure(), KitFileFailure::kOpen);

    for (const std::string& content : {std::string(), std::string(12, 'x')}) {
        dir_.WriteFile("patcher.dat", content);
        FileManager config;
        ASSERT_TRUE(config.OpenConfigFile(dir_.Path() / "patcher.dat"));
        EXPECT_FALSE(config.LoadConfigFile());
        EXPECT_EQ(config.LastFailure(), KitFileFailure::kCorrupt);
        EXPECT_EQ(config.ReadFirstLine(), "");
    }
    EXPECT_TRUE(LogLines().empty()) << "only an allocation failure is logged";
}

}  // namespace
