#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "EngineRunTest.h"
#include "engine/CBootstrap.h"

namespace {

constexpr std::size_t kKiB = 1024;
constexpr std::uint64_t kRestartWaitNs = 200 * 1'000'000ULL;

// Each firmware file holds an image of its own, so the flash shows which one was chosen.
EngineRunTest::Bytes ImageForFile(std::size_t fileNumber) {
    EngineRunTest::Bytes image = EngineRunTest::FirmwareImage(640);
    image[5] = static_cast<std::uint8_t>(fileNumber);
    return image;
}

class CRadioUpgradeFlashTest : public EngineRunTest {
protected:
    void WriteAllFirmwareFiles() {
        const char* files[] = {"fw_128k", "fw_256k", "fw_512k"};
        for (std::size_t at = 0; at < 3; ++at)
            WriteKitFile(files[at], FirmwareText(ImageForFile(at), 0));
    }

    Bytes FlashStart(std::size_t bytes) {
        const auto flash = Radio().Flash();
        return Bytes(flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(bytes));
    }

    std::vector<unsigned> WriteAddresses() {
        std::vector<unsigned> addresses;
        for (const RadioRequest& write : RequestsOf(RequestKind::Write))
            addresses.push_back(write.address);
        return addresses;
    }
};

// A whole firmware run for each flash size at each flash rate: the probe finds the size, the matching
// file is written, and the radio restarts into it.
class WholeRunTest : public CRadioUpgradeFlashTest,
                     public ::testing::WithParamInterface<std::tuple<std::size_t, unsigned>> {};

TEST_P(WholeRunTest, ProgramsTheFileOfTheDetectedSizeAndRestartsTheRadioIntoIt) {
    const auto [sizeIndex, flashRate] = GetParam();
    Profile().flashBytes = RadioProfile::kFlashSizes[sizeIndex];
    settings_.flashRate = flashRate;
    WriteAllFirmwareFiles();

    EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
    EXPECT_EQ(RequestsOf(RequestKind::Bootcode).at(0).baud, flashRate);
    EXPECT_EQ(FlashStart(640), ImageForFile(sizeIndex));
    EXPECT_EQ(RequestsOf(RequestKind::Reset).size(), 1u);
    Wait(kRestartWaitNs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Status 1", "Status 2", "Status 3"}));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(SizesAndRates, WholeRunTest,
                         ::testing::Combine(::testing::Values(0u, 1u, 2u),
                                            ::testing::Values(19200u, 38400u, 115200u)));

// The bootcode download has a bar of its own over its blocks; each display opens with Cancel off,
// since neither the download nor the flash can stop safely, and shows its message from the start.
TEST_F(CRadioUpgradeFlashTest, TheOperatorSeesEachPhaseOfTheRunInOrder) {
    WriteAllFirmwareFiles();
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);

    const auto blocks = static_cast<long>(CBootstrap::BlockCount(CBootstrap::kZR5, BootcodeFor(115200).size()));
    const int records = 20;  // 640 bytes in 32-byte records; the end record is not counted
    std::vector<std::string> expected = {
        "Cursor 1",
        "Cancel off",
        "Begin " + std::to_string(blocks) + " 0",
        "Message Downloading bootcode...\nWARNING!! Ensure process is not interrupted",
        "Status 1"};
    expected.insert(expected.end(), blocks, "Step");
    expected.insert(expected.end(),
                    {"End", "Cancel off", "Begin " + std::to_string(records) + " 0",
                     "Message Programming flash ROM...\nWARNING!! Ensure process is not interrupted", "Status 2",
                     "Message Erasing flash ROM...\nWARNING!! Ensure process is not interrupted",
                     "Message Programming flash ROM...\nWARNING!! Ensure process is not interrupted"});
    expected.insert(expected.end(), records, "Step");
    expected.insert(expected.end(), {"Status 3", "End", "Cursor 0"});
    std::vector<std::string> calls = notes_.Calls();
    for (std::string& call : calls) {
        if (call.starts_with("Cancel off: "))
            call = "Cancel off";
    }
    EXPECT_EQ(calls, expected);
}

TEST_F(CRadioUpgradeFlashTest, EachLoaderAndAnnouncementTakesTheBootcode) {
    struct Case {
        const char* name;
        Controller controller;
        LoaderAnnouncement::Kind announcement;
        int variant;
    };
    const Case cases[] = {
        {"ZR5 by pulse", Controller::ZR5, LoaderAnnouncement::Kind::Pulse, FlashSettings::kVariantZR5},
        {"ZR5 by break", Controller::ZR5, LoaderAnnouncement::Kind::Break, FlashSettings::kVariantZR5},
        {"Q7", Controller::Q7, LoaderAnnouncement::Kind::Pulse, FlashSettings::kVariantQ7},
        {"Q7 detected", Controller::Q7, LoaderAnnouncement::Kind::Pulse, FlashSettings::kVariantUndetermined},
    };
    Radio();  // the fixture's radio, which each case replaces by one of its own
    WriteAllFirmwareFiles();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Profile().controller = c.controller;
        Profile().announcement = {c.announcement, 5 * 1'000'000ULL, 300 * 1'000'000ULL};
        auto radio = std::make_shared<SimRadio>(Profile());
        radio->AttachTo(SharedLine());
        radio->EnterBootstrapMode(NowNs());
        enterBootstrapMode_ = false;
        settings_.bootVariant = c.variant;

        EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
        EXPECT_EQ(Bytes(radio->Flash().begin(), radio->Flash().begin() + 640), ImageForFile(0));
    }
}

TEST_F(CRadioUpgradeFlashTest, AProbeAddressThatFailsThreeTimesFallsThroughToTheNextSize) {
    Profile().flashBytes = 256 * kKiB;
    WriteAllFirmwareFiles();
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);

    const std::vector<unsigned> writes = WriteAddresses();
    ASSERT_GE(writes.size(), 13u);
    // Three tries in the last 64 KiB of a 512 KiB flash, a sector apart, each a request the exchange
    // sends four times; then 0x430000 at once.
    std::vector<unsigned> expected;
    for (const unsigned address : {0x470000u, 0x471000u, 0x472000u})
        expected.insert(expected.end(), 4, address);
    expected.push_back(0x430000u);
    EXPECT_EQ(std::vector<unsigned>(writes.begin(), writes.begin() + 13), expected);
    EXPECT_EQ(FlashStart(640), ImageForFile(1));
}

// The radio programs the probe byte and its answer is lost: the exchange's own retries are refused, as a
// byte programs once per erase, so a probe that tried the same byte again would take the flash for a
// smaller one, load the wrong firmware and report success on a radio that does not start.
TEST_F(CRadioUpgradeFlashTest, AProbeWriteWhoseAnswerIsLostIsNotTakenForASmallerFlash) {
    Profile().flashBytes = 256 * kKiB;
    Profile().faults.push_back(ScheduledFault::Parse("write#13 garble 3"));  // the first write at 0x430000
    WriteAllFirmwareFiles();

    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    EXPECT_EQ(FlashStart(640), ImageForFile(1));
    Wait(kRestartWaitNs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
}

TEST_F(CRadioUpgradeFlashTest, RecordAddressesAreMappedIntoTheFlashWindow) {
    struct Case {
        const char* name;
        std::string text;
        unsigned firstWrite;
    };
    const Bytes image = FirmwareImage(64);
    const Case cases[] = {
        {"relative S1", FirmwareText(image, 0x0000), 0x400000},
        {"relative S2", FirmwareText(image, 0x012340, 2), 0x412340},
        {"absolute S2", FirmwareText(image, 0x412340, 2), 0x412340},
        {"relative S3", FirmwareText(image, 0x012340, 3), 0x412340},
        {"absolute S3", FirmwareText(image, 0x412340, 3), 0x412340},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteKitFile("fw_128k", c.text);
        const std::size_t before = RequestsOf(RequestKind::Write).size();
        Radio().EnterBootstrapMode(NowNs());
        enterBootstrapMode_ = false;

        EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
        const std::vector<unsigned> writes = WriteAddresses();
        // After the probe: one write per record, 32 bytes apart.
        ASSERT_EQ(writes.size(), before + 25 + 2);
        EXPECT_EQ(writes[before + 25], c.firstWrite);
        EXPECT_EQ(writes[before + 26], c.firstWrite + 32);
        Wait(kRestartWaitNs);
    }
}

TEST_F(CRadioUpgradeFlashTest, TheRadioIsResetAfterTheLastRecordOnlyWhenNothingFollows) {
    WriteAllFirmwareFiles();
    ASSERT_EQ(Run(), UpgradeStatus::Succeeded);
    const auto writes = RequestsOf(RequestKind::Write);
    ASSERT_EQ(RequestsOf(RequestKind::Reset).size(), 1u);
    EXPECT_GT(RequestsOf(RequestKind::Reset).at(0).timeNs, writes.back().timeNs);

    Wait(kRestartWaitNs);
    options_.patchCodeplug = true;  // the patch step follows, and talks to the bootcode
    patchRecords_ = {{0x10, 4, 0, 0x5A, 0, 0}, {0x99, 0, 0, 0, 0, 0}};
    Radio().EnterBootstrapMode(NowNs());
    enterBootstrapMode_ = false;
    Run();
    EXPECT_EQ(RequestsOf(RequestKind::Reset).size(), 1u);
    EXPECT_EQ(Radio().State(), RadioState::Bootcode);
}

}  // namespace
