#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "KitFileWriter.h"
#include "ProgramSequenceTexts.h"
#include "SRecordWriter.h"
#include "WholeUpgradeTest.h"
#include "files/ProgramKey.h"

// Each fault `kittool lint` finds in a kit, met by a whole upgrade from the Program button: the press
// ends in the message the program has for it, never in a crash or a hang, and the radio keeps its
// codeplug: every fault is found before the codeplug is written.
namespace {

using namespace ProgramSequenceTexts;

constexpr const char* kInvalidDataFile =
    "Upgrade operation detected an invalid data file.\nPlease reinstall the application!";
constexpr const char* kCorruptFile =
    "The required data file is corrupted and unuseable\nPlease reinstall the application!";
constexpr const char* kNoConfiguration =
    "No radio can be verified: the configuration file could not be loaded when the application started.\n"
    "Please make sure installation is completed successfully and restart the application.";
constexpr std::size_t kFlashBytes = 128 * 1024;

class BrokenKitPressTest;

struct BrokenKit {
    const char* name;
    void (*breakKit)(BrokenKitPressTest& test);
    std::vector<std::string> texts;  // the boxes of the press, in order
};

void PrintTo(const BrokenKit& kit, std::ostream* out) {
    *out << kit.name;
}

class BrokenKitPressTest : public WholeUpgradeTest, public testing::WithParamInterface<BrokenKit> {
public:
    void Remove(const std::string& name) { std::filesystem::remove(kit_.Path() / name); }
    // A file of the kit whose length is no multiple of the cipher's 8-byte block.
    void Truncate(const std::string& name) { kit_.WriteFile(name, "0123456789"); }
    void Replace(const std::string& name, const std::string& plain) { WriteKitFile(name, plain); }
    void ReplaceConfig(const std::string& plain) {
        kit_.WriteFile("patcher.dat", EncipherForKit(plain, kProgramKey));
    }
};

std::string Records(std::size_t bytes) {
    return WriteSRecords(std::vector<std::uint8_t>(bytes, 0x5A), SRecordLayout{});
}

// Firmware records at absolute flash addresses, running `bytes` from the flash window's start.
std::string FlashRecords(std::size_t bytes) {
    SRecordLayout layout;
    layout.type = 2;
    layout.windowFrom = 0;
    return WriteSRecords(std::vector<std::uint8_t>(bytes, 0x5A), layout);
}

const std::string kBootstrapPrompt =
    "1) Switch the radio ON/OFF switch to the ON position.\n2) Throw the switch on the flashing kit to the ON "
    "position.\n3) Remove the battery supply and then put it back to set radio in bootstrap mode.";

TEST_P(BrokenKitPressTest, EndsThePressWithItsMessage) {
    retryAfterError_ = false;
    const std::vector<std::uint8_t> codeplugBefore(Profile().codeplug);
    GetParam().breakKit(*this);

    std::vector<std::string> texts;
    for (const RecordingMessageBox::Box& box : Press())
        texts.push_back(box.text);

    EXPECT_EQ(texts, GetParam().texts);
    EXPECT_TRUE(std::equal(codeplugBefore.begin(), codeplugBefore.end(), Radio().Codeplug().begin()))
        << "the radio's codeplug was touched";
}

INSTANTIATE_TEST_SUITE_P(
    LintFaults, BrokenKitPressTest,
    testing::Values(
        BrokenKit{"ConfigMissing",
                  [](BrokenKitPressTest& t) { t.Remove("patcher.dat"); },
                  {"Unable to open configuration file", kNoConfiguration}},
        BrokenKit{"ConfigCorrupt",
                  [](BrokenKitPressTest& t) { t.Truncate("patcher.dat"); },
                  {"Unable to read configuration file", kNoConfiguration}},
        BrokenKit{"CodeplugMissing",
                  [](BrokenKitPressTest& t) { t.Remove("cp.s19"); },
                  {"Unable to open codeplug file\nPlease make sure installation is completed successfully"}},
        BrokenKit{"CodeplugCorrupt",
                  [](BrokenKitPressTest& t) { t.Truncate("cp.s19"); },
                  {kCorruptFile, kBootstrapPrompt, kInvalidDataFile}},
        BrokenKit{"CodeplugNotSRecords",
                  [](BrokenKitPressTest& t) { t.Replace("cp.s19", "not an S-record file\n"); },
                  {kBootstrapPrompt, kInvalidDataFile}},
        BrokenKit{"FirmwareMissing",
                  [](BrokenKitPressTest& t) { t.Remove("fw_128k"); },
                  {kBootstrapPrompt,
                   "Unable to open firmware file!\nPlease make sure installation is completed successfully",
                   kInvalidDataFile}},
        BrokenKit{"FirmwareCorrupt",
                  [](BrokenKitPressTest& t) { t.Truncate("fw_128k"); },
                  {kBootstrapPrompt, kCorruptFile, kInvalidDataFile}},
        BrokenKit{"FirmwarePastTheFlash",
                  [](BrokenKitPressTest& t) { t.Replace("fw_128k", FlashRecords(kFlashBytes + 64)); },
                  {kBootstrapPrompt, kInvalidDataFile}},
        BrokenKit{"BootCodeMissing",
                  [](BrokenKitPressTest& t) { t.Remove("g2_19k2.s19"); },
                  {"Boot code file is non-existent or corrupt !!: Terminating program"}},
        BrokenKit{
            "BootCodeFileTooLarge",
            [](BrokenKitPressTest& t) { t.Replace("g2_19k2.s19", Records(6000)); },
            {"Boot code file g2_19k2.s19 is larger than 10000 bytes and cannot be used.\nPlease reinstall "
             "the application!"}},
        BrokenKit{"BootCodeImageTooLarge",
                  [](BrokenKitPressTest& t) {
                      t.Replace("g2_19k2.s19",
                                WriteSRecords(std::vector<std::uint8_t>(4000, 1), SRecordLayout{}));
                  },
                  {kBootstrapPrompt, kNotStarted}}),
    [](const testing::TestParamInfo<BrokenKit>& info) { return info.param.name; });

}  // namespace
