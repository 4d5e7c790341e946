#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "EngineRunTest.h"

namespace {

constexpr std::uint64_t kMsNs = 1'000'000;
constexpr std::size_t kKiB = 1024;

void Naks(EngineRunTest& run, const std::string& kind, int first, int last) {
    for (int number = first; number <= last; ++number)
        run.Profile().faults.push_back(ScheduledFault::Parse(kind + "#" + std::to_string(number) + " nak"));
}

// One way a flashing run ends, brought about by the simulated radio or the kit at the moment its step
// runs. The radio has 128 KiB of flash unless the case says otherwise, and the kit a good "fw_128k".
struct FailureCase {
    const char* name;
    std::function<void(EngineRunTest&)> arrange;
    UpgradeStatus status;
    std::vector<std::string> statusTexts;
    std::string logLine;         // a line the log must hold
    std::string messageBox;      // the one box the operator saw, or empty for none
    std::size_t firmwareWrites;  // firmware records written after the probe
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

// The bootcode step puts the text back, and the run once more.
const std::vector<std::string> kBootcodeTexts = {"Status 1", "Status 3", "Status 3"};
const std::vector<std::string> kBeforeDownload = {"Status 3"};
const std::vector<std::string> kProbeTexts = {"Status 1", "Status 3"};
const std::vector<std::string> kFlashingTexts = {"Status 1", "Status 2", "Status 3"};
const std::vector<std::string> kBeforeFlashing = {"Status 1"};
constexpr const char* kNoFile =
    "Unable to open firmware file!\nPlease make sure installation is completed successfully";
constexpr const char* kCorrupt =
    "The required data file is corrupted and unuseable\nPlease reinstall the application!";

const FailureCase kFailures[] = {
    {"no bootstrap loader", [](EngineRunTest& t) { t.enterBootstrapMode_ = false; },
     UpgradeStatus::BootcodeFailed, kBootcodeTexts, "General Communication Error", "", 0},
    {"no first character within 700 ms",
     [](EngineRunTest& t) { t.Profile().latencies.bootcodeStartNs = 800 * kMsNs; },
     UpgradeStatus::BootcodeFailed, kBootcodeTexts,
     "General communication error occurred while downloading bootcode", "", 0},
    {"a sync refused three times", [](EngineRunTest& t) { t.Profile().syncCharacter = 0xF0; },
     UpgradeStatus::BootcodeFailed, kBootcodeTexts, "Read bootstrap sync character failed", "", 0},
    {"a damaged bootcode file", [](EngineRunTest& t) { t.settings_.bootCodeText = "S1FF"; },
     UpgradeStatus::BootcodeFailed, kBeforeDownload, "Read bootcode S-Record file failed", "", 0},
    {"no port handed over", [](EngineRunTest& t) { t.handOverPort_ = false; }, UpgradeStatus::BootcodeFailed,
     kBeforeDownload, "Com Port was not opened", "", 0},
    {"no flash rate chosen",
     [](EngineRunTest& t) {
         t.settings_.flashRate.reset();
         t.settings_.bootCodeText = EngineRunTest::FirmwareText(EngineRunTest::BootcodeFor(115200), 0);
     },
     UpgradeStatus::BootcodeFailed, kBeforeDownload, "No flash rate has been chosen", "", 0},
    {"the erase failing", [](EngineRunTest& t) { Naks(t, "erase", 1, 4); },
     UpgradeStatus::FlashSizeNotDetected, kProbeTexts, "Received NACK from external device", "", 0},
    {"every probe failing", [](EngineRunTest& t) { Naks(t, "write", 1, 36); },
     UpgradeStatus::FlashSizeNotDetected, kProbeTexts, "Received NACK from external device", "", 0},
    {"a missing firmware file", [](EngineRunTest& t) { t.Profile().flashBytes = 256 * kKiB; },
     UpgradeStatus::InvalidDataFile, kBeforeFlashing, "Read firmware S-Record file failed", kNoFile, 0},
    {"a firmware file whose size is not a multiple of 8",
     [](EngineRunTest& t) { t.kit_.WriteFile("fw_128k", std::string(13, 'x')); },
     UpgradeStatus::InvalidDataFile, kBeforeFlashing, "Read firmware S-Record file failed", kCorrupt, 0},
    {"a firmware record with a bad checksum",
     [](EngineRunTest& t) {
         std::string text = EngineRunTest::FirmwareText(EngineRunTest::FirmwareImage(256), 0);
         const std::size_t secondEnd = text.find("\r\n", text.find("\r\n") + 2);
         char& checksumDigit = text[secondEnd - 1];  // the second record's checksum, still hex
         checksumDigit = checksumDigit == '0' ? '1' : '0';
         t.WriteKitFile("fw_128k", text);
     },
     UpgradeStatus::InvalidDataFile, kBeforeFlashing,
     "CRadioUpgrade::PrepareUpgrade: Firmware record 2 at address 20 is damaged", "", 0},
    {"a record that is no data record the flash can take",
     [](EngineRunTest& t) {
         const std::string text = EngineRunTest::FirmwareText(EngineRunTest::FirmwareImage(64), 0);
         t.WriteKitFile("fw_128k", text.substr(0, text.find("\r\n") + 2) + "S40900001000AABBCC00\r\n" +
                                       text.substr(text.find("\r\n") + 2));
     },
     UpgradeStatus::InvalidDataFile, kBeforeFlashing,
     "CRadioUpgrade::PrepareUpgrade: Firmware record 2 at address 0 is no record the flash can take", "", 0},
    {"a firmware record beyond the detected flash",
     [](EngineRunTest& t) {
         t.WriteKitFile("fw_128k",
                        EngineRunTest::FirmwareText(EngineRunTest::FirmwareImage(64), 0x41FFE0, 2));
     },
     UpgradeStatus::InvalidDataFile, kBeforeFlashing,
     "CRadioUpgrade::PrepareUpgrade: Firmware record 2 at address 420000 lies outside the flash", "", 0},
    {"a write failing in the middle of the records",
     [](EngineRunTest& t) {
         t.Profile().flashBytes = 512 * kKiB;  // the first probe write succeeds
         t.WriteKitFile("fw_512k", EngineRunTest::FirmwareText(EngineRunTest::FirmwareImage(256), 0));
         Naks(t, "write", 5, 8);
     },
     UpgradeStatus::FirmwareFailed, kFlashingTexts,
     "General communication error occurred while downloading firmware", "", 3},
};

class RunFailureTest : public EngineRunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RunFailureTest, EndsInItsStatusWithItsTextsAndLogLine) {
    const FailureCase& c = GetParam();
    c.arrange(*this);

    EXPECT_EQ(Run(), c.status);
    EXPECT_EQ(StatusTexts(), c.statusTexts);
    EXPECT_TRUE(LogHas(c.logLine)) << c.logLine;
    std::vector<std::string> boxes;
    for (const RecordingMessageBox::Box& box : boxes_.Boxes())
        boxes.push_back(box.text);
    EXPECT_EQ(boxes,
              c.messageBox.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.messageBox});
    // The probe writes one byte; every other write is a firmware record.
    std::size_t recordWrites = 0;
    for (const RadioRequest& write : RequestsOf(RequestKind::Write))
        recordWrites += write.count > 1 && write.outcome == RequestOutcome::Done ? 1 : 0;
    EXPECT_EQ(recordWrites, c.firmwareWrites);
    EXPECT_TRUE(RequestsOf(RequestKind::Reset).empty());
    // The port is free for the next attempt, and the display closed.
    CSerial* port = Platform().GetSerial();
    EXPECT_NE(port, nullptr);
    Platform().ReleaseSerial();
    EXPECT_EQ(notes_.CallsOf("Begin").size(), notes_.CallsOf("End").size());
}

INSTANTIATE_TEST_SUITE_P(Failures, RunFailureTest, ::testing::ValuesIn(kFailures));

TEST_F(EngineRunTest, AFailedFlashLeavesARadioThatDoesNotStartUntilItIsFlashedAgain) {
    Profile().flashBytes = 512 * kKiB;
    Naks(*this, "write", 2, 5);  // the first record, where the controller finds the firmware's entry
    WriteKitFile("fw_512k", FirmwareText(FirmwareImage(256), 0));
    ASSERT_EQ(Run(), UpgradeStatus::FirmwareFailed);
    Radio().PowerCycle(NowNs());
    Wait(500 * kMsNs);
    EXPECT_EQ(Radio().State(), RadioState::Dead);

    Radio().EnterBootstrapMode(NowNs());  // the operator's retry, with a new engine
    enterBootstrapMode_ = false;
    EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
    Wait(500 * kMsNs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
}

}  // namespace
