#include "SimRadioTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "DemoCodeplugs.h"
#include "RaisedError.h"
#include "codeplug/CCodeplug.h"
#include "kwip/CKwipBroker.h"
#include "platform/CSerial.h"
#include "radio/SimRadio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kBootstrapBaud = 2400;
constexpr unsigned kFlashBaud = 115200;
constexpr std::uint8_t kSync = 0xFD;
constexpr unsigned kFlash = 0x400000;
const RaisedError kNack = KwipError(1, "Received NACK from external device");
const RaisedError kTimeout = KwipError(5, "Timeout occurred while sending KWIP command");

std::vector<RequestKind> KindsOf(const std::vector<RadioRequest>& requests) {
    std::vector<RequestKind> kinds;
    for (const RadioRequest& request : requests)
        kinds.push_back(request.kind);
    return kinds;
}

class SimRadioBehaviour : public SimRadioTest {
protected:
    std::unique_ptr<CKwipBroker> OpenBroker(unsigned baud = 9600) {
        auto broker = std::make_unique<CKwipBroker>();
        broker->Comm().Open(kPort, 0);
        broker->PortOpen = true;
        if (baud != 9600)
            Serial().SetBaud(baud);
        return broker;
    }

    std::string Status(CKwipBroker& broker, std::uint8_t code) {
        std::array<char, 256> text{};
        return std::string(broker.RadioStatusRequest(code, text));
    }

    // The port at the bootstrap rate, the radio in bootstrap mode and its loader in sync, as the
    // bootstrap download does it.
    void SyncWithLoader() {
        Radio().EnterBootstrapMode(NowNs());
        Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
        ASSERT_TRUE(Serial().DetectPulse(2000));
        while (Serial().WaitForCommError(CSerial::kBreak, 5)) {
        }
        Serial().PurgeInput();
        Serial().Write(Bytes{kSync}, 100);
        EXPECT_EQ(ReadBytes(1, 100), Bytes{0xFF});
    }

    Bytes ReadBytes(std::size_t count, unsigned timeoutMs) {
        Bytes bytes(count);
        Serial().Read(bytes, timeoutMs);
        return bytes;
    }

    // The block and the loader's 16 answer bytes.
    Bytes SendBlock(const Bytes& block) {
        Serial().Write(block, 674);
        return ReadBytes(16, 1348);
    }

    // The whole ZR5 download of the small bootcode; the port then listens at the flash rate.
    void RunSmallBootcode() {
        SyncWithLoader();
        Bytes image = SmallRadio::Bootcode();
        image.resize(24);  // padded to whole blocks with zeros
        for (std::size_t at = 0; at < image.size(); at += 8)
            SendBlock(Bytes(image.begin() + at, image.begin() + at + 8));
        Serial().SetBaud(kFlashBaud);
        EXPECT_EQ(ReadBytes(1, 700), Bytes{SimRadio::kBootcodeHello});
        Serial().Close();
        ASSERT_EQ(Radio().State(), RadioState::Bootcode);
    }
};

TEST_F(SimRadioBehaviour, TheRunningRadioAnswersStatusReadWriteAndReset) {
    auto broker = OpenBroker();
    std::array<char, 17> identity{};
    ASSERT_EQ(RaisedBy([&] { broker->RadioStatusRequest(15, identity); }), kNothingRaised);
    EXPECT_EQ(Bytes(identity.begin(), identity.begin() + 16), SmallRadio::kIdentity);
    EXPECT_EQ(Status(*broker, 0), "TESTRADIO T1");
    EXPECT_EQ(Status(*broker, 42), "");  // a code it does not know: the empty status reply

    std::array<std::uint8_t, 10> read{};
    broker->ReadRequest(0x2C5, read);
    for (unsigned at = 0; at < read.size(); ++at)
        EXPECT_EQ(read[at], SmallRadio::CodeplugByte(0x2C5 + at));
    broker->WriteRequest(0x100, Bytes{0xAA, 0xBB});
    std::array<std::uint8_t, 3> back{};
    broker->ReadRequest(0x0FF, back);
    EXPECT_EQ(back, (std::array<std::uint8_t, 3>{SmallRadio::CodeplugByte(0xFF), 0xAA, 0xBB}));
    EXPECT_EQ(Radio().Codeplug()[0x100], 0xAA);

    broker->ResetRequest();
    EXPECT_EQ(Radio().State(), RadioState::Restarting);
    Wait(50 * kMs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    EXPECT_EQ(Status(*broker, 3), "R01.00");

    const std::vector<RadioRequest>& requests = Radio().Requests();
    EXPECT_EQ(KindsOf(requests),
              (std::vector<RequestKind>{RequestKind::RadioStatus, RequestKind::RadioStatus,
                                        RequestKind::RadioStatus, RequestKind::Read, RequestKind::Write,
                                        RequestKind::Read, RequestKind::Reset, RequestKind::RadioStatus}));
    for (std::size_t at = 1; at < requests.size(); ++at)
        EXPECT_LT(requests[at - 1].timeNs, requests[at].timeNs);
    EXPECT_EQ(requests[4].address, 0x100u);
    EXPECT_EQ(requests[4].count, 2u);
    EXPECT_EQ(requests[4].outcome, RequestOutcome::Done);
}

TEST_F(SimRadioBehaviour, WhatTheRunningRadioDoesNotHoldOrDoIsRefusedAndChangesNothing) {
    auto broker = OpenBroker();
    const Bytes before(Radio().Codeplug().begin(), Radio().Codeplug().end());
    std::array<std::uint8_t, 4> data{};
    EXPECT_EQ(RaisedBy([&] { broker->ReadRequest(0xFFE, data); }), kNack);  // runs past the codeplug's end
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(0xFFF, Bytes{1, 2}); }), kNack);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash, Bytes{1}); }),
              kNack);  // no flash writes when running
    EXPECT_EQ(RaisedBy([&] { broker->EraseFlashRequest(); }), kNack);
    EXPECT_EQ(Bytes(Radio().Codeplug().begin(), Radio().Codeplug().end()), before);
    EXPECT_EQ(Radio().Flash()[0], 0x00);  // the present firmware, untouched
    EXPECT_EQ(Radio().Requests().back().outcome, RequestOutcome::Refused);
}

TEST_F(SimRadioBehaviour, AFrameWithABadChecksumIsRefusedAndGarbageIsNotAnswered) {
    Radio();
    Serial().Open(kPort);
    Serial().Write(Bytes{0xF2, 0x23, 0x05, 0xE6}, 100);
    EXPECT_EQ(ReadBytes(1, 100), Bytes{SimRadio::kNegativeAck});
    Wait(100 * kMs);
    Serial().Write(Bytes{0x12, 0x23, 0x05, 0xE5}, 100);  // no header mark
    EXPECT_EQ(RaisedBy([&] { ReadBytes(1, 100); }),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
    Serial().Write(Bytes{0xF2, 0x23, 0x05, 0xE5}, 100);  // a good frame, after the pause
    EXPECT_EQ(ReadBytes(1, 100), Bytes{SimRadio::kPositiveAck});
    EXPECT_EQ(
        KindsOf(Radio().Requests()),
        (std::vector<RequestKind>{RequestKind::BadChecksum, RequestKind::Garbage, RequestKind::RadioStatus}));
}

TEST_F(SimRadioBehaviour, AProgramAtAnotherRateGetsNoAnswer) {
    auto broker = OpenBroker(19200);
    EXPECT_EQ(RaisedBy([&] { Status(*broker, 15); }), kTimeout);
    for (const RadioRequest& request : Radio().Requests())
        EXPECT_EQ(request.kind, RequestKind::Garbage);
    EXPECT_FALSE(Radio().Requests().empty());
}

TEST_F(SimRadioBehaviour, TheZr5LoaderPulsesUntilItIsInSyncAndAnswersTheSyncWithFF) {
    SyncWithLoader();
    EXPECT_EQ(Radio().State(), RadioState::Loader);
    EXPECT_EQ(Radio().Requests().back().kind, RequestKind::Sync);
    EXPECT_EQ(Radio().Requests().back().outcome, RequestOutcome::Done);
    // In sync, the loader is quiet: no more pulses, which a receiver at 2400 baud would take for breaks.
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kBreak, 1500));
}

TEST_F(SimRadioBehaviour, TheZr5LoaderCanAnnounceItselfWithABreakItHoldsForAWhile) {
    Profile().announcement = {LoaderAnnouncement::Kind::Break, 300 * kMs, 0};
    Radio().EnterBootstrapMode(NowNs() + 10 * kMs);
    Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
    Serial().Open(kPort);
    EXPECT_TRUE(Serial().WaitForCommError(CSerial::kBreak, 1000));
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kBreak, 5));  // one event, however long it is held
    Wait(300 * kMs);
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kBreak, 5));
    Serial().Write(Bytes{kSync}, 100);
    EXPECT_EQ(ReadBytes(1, 100), Bytes{0xFF});
}

TEST_F(SimRadioBehaviour, TheLoaderIgnoresAWrongSyncAndASyncAtAnotherRate) {
    Profile().announcement.repeatNs = 1000 * kMs;  // no pulse meets the characters
    Radio().EnterBootstrapMode(NowNs());
    Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
    Serial().Open(kPort);
    const RaisedError nothing = CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout");
    const auto answerTo = [&](std::uint8_t sync) {
        Serial().PurgeInput();
        Serial().Write(Bytes{sync}, 100);
        return RaisedBy([&] { ReadBytes(1, 100); });
    };
    Wait(20 * kMs);  // past the first pulse
    EXPECT_EQ(answerTo(0xFE), nothing);
    Serial().SetBaud(9600);
    EXPECT_EQ(answerTo(kSync), nothing);
    Serial().SetBaud(kBootstrapBaud);
    EXPECT_EQ(answerTo(kSync), kNothingRaised);
    const std::vector<RadioRequest>& requests = Radio().Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.front().bytes, Bytes{0xFE});
    EXPECT_EQ(requests.front().outcome, RequestOutcome::Ignored);
    EXPECT_EQ(requests.back().outcome, RequestOutcome::Done);
}

TEST_F(SimRadioBehaviour, TheZr5LoaderAnswersEachBlockWithTheBlockAndItsComplement) {
    SyncWithLoader();
    const Bytes block = {0x00, 0x01, 0x7F, 0x80, 0xAA, 0x55, 0xFE, 0xFF};
    EXPECT_EQ(SendBlock(block), (Bytes{0x00, 0x01, 0x7F, 0x80, 0xAA, 0x55, 0xFE, 0xFF,  //
                                       0xFF, 0xFE, 0x80, 0x7F, 0x55, 0xAA, 0x01, 0x00}));
    EXPECT_EQ(Radio().Requests().back().kind, RequestKind::Block);
    EXPECT_EQ(Radio().Requests().back().bytes, block);
}

TEST_F(SimRadioBehaviour, AKnownBootcodeRunsAndSpeaksKwipAtItsFlashRate) {
    RunSmallBootcode();
    const Bytes received(Radio().ReceivedBootcode().begin(), Radio().ReceivedBootcode().end());
    Bytes expected = SmallRadio::Bootcode();
    expected.resize(24);
    EXPECT_EQ(received, expected);
    const RadioRequest& started = Radio().Requests().back();
    EXPECT_EQ(started.kind, RequestKind::Bootcode);
    EXPECT_EQ(started.baud, kFlashBaud);
    auto broker = OpenBroker(kFlashBaud);
    EXPECT_EQ(Status(*broker, 4), "Z5");
}

TEST_F(SimRadioBehaviour, ABootcodeTheLoaderDoesNotKnowNeverRuns) {
    SyncWithLoader();
    for (int block = 0; block < 3; ++block)
        SendBlock(Bytes(8, 0x11));
    Serial().SetBaud(kFlashBaud);
    EXPECT_EQ(RaisedBy([&] { ReadBytes(1, 700); }),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_EQ(Radio().State(), RadioState::Loader);
}

TEST_F(SimRadioBehaviour, TheQ7LoaderTakesTheSyncAndTheImageWithoutAnswering) {
    Profile().controller = Controller::Q7;
    Radio().EnterBootstrapMode(NowNs());
    Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
    Serial().Open(kPort);
    EXPECT_FALSE(Serial().WaitForCommError(CSerial::kBreak, 1000));  // no announcement
    Serial().Write(Bytes{kSync}, 10);
    const Bytes image = SmallRadio::Bootcode();
    Serial().Write(Bytes(image.begin(), image.begin() + 10), 61);
    Serial().Write(Bytes(image.begin() + 10, image.end()), 61);
    EXPECT_EQ(Serial().WaitForCommError(CSerial::kBreak, 10), false);
    Wait(5 * kMs);  // the last character leaves
    Serial().SetBaud(kFlashBaud);
    EXPECT_EQ(ReadBytes(1, 700), Bytes{SimRadio::kBootcodeHello});
    EXPECT_EQ(Radio().State(), RadioState::Bootcode);
}

TEST_F(SimRadioBehaviour, TheBootcodeErasesAndProgramsTheFlashWindowOnlyWhereErased) {
    Profile().releaseInFlash = ReleaseLocation{0x10, 6};
    RunSmallBootcode();
    auto broker = OpenBroker(kFlashBaud);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash, Bytes{0x01}); }), kNack);  // before the erase
    const double beforeErase = Seconds();
    ASSERT_EQ(RaisedBy([&] { broker->EraseFlashRequest(); }), kNothingRaised);
    EXPECT_GE(Seconds() - beforeErase, 0.1);  // the profile's erase time
    EXPECT_EQ(Radio().Flash()[0], 0xFF);
    Bytes record(64);
    for (std::size_t at = 0; at < record.size(); ++at)
        record[at] = static_cast<std::uint8_t>(at);
    std::copy_n("R09.99", 6, record.begin() + 0x10);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash, record); }), kNothingRaised);
    EXPECT_EQ(Bytes(Radio().Flash().begin(), Radio().Flash().begin() + 64), record);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash + 0x3F, Bytes{0x00}); }), kNack);  // written already
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash + 0x1FFFF, Bytes{0xAA}); }), kNothingRaised);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash + 0x20000, Bytes{0xAA}); }),
              kNack);  // beyond 128 KiB
    std::array<std::uint8_t, 2> codeplug{};
    EXPECT_EQ(RaisedBy([&] { broker->ReadRequest(0x10, codeplug); }), kNothingRaised);
    EXPECT_EQ(codeplug[0], SmallRadio::CodeplugByte(0x10));

    broker->ResetRequest();  // into the new firmware
    broker.reset();
    Wait(50 * kMs);
    EXPECT_EQ(Radio().State(), RadioState::Running);
    EXPECT_EQ(Radio().LineBaud(), 9600u);
    auto running = OpenBroker();
    EXPECT_EQ(Status(*running, 3), "R09.99");
}

TEST_F(SimRadioBehaviour, ARadioResetWithItsFlashErasedIsDeadUntilBootstrapMode) {
    RunSmallBootcode();
    auto broker = OpenBroker(kFlashBaud);
    broker->EraseFlashRequest();
    broker->ResetRequest();
    broker.reset();
    Wait(50 * kMs);
    EXPECT_EQ(Radio().State(), RadioState::Dead);
    auto running = OpenBroker();
    EXPECT_EQ(RaisedBy([&] { Status(*running, 3); }), kTimeout);
    running.reset();
    RunSmallBootcode();
    EXPECT_EQ(Radio().State(), RadioState::Bootcode);
}

TEST_F(SimRadioBehaviour, TheLoadersFaultsShowInItsAnswers) {
    Profile().faults = {ScheduledFault::Parse("block#1 silence"), ScheduledFault::Parse("block#3 garble 2")};
    SyncWithLoader();
    const Bytes block(8, 0x42);
    EXPECT_EQ(RaisedBy([&] { SendBlock(block); }),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_EQ(SendBlock(block), (Bytes{0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42,  //
                                       0xBD, 0xBD, 0xBD, 0xBD, 0xBD, 0xBD, 0xBD, 0xBD}));
    EXPECT_EQ(SendBlock(block)[2], 0x42 ^ ScheduledFault::kGarbleMask);
    EXPECT_EQ(Radio().ReceivedBootcode().size(), 16u);  // the silenced block never came
}

TEST_F(SimRadioBehaviour, AResetInTheMiddleOfTheFlashWritesLeavesTheProgramTalkingToNobody) {
    RunSmallBootcode();
    auto broker = OpenBroker(kFlashBaud);
    broker->EraseFlashRequest();
    Radio().ScheduleFault(ScheduledFault::Parse("write#3 reset"));
    const Bytes record(64, 0x3C);
    broker->WriteRequest(kFlash, record);
    broker->WriteRequest(kFlash + 0x40, record);
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(kFlash + 0x80, record); }), kTimeout);
    EXPECT_EQ(Radio().State(), RadioState::Running);  // the half-written firmware starts: its entry is there
    EXPECT_EQ(Radio().Flash()[0x7F], 0x3C);
    EXPECT_EQ(Radio().Flash()[0x80], 0xFF);
    const auto write = std::find_if(Radio().Requests().begin(), Radio().Requests().end(),
                                    [](const RadioRequest& request) { return !request.fault.empty(); });
    ASSERT_NE(write, Radio().Requests().end());
    EXPECT_EQ(write->fault, "write#3 reset");
    EXPECT_EQ(write->address, kFlash + 0x80);
}

// A radio made again from the memory another one kept, as radiosim's state file keeps it: what the
// first one had written is there, and it starts as its flash allows.
TEST_F(SimRadioBehaviour, ARadioOnTheMemoryOfAHalfFlashedOneIsDeadUntilBootstrapMode) {
    RunSmallBootcode();
    auto broker = OpenBroker(kFlashBaud);
    broker->EraseFlashRequest();
    broker->WriteRequest(kFlash + 0x40, Bytes(64, 0x3C));  // not yet the firmware's entry
    broker->WriteRequest(0x300, Bytes{0xAA});
    broker.reset();

    SimRadio again(Profile());
    again.RestoreMemory(Radio().Memory().Save());
    EXPECT_EQ(again.State(), RadioState::Dead);
    EXPECT_EQ(again.Codeplug()[0x300], 0xAA);
    EXPECT_EQ(again.Flash()[0x40], 0x3C);
    EXPECT_FALSE(again.Memory().Flash().IsWritten(0x80));  // still takes the rest of the firmware
}

TEST_F(SimRadioBehaviour, ARadioOnTheMemoryOfAFlashedOneRunsItsNewFirmware) {
    Profile().releaseInFlash = ReleaseLocation{0x10, 6};
    RunSmallBootcode();
    auto broker = OpenBroker(kFlashBaud);
    broker->EraseFlashRequest();
    Bytes record(64, 0x01);
    std::copy_n("R09.99", 6, record.begin() + 0x10);
    broker->WriteRequest(kFlash, record);
    broker.reset();

    SimRadio again(Profile());
    again.RestoreMemory(Radio().Memory().Save());
    EXPECT_EQ(again.State(), RadioState::Running);
    const auto release = again.Memory().Status(RadioMemory::kReleaseStatus);
    ASSERT_TRUE(release);
    EXPECT_EQ(std::string(release->begin(), release->end()), "R09.99");
}

TEST_F(SimRadioBehaviour, TheMemoryOfAnotherRadioIsRefusedAndChangesNothing) {
    RadioMemory::Saved smallerFlash = Radio().Memory().Save();
    smallerFlash.flash.resize(smallerFlash.flash.size() / 2);
    smallerFlash.flashWritten.resize(smallerFlash.flash.size());
    RadioMemory::Saved largerCodeplug = Radio().Memory().Save();
    largerCodeplug.codeplug.push_back(0x00);
    largerCodeplug.flash.assign(largerCodeplug.flash.size(), 0xEE);

    SimRadio again(Profile());
    EXPECT_THROW(again.RestoreMemory(smallerFlash), std::invalid_argument);
    EXPECT_THROW(again.RestoreMemory(largerCodeplug), std::invalid_argument);
    EXPECT_EQ(again.State(), RadioState::Running);
    EXPECT_EQ(again.Memory().Revision(), 0u);
    EXPECT_EQ(again.Flash()[0], Radio().Flash()[0]);
}

// The codeplug layer in the radio, against the demo radio's codeplug: whole blocks in 32-byte reads, and
// a field write whose checksum adjustment keeps every checksummed area's sum.
TEST_F(SimRadioBehaviour, TheCodeplugLayerReadsAndWritesTheRadiosCodeplug) {
    const BuiltCodeplug built = DemoCodeplugs::Build(DemoCodeplugs::Find("KX400S-EU"), {"4000123", {}, 7});
    Profile().codeplug = built.bytes;
    CCodeplug codeplug;
    codeplug.SetCommParams(kPort, 0);
    codeplug.StartCpAccess();
    const BuiltCodeplug::Block* scanLists = built.Find(DemoCodeplugs::kScanListsBlock);
    ASSERT_NE(scanLists, nullptr);
    Bytes block(1024);
    EXPECT_EQ(codeplug.ReadCpBlock(block, DemoCodeplugs::kScanListsBlock), scanLists->size);
    EXPECT_TRUE(
        std::equal(block.begin(), block.begin() + scanLists->size, built.bytes.begin() + scanLists->address));

    const Bytes field = {0x0C, 0x04};
    codeplug.WriteCpField(field, DemoCodeplugs::kScanListsBlock, 1, 0, 3);
    codeplug.StopCpAccess(0);
    const std::uint32_t at = built.EntryAddress(DemoCodeplugs::kScanListsBlock, 1, 0) + 3;
    EXPECT_EQ(Bytes(Radio().Codeplug().begin() + at, Radio().Codeplug().begin() + at + 2), field);
    EXPECT_EQ(built.AreaSums(Radio().Codeplug()), built.AreaSums());
}

// Each fault as the program sees it: the first attempt of a read fails with the line the exchange logs
// for it, and the read succeeds on a later attempt, carried out once.
struct FaultCase {
    const char* fault;
    const char* firstAttemptLine;
};

class FaultAsTheProgramSeesIt : public SimRadioBehaviour, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultAsTheProgramSeesIt, FailsTheFirstAttemptWithItsOwnLine) {
    Profile().faults = {ScheduledFault::Parse(GetParam().fault)};
    auto broker = OpenBroker();
    std::array<std::uint8_t, 4> data{};
    EXPECT_EQ(RaisedBy([&] { broker->ReadRequest(0x20, data); }), kNothingRaised);
    EXPECT_EQ(data[0], SmallRadio::CodeplugByte(0x20));
    const std::vector<std::string> lines = LogLines();
    const auto retry =
        std::find(lines.begin(), lines.end(), "CKwipComm::SendCommand: Request failed! Retry number = 1");
    ASSERT_NE(retry, lines.end());
    EXPECT_NE(std::find(lines.begin(), retry, GetParam().firstAttemptLine), retry);
    EXPECT_EQ(Radio().Requests().front().fault, GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    SimRadio, FaultAsTheProgramSeesIt,
    ::testing::Values(
        FaultCase{"read#1 nak", "Receive Negative Ack from external device"},
        FaultCase{"read#1 bad-checksum", "The KWIP reply message is corrupted"},
        FaultCase{"read#1 silence", "CWinSerial::WaitForBytesUnless: No data received when timeout"},
        FaultCase{"read#1 lose 3", "CWinSerial::WaitForBytesUnless: Timeout after receiving 8 bytes"},
        FaultCase{"read#1 garble 4", "The KWIP reply message is corrupted"},
        FaultCase{"read#1 line-error 10", "Framing error detected while accessing communication port"},
        FaultCase{"read#1 break 3", "CWinSerial::WaitForBytesUnless: Timeout after receiving 8 bytes"},
        FaultCase{"any#1 reset", "CWinSerial::WaitForBytesUnless: No data received when timeout"}));

}  // namespace
