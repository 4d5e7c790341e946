#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Commands.h"
#include "KitBuilder.h"
#include "TempDir.h"
#include "files/SRecord.h"

namespace {

class CommandsTest : public ::testing::Test {
protected:
    Commands::Streams Io() { return {out_, err_}; }

    TempDir dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(CommandsTest, EncryptAndDecryptRoundTripTextsOfEveryLength) {
    Commands::KeyChoice key;
    key.text = "round trip";
    for (std::size_t length = 0; length <= 17; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>('a' + i);
        dir_.WriteFile("plain", text + "\r\n");
        ASSERT_EQ(Commands::Encrypt(dir_.Path() / "plain", dir_.Path() / "cipher", key, Io()),
                  Commands::kSuccess);
        EXPECT_EQ(dir_.ReadFile("cipher").size() % 8, 0u);
        ASSERT_EQ(Commands::Decrypt(dir_.Path() / "cipher", dir_.Path() / "back", key, false, Io()),
                  Commands::kSuccess);
        EXPECT_EQ(dir_.ReadFile("back"), text + "\r\n");
    }
}

TEST_F(CommandsTest, RawDecryptionGivesBackEveryByte) {
    std::string binary(64, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37);
    dir_.WriteFile("binary", binary);
    Commands::KeyChoice key;
    key.programKey = true;
    ASSERT_EQ(Commands::Encrypt(dir_.Path() / "binary", dir_.Path() / "cipher", key, Io()),
              Commands::kSuccess);
    EXPECT_NE(dir_.ReadFile("cipher"), binary);
    ASSERT_EQ(Commands::Decrypt(dir_.Path() / "cipher", dir_.Path() / "back", key, true, Io()),
              Commands::kSuccess);
    EXPECT_EQ(dir_.ReadFile("back"), binary);

    dir_.WriteFile("odd", "12345");
    EXPECT_EQ(Commands::Decrypt(dir_.Path() / "odd", dir_.Path() / "back", key, true, Io()),
              Commands::kFailed);
    EXPECT_NE(err_.str().find("not a multiple of 8"), std::string::npos);
}

TEST_F(CommandsTest, AKitKeyComesFromTheKitsConfiguration) {
    TempDir sources;
    sources.WriteFile("patcher.txt", "PATCH-D01.01.07\nT\nD\nkey of the kit\n01\n");
    KitBuilder().Build(sources.Path(), dir_.Path());
    dir_.WriteFile("plain", "S9030000FC\n");
    Commands::KeyChoice byKit;
    byKit.kit = dir_.Path();
    Commands::KeyChoice byText;
    byText.text = "key of the kit";
    ASSERT_EQ(Commands::Encrypt(dir_.Path() / "plain", dir_.Path() / "a", byKit, Io()), Commands::kSuccess);
    ASSERT_EQ(Commands::Encrypt(dir_.Path() / "plain", dir_.Path() / "b", byText, Io()), Commands::kSuccess);
    EXPECT_EQ(dir_.ReadFile("a"), dir_.ReadFile("b"));

    EXPECT_EQ(Commands::Encrypt(dir_.Path() / "plain", dir_.Path() / "c", Commands::KeyChoice{}, Io()),
              Commands::kFailed);
}

TEST_F(CommandsTest, WrittenSRecordsReadBackAsTheSameImage) {
    struct Case {
        int type;
        unsigned recordBytes;
        const char* lineEnd;
        std::uint32_t address;
    };
    for (const Case& c : {Case{1, 32, "\r\n", 0}, Case{2, 64, "\n", 0x400000}, Case{2, 251, "\r", 0x10},
                          Case{1, 252, "\n", 0x100}}) {
        SRecordLayout layout;
        layout.type = c.type;
        layout.recordBytes = c.recordBytes;
        layout.lineEnd = c.lineEnd;
        layout.address = c.address;
        Commands::SRecordSource source;
        source.size = 1000;
        source.seed = "image";
        ASSERT_EQ(Commands::WriteSRecordFile(dir_.Path() / "image.s19", source, layout, Io()),
                  Commands::kSuccess);

        const std::string text = dir_.ReadFile("image.s19");
        SRecord reader;
        reader.AttachText(text);
        EXPECT_TRUE(reader.CheckFirstRecord());
        EXPECT_EQ(reader.CountRecords(), (1000 + c.recordBytes - 1) / c.recordBytes);
        EXPECT_EQ(reader.FirstRecordDataLength(), c.recordBytes);
        SRecordData record;
        std::uint32_t expectedAddress = c.address;
        while (reader.ReadNextRecord(record)) {
            EXPECT_EQ(record.address, expectedAddress);
            expectedAddress += record.length;
        }
        EXPECT_EQ(record.type, 0) << "every record read well up to the end record";
        EXPECT_EQ(expectedAddress, c.address + 1000);

        dir_.WriteFile("image.bin", "");
        ASSERT_EQ(Commands::Image(dir_.Path() / "image.s19", {}, dir_.Path() / "image.bin", Io()),
                  Commands::kSuccess);
        const std::string image = dir_.ReadFile("image.bin");
        EXPECT_EQ(image.size(), 1000u);
        EXPECT_EQ(image.substr(0, 6), std::string("image\0", 6));
    }
}

TEST_F(CommandsTest, SRecordsFromTheWindowOffsetOnCarryAbsoluteFlashAddresses) {
    SRecordLayout layout;
    layout.type = 2;
    layout.recordBytes = 64;
    layout.windowFrom = 128;
    const std::vector<std::uint8_t> image(256, 0x5A);
    SRecord reader;
    const std::string text = WriteSRecords(image, layout);
    reader.AttachText(text);
    std::vector<std::uint32_t> addresses;
    SRecordData record;
    while (reader.ReadNextRecord(record))
        addresses.push_back(record.address);
    EXPECT_EQ(addresses, (std::vector<std::uint32_t>{0x000000, 0x000040, 0x400080, 0x4000C0}));
}

TEST_F(CommandsTest, SRecordsRefuseALayoutTheirAddressesCannotHold) {
    SRecordLayout layout;
    layout.type = 1;
    layout.address = 0xFFF0;
    std::vector<std::uint8_t> bytes(32);
    EXPECT_THROW(WriteSRecords(bytes, layout), std::invalid_argument);
    layout.address = 0;
    layout.recordBytes = 253;
    EXPECT_THROW(WriteSRecords(bytes, layout), std::invalid_argument);
    layout.recordBytes = 0;
    EXPECT_THROW(WriteSRecords(bytes, layout), std::invalid_argument);
}

TEST_F(CommandsTest, ShowNamesTheDemoKitsGroupsAndOpcodes) {
    ASSERT_EQ(Commands::Show(CORVIDA_DEMO_KIT, Io()), Commands::kSuccess);
    const std::string shown = out_.str();
    for (const char* words :
         {"Product line:  VOLANTE (id 5)", "Radio group 2: KX-600 mobiles", "CheckRadioType", "SetFieldBits",
          "release \"*\"", "E58EC154199D11D180180060B03C8AFF"}) {
        EXPECT_NE(shown.find(words), std::string::npos) << words;
    }
}

// A kit's texts reach the terminal escaped, whether shown or quoted by the lint.
TEST_F(CommandsTest, ShowAndLintEscapeTheKitsTexts) {
    const std::string config =
        "PATCH-D01.01.07\nTitle \x1B]0;owned\x07\nD\xC3\xA9\x9BJ\nkey\n01\nPRODUCT_LINE\nVOL\x1B[2J\n";
    dir_.WriteFile("patcher.txt", config);
    TempDir kit;
    KitBuilder().Build(dir_.Path(), kit.Path());

    EXPECT_EQ(Commands::Show(kit.Path(), Io()), Commands::kSuccess);
    EXPECT_NE(out_.str().find("Title:         Title \\x1B]0;owned\\x07\n"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("Description:   D\xC3\xA9\\x9BJ\n"), std::string::npos) << out_.str();
    EXPECT_EQ(Commands::Lint(kit.Path(), Io()), Commands::kProblemsFound);
    EXPECT_NE(out_.str().find("product line \"VOL\\x1B[2J\""), std::string::npos) << out_.str();
    EXPECT_EQ(out_.str().find_first_of("\x1B\x07"), std::string::npos);
}

TEST_F(CommandsTest, LintAndImageExitWithOneOnProblems) {
    EXPECT_EQ(Commands::Lint(CORVIDA_DEMO_KIT, Io()), Commands::kSuccess);
    EXPECT_EQ(Commands::Lint(dir_.Path(), Io()), Commands::kProblemsFound);
    dir_.WriteFile("bad.s19", "S1130000000102030405060708090A0B0C0D0E0F75\nS9030000FC\n");
    Commands::KeyChoice key;
    key.text = "unused for a plain file";
    EXPECT_EQ(Commands::Image(dir_.Path() / "bad.s19", key, std::nullopt, Io()), Commands::kProblemsFound);
}

}  // namespace
