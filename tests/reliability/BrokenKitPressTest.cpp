#include <gtest/gtest.h>
#include <sys/stat.h>

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
constexpr std::uintmax_t kCodeplugCap = 2 * 1024 * 1024;
constexpr std::uintmax_t kFirmwareCap = 16 * 1024 * 1024;
constexpr const char* kModelBlockError = "Syntax error in patch script file : MODEL_MATCHING_BLOCK";
constexpr const char* kRegionBlockError = "Syntax error in patch script file : RADIO_GROUP_REGION";
constexpr const char* kBootCodeMissing = "Boot code file is non-existent or corrupt !!: Terminating program";

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
    // The kit names `to` where it named the file `from`.
    void Rename(const std::string& from, const std::string& to) {
        std::string text = KitConfig(TestKit{}.patch).Text();
        text.replace(text.find(from), from.size(), to);
        ReplaceConfig(text);
    }
    // A file of the kit made `bytes` long, without writing them.
    void Grow(const std::string& name, std::uintmax_t bytes) {
        std::filesystem::resize_file(kit_.Path() / name, bytes);
    }
    void MakeFifo(const std::string& name) {
        Remove(name);
        ASSERT_EQ(::mkfifo((kit_.Path() / name).c_str(), 0600), 0);
    }
    std::string KitPath(const std::string& name) const { return (kit_.Path() / name).string(); }
    std::string KitFolderName() const { return kit_.Path().filename().string(); }
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
        // Every firmware file is checked before the radio is asked into bootstrap mode, also those the
        // radio's flash size would not choose.
        BrokenKit{"FirmwareMissing",
                  [](BrokenKitPressTest& t) { t.Remove("fw_128k"); },
                  {std::string(kInvalidDataFile) + "\n\nThe firmware file fw_128k cannot be opened"}},
        BrokenKit{"FirmwareCorrupt",
                  [](BrokenKitPressTest& t) { t.Truncate("fw_512k"); },
                  {std::string(kInvalidDataFile) + "\n\nThe firmware file fw_512k is corrupted"}},
        BrokenKit{"FirmwarePastTheFlash",
                  [](BrokenKitPressTest& t) { t.Replace("fw_128k", FlashRecords(kFlashBytes + 64)); },
                  {std::string(kInvalidDataFile) +
                   "\n\nThe firmware file fw_128k: Firmware record 4097 at address 420000 lies outside the "
                   "flash"}},
        BrokenKit{"FirmwareWithAnS4Record",
                  [](BrokenKitPressTest& t) {
                      std::string text = Records(64);
                      text.insert(text.find("\r\n") + 2, "S40900001000AABBCC00\r\n");
                      t.Replace("fw_256k", text);
                  },
                  {std::string(kInvalidDataFile) +
                   "\n\nThe firmware file fw_256k: Firmware record 2 at address 0 is no record the flash can "
                   "take"}},
        BrokenKit{"BootCodeNotSRecords",
                  [](BrokenKitPressTest& t) { t.Replace("g2_19k2.s19", "not an S-record file\n"); },
                  {std::string(kInvalidDataFile) + "\n\nThe boot code file g2_19k2.s19 cannot be used."}},
        BrokenKit{"BootCodeMissing",
                  [](BrokenKitPressTest& t) { t.Remove("g2_19k2.s19"); },
                  {"Boot code file is non-existent or corrupt !!: Terminating program"}},
        BrokenKit{
            "BootCodeFileTooLarge",
            [](BrokenKitPressTest& t) { t.Replace("g2_19k2.s19", Records(6000)); },
            {"Boot code file g2_19k2.s19 is larger than 10000 bytes and cannot be used.\nPlease reinstall "
             "the application!"}},
        // Names that would leave the kit folder are the kit's fault, whether or not the file is there.
        BrokenKit{"CodeplugNamedUpwards",
                  [](BrokenKitPressTest& t) { t.Rename("cp.s19", "../" + t.KitFolderName() + "/cp.s19"); },
                  {kModelBlockError}},
        BrokenKit{"CodeplugNamedByAbsolutePath",
                  [](BrokenKitPressTest& t) { t.Rename("cp.s19", t.KitPath("cp.s19")); },
                  {kModelBlockError}},
        BrokenKit{"CodeplugNamedInASubfolder",
                  [](BrokenKitPressTest& t) {
                      std::filesystem::create_directory(t.KitPath("sub"));
                      std::filesystem::copy_file(t.KitPath("cp.s19"), t.KitPath("sub/cp.s19"));
                      t.Rename("cp.s19", "sub/cp.s19");
                  },
                  {kModelBlockError}},
        BrokenKit{
            "CodeplugNamedDot", [](BrokenKitPressTest& t) { t.Rename("cp.s19", "."); }, {kModelBlockError}},
        BrokenKit{
            "CodeplugNameEmpty", [](BrokenKitPressTest& t) { t.Rename("cp.s19", ""); }, {kModelBlockError}},
        BrokenKit{"BootCodeNamedByAbsolutePath",
                  [](BrokenKitPressTest& t) { t.Rename("g2_19k2.s19", t.KitPath("g2_19k2.s19")); },
                  {kRegionBlockError}},
        BrokenKit{"BootCodeNamedUpwards",
                  [](BrokenKitPressTest& t) {
                      t.Rename("g2_19k2.s19", "../" + t.KitFolderName() + "/g2_19k2.s19");
                  },
                  {kRegionBlockError}},
        BrokenKit{"BootCodeNameEmpty",
                  [](BrokenKitPressTest& t) { t.Rename("g2_19k2.s19", ""); },
                  {kRegionBlockError}},
        // Files that are no regular file, or larger than any file of their kind, are never read whole.
        BrokenKit{
            "BootCodeFifo", [](BrokenKitPressTest& t) { t.MakeFifo("g2_19k2.s19"); }, {kBootCodeMissing}},
        BrokenKit{"CodeplugFifo",
                  [](BrokenKitPressTest& t) { t.MakeFifo("cp.s19"); },
                  {"Unable to open codeplug file\nPlease make sure installation is completed successfully"}},
        BrokenKit{"CodeplugPastItsCap",
                  [](BrokenKitPressTest& t) { t.Grow("cp.s19", kCodeplugCap + 8); },
                  {kCorruptFile, kBootstrapPrompt, kInvalidDataFile}},
        BrokenKit{"FirmwarePastItsCap",
                  [](BrokenKitPressTest& t) { t.Grow("fw_128k", kFirmwareCap + 8); },
                  {std::string(kInvalidDataFile) + "\n\nThe firmware file fw_128k is larger than any firmware file can be"}},
        BrokenKit{"BootCodeImageTooLarge",
                  [](BrokenKitPressTest& t) {
                      t.Replace("g2_19k2.s19",
                                WriteSRecords(std::vector<std::uint8_t>(4000, 1), SRecordLayout{}));
                  },
                  {kBootstrapPrompt, kNotStarted}}),
    [](const testing::TestParamInfo<BrokenKit>& info) { return info.param.name; });

}  // namespace
