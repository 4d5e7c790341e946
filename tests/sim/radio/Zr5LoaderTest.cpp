#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RaisedError.h"
#include "engine/CBootstrap.h"
#include "SimRadioTest.h"
#include "platform/CSerial.h"
#include "radio/SimRadio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kBootstrapBaud = 2400;
constexpr std::uint8_t kSync = 0xFD;

struct Announcing {
    const char* name;
    LoaderAnnouncement announcement;
    std::uint64_t stepNs;  // between the start times swept
};

const Announcing kBreakLoader{"break", {LoaderAnnouncement::Kind::Break, 10'000'000, 55'000'000}, 1'000'000};
const Announcing kPulseLoader{"pulse", {LoaderAnnouncement::Kind::Pulse, 10'000'000, 250'000'000}, 4'000'000};

// The ZR5 loader against the engine's side of the download, in virtual time.
class Zr5LoaderTest : public SimRadioTest {
protected:
    void OpenAtBootstrapRate(std::uint8_t echo) {
        Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().SetEcho(echo);
        Serial().Open(kPort);
    }

    RaisedError Download() {
        return RaisedBy([&] { engine_.ZR5_Send_Bootcode(SmallRadio::Bootcode()); });
    }

    bool BootcodeRuns() {
        Wait(Profile().latencies.bootcodeStartNs + 10 * kMs);
        return Radio().State() == RadioState::Bootcode;
    }

    bool Overrun() {
        const std::vector<RadioRequest>& requests = Radio().Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [](const RadioRequest& r) { return r.outcome == RequestOutcome::Overrun; });
    }

    CBootstrap engine_{&Serial()};
};

class Zr5LoaderSweep : public Zr5LoaderTest,
                       public ::testing::WithParamInterface<std::tuple<Announcing, std::uint8_t>> {};

// The program may start at any moment of the loader's announcement cycle, with the interface box or
// without: detection, sync and the download succeed every time. A sync character that meets the
// loader's own announcement on the line is lost, and the engine's retry then succeeds.
TEST_P(Zr5LoaderSweep, DetectionSyncAndDownloadSucceedAtEveryStartTime) {
    const auto& [announcing, echo] = GetParam();
    Profile().announcement = announcing.announcement;
    Line().SetEchoBox(echo == 1);
    const LoaderAnnouncement& a = announcing.announcement;
    const std::uint64_t lowNs =
        a.kind == LoaderAnnouncement::Kind::Break ? a.breakNs : SimUart::PulseNs(SimRadio::kPulseReads, 300);
    const std::uint64_t cycleNs = lowNs + a.repeatNs;
    for (std::uint64_t offset = 0; offset < cycleNs; offset += announcing.stepNs) {
        SCOPED_TRACE(std::to_string(offset / kUs) + " us into the cycle");
        Radio().EnterBootstrapMode(NowNs());
        OpenAtBootstrapRate(echo);
        Wait(offset);
        ASSERT_EQ(Download(), kNothingRaised);
        EXPECT_EQ(Serial().GetEcho(), echo);
        ASSERT_TRUE(BootcodeRuns());
        Serial().Close();
    }
    EXPECT_FALSE(LogHas("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 2"));
}

INSTANTIATE_TEST_SUITE_P(BothAnnouncements, Zr5LoaderSweep,
                         ::testing::Combine(::testing::Values(kBreakLoader, kPulseLoader),
                                            ::testing::Values(std::uint8_t{0}, std::uint8_t{1})),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == 1 ? "WithEchoBox" : "Direct");
                         });

TEST_F(Zr5LoaderTest, WithTheEchoBoxTheProgramReceivesSixteenBytesABlock) {
    Line().SetEchoBox(true);
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(1);
    engine_.WaitForBootstrapSync(kSync);
    Serial().SetEcho(0);
    const Bytes block = {1, 2, 3, 4, 5, 6, 7, 8};
    Serial().Write(block, 674);
    Bytes answer(16);
    Serial().Read(answer, 1348);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 8), block);
    EXPECT_EQ(answer[8], 1 ^ BootstrapLoader::kCheckMask);
    Wait(100 * kMs);
    Bytes more(1);
    EXPECT_EQ(RaisedBy([&] { Serial().Read(more, 50); }).code, 2) << "nothing after the 16";
}

// A loader that is sent a character while it still answers is overrun and never starts the bootcode.
TEST_F(Zr5LoaderTest, RefusesBlocksSentWithoutReadingTheAnswersAndTheQ7Protocol) {
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(0);
    engine_.WaitForBootstrapSync(kSync);
    Bytes image = SmallRadio::Bootcode();
    image.resize(24);
    Serial().Write(image, 1000);
    EXPECT_FALSE(BootcodeRuns());
    EXPECT_TRUE(Overrun());

    Radio().EnterBootstrapMode(NowNs());
    Wait(20 * kMs);
    EXPECT_EQ(RaisedBy([&] { engine_.Q7_Send_Bootcode(SmallRadio::Bootcode()); }), kNothingRaised);
    EXPECT_FALSE(BootcodeRuns());
}

TEST_F(Zr5LoaderTest, IgnoresAWrongSyncCharacterAndKeepsAnnouncing) {
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(0);
    EXPECT_EQ(RaisedBy([&] { engine_.WaitForBootstrapSync(0xFE); }),
              GenError(3, "Read bootstrap sync character failed"));
    EXPECT_TRUE(LogHas("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 2"));
    EXPECT_FALSE(Radio().LoaderSynced());
    EXPECT_TRUE(Serial().WaitForCommError(CSerial::kBreak, 600)) << "still announcing";
    EXPECT_EQ(Download(), kNothingRaised);
    EXPECT_TRUE(BootcodeRuns());
}

// On a pseudo-terminal a busy machine may change the program's rate long after the bootcode started,
// which a bench PC does at once: radiosim then has the bootcode's first character wait for the program
// to listen at the flash rate. A radio on a real line does not wait.
class Zr5LoaderLateListener : public Zr5LoaderTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Zr5LoaderLateListener, TheFirstCharacterWaitsForTheProgramOnlyOnATerminal) {
    const bool waits = GetParam();
    Radio().SetHelloWaitsForProgram(waits);
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(0);
    ASSERT_EQ(Download(), kNothingRaised);
    Wait(Profile().latencies.bootcodeStartNs + 500 * kMs);
    Serial().SetBaud(115200);
    Bytes hello(1);
    const RaisedError raised = RaisedBy([&] { Serial().Read(hello, 700); });
    if (waits) {
        EXPECT_EQ(raised, kNothingRaised);
        EXPECT_EQ(hello[0], SimRadio::kBootcodeHello);
    } else {
        EXPECT_TRUE(raised != kNothingRaised || hello[0] != SimRadio::kBootcodeHello);
    }
}

INSTANTIATE_TEST_SUITE_P(TerminalOrLine, Zr5LoaderLateListener, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Terminal" : "Line"; });

// Two spoilt sync answers give the engine's retry lines 1 and 2 and the download goes on; the loader
// waits for the sync again after each.
class Zr5LoaderSpoiltSync : public Zr5LoaderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Zr5LoaderSpoiltSync, LeavesTheLoaderWaitingForTheSyncAgain) {
    Profile().faults = {ScheduledFault::Parse("sync#1 garble 0"), ScheduledFault::Parse(GetParam())};
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(0);
    EXPECT_EQ(Download(), kNothingRaised);
    EXPECT_TRUE(LogHas("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 1"));
    EXPECT_TRUE(LogHas("Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 2"));
    EXPECT_TRUE(BootcodeRuns());
}

INSTANTIATE_TEST_SUITE_P(SecondFault, Zr5LoaderSpoiltSync,
                         ::testing::Values("sync#2 lose 0", "sync#2 line-error 0", "sync#2 break 0"));

struct FailureCase {
    const char* name;
    std::vector<const char*> faults;
    LoaderAnnouncement announcement;
    std::size_t garbledEchoes;
    RaisedError raised;
};

class Zr5LoaderFailure : public Zr5LoaderTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Zr5LoaderFailure, GivesTheEnginesFailureText) {
    const FailureCase& c = GetParam();
    for (const char* fault : c.faults)
        Profile().faults.push_back(ScheduledFault::Parse(fault));
    Profile().announcement = c.announcement;
    Line().SetEchoBox(c.garbledEchoes > 0);
    Line().GarbleThroughEchoBox(c.garbledEchoes);
    Radio().EnterBootstrapMode(NowNs());
    OpenAtBootstrapRate(c.garbledEchoes > 0 ? 1 : 0);
    EXPECT_EQ(Download(), c.raised);
    EXPECT_FALSE(BootcodeRuns());
}

INSTANTIATE_TEST_SUITE_P(
    ThreeTexts, Zr5LoaderFailure,
    ::testing::Values(
        FailureCase{"ThreeSpoiltSyncAnswers",
                    {"sync#1 garble 0", "sync#2 lose 0", "sync#3 garble 0"},
                    {},
                    0,
                    GenError(3, "Read bootstrap sync character failed")},
        FailureCase{"TheEchoBoxReturningThreeWrongBytes", {}, {}, 3,
                    GenError(3, "Write bootstrap sync character failed")},
        FailureCase{"BreaksTooOftenToEnd",
                    {},
                    {LoaderAnnouncement::Kind::Break, 5'000'000, 5'000'000},
                    0,
                    GenError(3, "Could not detect radio in bootstrap mode")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
