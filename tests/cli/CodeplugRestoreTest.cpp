#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CliTest.h"
#include "DemoCodeplugs.h"
#include "MemoryRadioPeer.h"
#include "TempDir.h"
#include "cli/CliApp.h"
#include "engine/SavedDataFile.h"

namespace {

// A radio left holding the demo kit's generic codeplug, and the backup file of its own data that
// codeplug programming wrote before the write.
class CodeplugRestoreTest : public CliTest {
protected:
    CodeplugRestoreTest() {
        radio_ = std::make_shared<MemoryRadioPeer>(kit_.bytes);
        radio_->Memory().resize(0x2000, 0xFF);
        Line().AttachPeer(radio_);

        RadioSavedData saved;
        saved.Begin(1, 3, "");
        saved.SetRadioIdentity("752TKX40001");
        saved.Add({0, 0, 0, 0, Own(Serial(), DemoCodeplugs::kSerialNumberBytes)});
        saved.Add({0, 0, 0, 81, Own(Serial() + 81, 1)});
        saved.Add({0x8000, 0, 0, 0, Own(Tuning(), DemoCodeplugs::kTuningBytes)});
        dir_.WriteFile("radio.radiodata", SavedDataFile::Format(saved));
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
    const BuiltCodeplug own_ = DemoCodeplugs::Build(model_, {"752TKX40001", 0x21, 7});
    std::shared_ptr<MemoryRadioPeer> radio_;
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
    ExpectPortGivenBack();
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
