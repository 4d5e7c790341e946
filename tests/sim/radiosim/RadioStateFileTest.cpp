#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"
#include "radiosim/RadioStateFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A flash of 13 cells, so that the last byte of the written bits is only partly used.
RadioMemory::Saved HalfFlashed() {
    RadioMemory::Saved saved;
    saved.codeplug = {0x10, 0x0A, 0xFF, 0x00, 0x0D};
    saved.flash = Bytes(13, 0xFF);
    saved.flash[0] = 0x5A;
    saved.flashWritten = std::vector<bool>(13, false);
    saved.flashWritten[0] = true;
    saved.flashWritten[12] = true;
    saved.reprogrammed = true;
    return saved;
}

void ExpectSame(const RadioMemory::Saved& read, const RadioMemory::Saved& written) {
    EXPECT_EQ(read.codeplug, written.codeplug);
    EXPECT_EQ(read.flash, written.flash);
    EXPECT_EQ(read.flashWritten, written.flashWritten);
    EXPECT_EQ(read.reprogrammed, written.reprogrammed);
}

TEST(RadioStateFileTest, ReadsBackWhatItWroteAndLeavesNothingBeside) {
    TempDir folder;
    RadioStateFile file(folder.Path() / "radio.state");
    EXPECT_EQ(file.Read(), std::nullopt);  // a radio not yet saved
    file.Write(HalfFlashed());
    RadioMemory::Saved changed = HalfFlashed();
    changed.codeplug[1] = 0x0B;
    changed.reprogrammed = false;
    file.Write(changed);
    const std::optional<RadioMemory::Saved> read = file.Read();
    ASSERT_TRUE(read);
    ExpectSame(*read, changed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_EQ(RadioStateFile(file.Path()).Read()->codeplug,
              changed.codeplug);  // as another radiosim reads it
}

TEST(RadioStateFileTest, AFolderThatIsNotThereIsRefused) {
    TempDir folder;
    RadioStateFile file(folder.Path() / "gone" / "radio.state");
    EXPECT_THROW(file.Write(HalfFlashed()), std::runtime_error);
}

struct Damage {
    const char* name;
    std::string content;
    const char* why;
};

std::string Part(const std::string& name, const std::string& bytes) {
    return name + " " + std::to_string(bytes.size()) + "\n" + bytes;
}

const std::string kHeader = "radiosim radio state 1\n";
const std::string kGood = kHeader + "reprogrammed 1\n" + Part("codeplug", "ABCD") +
                          Part("flash", "0123456789") + "written 10\n" + std::string("\xFF\x03", 2);

TEST(RadioStateFileTest, TheFixtureIsAGoodState) {
    TempDir folder;
    folder.WriteFile("radio.state", kGood);
    const std::optional<RadioMemory::Saved> read = RadioStateFile(folder.Path() / "radio.state").Read();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->flashWritten, std::vector<bool>(10, true));
    EXPECT_EQ(read->codeplug, (Bytes{'A', 'B', 'C', 'D'}));
}

class RadioStateFileDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(RadioStateFileDamageTest, IsRefusedWithTheFileAndWhatIsWrong) {
    TempDir folder;
    folder.WriteFile("radio.state", GetParam().content);
    const RadioStateFile file(folder.Path() / "radio.state");
    try {
        file.Read();
        FAIL() << "read as a state";
    } catch (const std::runtime_error& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find((folder.Path() / "radio.state").string() + " holds no radio state: "),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find(GetParam().why), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, RadioStateFileDamageTest,
    ::testing::Values(
        Damage{"Empty", "", "ends early"}, Damage{"AnotherFile", "S00600004844521B\n", "first line"},
        Damage{"ReprogrammedNeitherOneNorZero", kHeader + "reprogrammed 2\n", "neither 0 nor 1"},
        Damage{"PartMissing", kHeader + "reprogrammed 0\n" + Part("flash", "0123"), "\"codeplug\" expected"},
        Damage{"SizeNotANumber", kHeader + "reprogrammed 0\ncodeplug 4x\nABCD", "no valid size"},
        Damage{"SizeBeyondAnyRadio", kHeader + "reprogrammed 0\ncodeplug 99999999999\n", "no valid size"},
        Damage{"CodeplugCutShort", kHeader + "reprogrammed 0\ncodeplug 8\nABCD", "codeplug ends early"},
        Damage{"WrittenCellsOfAnotherFlash",
               kHeader + "reprogrammed 0\n" + Part("codeplug", "AB") + Part("flash", "0123") +
                   "written 9\n\x01\x01",
               "another number of flash cells"},
        Damage{"WrittenCutShort", kGood.substr(0, kGood.size() - 1), "written ends early"},
        Damage{"TrailingBytes", kGood + "x", "goes on after its last part"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
