#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CliTest.h"
#include "DemoCodeplugs.h"
#include "MemoryRadioPeer.h"
#include "TempDir.h"
#include "cli/CliApp.h"
#include "engine/SavedDataFile.h"
#include "errors/TextFormat.h"

namespace {

constexpr const char* kSerial = "752TKX4001";
const RadioIdentity::Bytes kIdentity = {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1,
                                        0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string hex;
    for (const std::uint8_t byte : bytes)
        hex += FormatText("%02X", byte);
    return hex;
}

// A radio left holding the demo kit's generic codeplug, and the backup file of its own data that
// codeplug programming wrote before the write, whose data never went back.
class CodeplugRestoreTest : public CliTest {
protected:
    CodeplugRestoreTest() {
        radio_ = std::make_shared<MemoryRadioPeer>(kit_.bytes);
        radio_->Memory().resize(0x2000, 0xFF);
        radio_->SetStatus(15, {kIdentity.begin(), kIdentity.end()});
        radio_->SetStatus(11, Text(kSerial));
        Line().AttachPeer(radio_);

        saved_.Begin(1, 3, "");
        saved_.SetRadio({kIdentity, kSerial});
        saved_.Add({0, 0, 0, 0, Own(Serial(), DemoCodeplugs::kSerialNumberBytes)});
        saved_.Add({0, 0, 0, 81, Own(Serial() + 81, 1)});
        saved_.Add({0x8000, 0, 0, 0, Own(Tuning(), DemoCodeplugs::kTuningBytes)});
        saved_.MarkAtRisk();
        dir_.WriteFile("radio.radiodata", SavedDataFile::Format(saved_));
    }
    std::uint32_t Serial() const { return kit_.EntryAddress(0, 0, 0); }
    std::uint32_t Tuning() const { return kit_.EntryAddress(0x8000, 0, 0); }
    std::vector<std::uint8_t> Own(std::uint32_t address, std::size_t length) const {
        return {own_.bytes.begin() + address, own_.bytes.begin() + address + length};
    }
    std::vector<std::uint8_t> Now(std::uint32_t address, std::size_t length) const {
        return {radio_->Memory().begin() + address, radio_->Memory().begin() + address + length};
    }
    std::string File() const { return (dir_.Path() / "radio.radiodata").string(); }

    const DemoCodeplugs::Model& model_ = DemoCodeplugs::Find("KX400S-EU");
    const BuiltCodeplug kit_ = DemoCodeplugs::Build(model_);
    const BuiltCodeplug own_ = DemoCodeplugs::Build(model_, {"752TKX4001", 0x21, 7});
    bool Written() const {
        return std::any_of(radio_->Requests().begin(), radio_->Requests().end(),
                           [](const MemoryRadioPeer::Request& request) { return request.opcode == 0x17; });
    }
    bool FileSaysRestored() const { return !SavedDataFile::Read(File()).AtRisk(); }

    std::shared_ptr<MemoryRadioPeer> radio_;
    RadioSavedData saved_;
    TempDir dir_;
};

TEST_F(CodeplugRestoreTest, PutsTheRadiosOwnDataFromTheBackupBack) {
    ASSERT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File()}), CliApp::kSucceeded) << err_.str();
    EXPECT_EQ(out_.str(), "Restored 3 pieces of radio data from " + File() + "\n");
    EXPECT_EQ(Now(Serial(), 11), Own(Serial(), 11));
    EXPECT_EQ(Now(Serial() + 81, 1), std::vector<std::uint8_t>{0x21});
    EXPECT_EQ(Now(Tuning(), DemoCodeplugs::kTuningBytes), Own(Tuning(), DemoCodeplugs::kTuningBytes));
    std::vector<std::uint8_t> memory = radio_->Memory();
    memory.resize(kit_.bytes.size());
    EXPECT_EQ(kit_.AreaSums(memory), kit_.AreaSums()) << "every checksum holds";
    EXPECT_TRUE(FileSaysRestored());
    ExpectPortGivenBack();
}

TEST_F(CodeplugRestoreTest, TheDataOfAnotherRadioAreRefusedNamingBothUnlessForced) {
    radio_->SetStatus(11, Text("752TKX4002"));
    EXPECT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File()}), CliApp::kFailed);
    EXPECT_NE(err_.str().find("saved from serial 752TKX4001, identity E58EC154199D11D180180060B03C8AFF; on "
                              "the line serial 752TKX4002, identity E58EC154199D11D180180060B03C8AFF"),
              std::string::npos)
        << err_.str();
    EXPECT_FALSE(Written());

    ASSERT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File(), "--force"}), CliApp::kSucceeded)
        << err_.str();
    EXPECT_EQ(Now(Tuning(), DemoCodeplugs::kTuningBytes), Own(Tuning(), DemoCodeplugs::kTuningBytes));
    EXPECT_FALSE(FileSaysRestored()) << "the data still wait for their own radio";
}

// Files of the first format name the radio by its serial text only, and record no restore.
TEST_F(CodeplugRestoreTest, AFileOfTheFirstFormatIsRestoredIntoTheRadioOfItsSerialText) {
    dir_.WriteFile("radio.radiodata", "Corvida radio data 1\nlayout 1\nmode 3\nidentity 752TKX4002\n"
                                      "piece 0x0000 0 0 0 " + Hex(Own(Serial(), DemoCodeplugs::kSerialNumberBytes)) +
                                      "\npiece 0x0000 0 0 81 " + Hex(Own(Serial() + 81, 1)) +
                                      "\npiece 0x8000 0 0 0 " + Hex(Own(Tuning(), DemoCodeplugs::kTuningBytes)) +
                                      "\nend\n");
    EXPECT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File()}), CliApp::kFailed);
    EXPECT_NE(err_.str().find("saved from serial 752TKX4002; on the line serial 752TKX4001"), std::string::npos)
        << err_.str();
    EXPECT_FALSE(Written());

    radio_->SetStatus(11, Text("752TKX4002"));
    ASSERT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File()}), CliApp::kSucceeded) << err_.str();
    EXPECT_EQ(Now(Tuning(), DemoCodeplugs::kTuningBytes), Own(Tuning(), DemoCodeplugs::kTuningBytes));
    EXPECT_EQ(SavedDataFile::Read(File()).Radio().serialText, "752TKX4002") << "the file stays as it was";
}

TEST_F(CodeplugRestoreTest, AFailureIsReportedWithTheStepThatFailed) {
    radio_->FailAt(Tuning());
    EXPECT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", File()}), CliApp::kFailed);
    EXPECT_NE(err_.str().find("General communication error while writing codeplug"), std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("CRadioUpgrade::DoProgCp: Error while restoring radio tuning data"),
              std::string::npos)
        << err_.str();
}

TEST_F(CodeplugRestoreTest, AFileThatIsNotRadioDataIsRefusedBeforeTheRadioIsTouched) {
    dir_.WriteFile("other.bin", "not radio data");
    EXPECT_EQ(Run({"--port", "1", "codeplug", "restore", "--from", (dir_.Path() / "other.bin").string()}),
              CliApp::kFailed);
    EXPECT_NE(err_.str().find("The backup file is not one of radio data (line 1)"), std::string::npos)
        << err_.str();
    EXPECT_TRUE(radio_->Requests().empty());
    EXPECT_EQ(Run({"codeplug", "restore", "--port", "1"}), CliApp::kUsageError);
}

}  // namespace
