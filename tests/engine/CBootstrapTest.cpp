#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RaisedError.h"
#include "RecordingWireTrace.h"
#include "SimRadioTest.h"
#include "engine/CBootstrap.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kBootstrapBaud = 2400;
// A pulse at the bootstrap rate reads as a break; one that comes after the first 70 ms look for a break
// is found by the pulse detection.
constexpr std::uint64_t kAfterFirstLookNs = 100'000'000;

Bytes Image(std::size_t length) {
    Bytes image(length);
    for (std::size_t at = 0; at < length; ++at)
        image[at] = static_cast<std::uint8_t>(0x30 + at);
    return image;
}

// The bootcode download against the simulated radio's loaders, as the engine runs it.
class CBootstrapTest : public SimRadioTest {
protected:
    void OpenAt(unsigned baud, std::uint8_t echo = 0) {
        Serial().SetParams(baud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
        Serial().SetEcho(echo);
    }

    RaisedError Download(BootstrapVariant variant, const Bytes& image) {
        CBootstrap bootstrap(&Serial());
        bootstrap.SetVariant(variant);
        return RaisedBy([&] { bootstrap.SendBootcode(image); });
    }

    bool RequestOfKind(RequestKind kind) {
        for (const RadioRequest& request : Radio().Requests()) {
            if (request.kind == kind)
                return true;
        }
        return false;
    }

    std::vector<std::string> TracedSteps() const {
        std::vector<std::string> steps;
        for (const RecordingWireTrace::Step& step : trace_.Steps())
            steps.push_back(step.step + (step.result.empty() ? "" : " " + step.result));
        return steps;
    }

    RecordingWireTrace trace_;
};

TEST_F(CBootstrapTest, AZr5LoaderTakesTheBootcodeInBlocksWithOrWithoutTheEchoBox) {
    Radio();  // the fixture's radio, which each case replaces by one of its own
    for (const std::uint8_t echo : {0, 1}) {
        SCOPED_TRACE(echo);
        Line().SetEchoBox(echo == 1);
        auto radio = std::make_shared<SimRadio>(Profile());
        radio->AttachTo(SharedLine());
        radio->EnterBootstrapMode(NowNs());
        OpenAt(kBootstrapBaud, echo);

        EXPECT_EQ(Download(CBootstrap::kZR5, SmallRadio::Bootcode()), kNothingRaised);
        EXPECT_EQ(Serial().GetEcho(), echo);
        EXPECT_EQ(Serial().GetBaud(), kBootstrapBaud);
        Wait(100 * kMs);
        EXPECT_EQ(radio->State(), RadioState::Bootcode);
        Serial().Close();
    }
}

TEST_F(CBootstrapTest, TheWireTraceShowsDetectionSyncAndEachBlockWithItsAnswer) {
    Radio().EnterBootstrapMode(NowNs() + kAfterFirstLookNs);
    OpenAt(kBootstrapBaud);
    ASSERT_EQ(Download(CBootstrap::kZR5, SmallRadio::Bootcode()), kNothingRaised);

    EXPECT_EQ(TracedSteps(), (std::vector<std::string>{"detect pulse", "sync in sync", "block 0x0000",
                                                       "block 0x0008", "block 0x0010"}));
    const RecordingWireTrace::Step& last = trace_.Steps().back();
    EXPECT_EQ(last.sent, (Bytes{0xC0, 0xC1, 0xC2, 0xC3, 0, 0, 0, 0}));  // padded with zeros
    ASSERT_EQ(last.received.size(), 16u);
    EXPECT_EQ(Bytes(last.received.begin(), last.received.begin() + 8), last.sent);
    EXPECT_EQ(trace_.Steps()[1].received, Bytes{0xFF});
}

TEST_F(CBootstrapTest, AZr5LoaderThatAnnouncesItselfWithABreakIsDetected) {
    Profile().announcement = {LoaderAnnouncement::Kind::Break, 5 * kMs, 300 * kMs};
    Radio().EnterBootstrapMode(NowNs() + 10 * kMs);
    OpenAt(kBootstrapBaud);

    EXPECT_EQ(Download(CBootstrap::kZR5, SmallRadio::Bootcode()), kNothingRaised);
    EXPECT_EQ(TracedSteps().front(), "detect break");
    EXPECT_TRUE(Radio().LoaderSynced());
}

TEST_F(CBootstrapTest, AQ7LoaderTakesTheSyncAndTenBytePiecesWithoutAnswering) {
    Profile().controller = Controller::Q7;
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(kBootstrapBaud);

    EXPECT_EQ(Download(CBootstrap::kQ7, SmallRadio::Bootcode()), kNothingRaised);
    EXPECT_EQ(TracedSteps(), (std::vector<std::string>{"sync", "piece 0x0000", "piece 0x000A"}));
    Wait(100 * kMs);
    EXPECT_EQ(Radio().State(), RadioState::Bootcode);
}

TEST_F(CBootstrapTest, ALineWithoutABreakIsTakenForAQ7LoaderAfterTheFirstSecond) {
    Profile().controller = Controller::Q7;
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(kBootstrapBaud);
    CBootstrap bootstrap(&Serial());

    EXPECT_EQ(RaisedBy([&] { bootstrap.SendBootcode(SmallRadio::Bootcode()); }), kNothingRaised);
    EXPECT_EQ(bootstrap.Variant(), CBootstrap::kQ7);
    EXPECT_GE(Seconds(), 1.0);
    EXPECT_EQ(TracedSteps().front(), "detect Q7");
    Wait(100 * kMs);
    EXPECT_EQ(Radio().State(), RadioState::Bootcode);
}

TEST_F(CBootstrapTest, ImageLengthsMakeWholeBlocksAndPieces) {
    struct Case {
        Controller controller;
        std::size_t length;
        std::vector<std::string> steps;
        std::size_t bytesReceived;
    };
    Radio();  // the fixture's radio, which each case replaces by one of its own
    const Case cases[] = {
        {Controller::ZR5, 13, {"detect pulse", "sync in sync", "block 0x0000", "block 0x0008"}, 16},
        {Controller::ZR5, 0, {"detect pulse", "sync in sync"}, 0},
        {Controller::Q7, 13, {"sync", "piece 0x0000", "piece 0x000A"}, 13},
        {Controller::Q7, 0, {"sync"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        Profile().controller = c.controller;
        auto radio = std::make_shared<SimRadio>(Profile());
        radio->AttachTo(SharedLine());
        // The Q7 loader makes itself not known: it must be up before the download starts.
        radio->EnterBootstrapMode(NowNs() + (c.controller == Controller::ZR5 ? kAfterFirstLookNs : 0));
        OpenAt(kBootstrapBaud);
        const auto before = trace_.Steps().size();

        const BootstrapVariant variant = c.controller == Controller::ZR5 ? CBootstrap::kZR5 : CBootstrap::kQ7;
        EXPECT_EQ(Download(variant, Image(c.length)), kNothingRaised);
        Wait(10 * kMs);
        std::vector<std::string> steps = TracedSteps();
        steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(before));
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(radio->ReceivedBootcode().size(), c.bytesReceived);
        EXPECT_TRUE(radio->LoaderSynced());
        Serial().Close();
    }
}

TEST_F(CBootstrapTest, ARateWithoutASyncCharacterIsRefusedBeforeAnythingIsSent) {
    struct Case {
        BootstrapVariant variant;
        const char* logLine;
    };
    const Case cases[] = {
        {CBootstrap::kZR5, "Bootstrap::ZR5_Send_Bootcode: Bootstrap download baudrate is not set correctly"},
        {CBootstrap::kQ7, "Bootstrap::Q7_Send_Bootcode: Bootstrap download baudrate is not set correctly"},
    };
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(9600);
    for (const Case& c : cases) {
        EXPECT_EQ(Download(c.variant, SmallRadio::Bootcode()),
                  GenError(3, "Bootstrap baudrate is not set correctly"));
        EXPECT_TRUE(LogHas(c.logLine));
    }
    EXPECT_TRUE(trace_.Steps().empty());  // the ZR5 variant did not even look for the loader
    EXPECT_TRUE(Radio().Requests().empty());
}

TEST_F(CBootstrapTest, SyncCharactersFollowTheRate) {
    const std::pair<unsigned, std::uint8_t> rates[] = {{553, 0xFF},  {3600, 0xFF}, {1800, 0xFD}, {2400, 0xFD},
                                                       {4800, 0xFD}, {4430, 0xF0}, {9600, 0},    {2401, 0}};
    OpenAt(kBootstrapBaud);
    CBootstrap bootstrap(&Serial());
    for (const auto& [baud, character] : rates) {
        Serial().SetBaud(baud);
        EXPECT_EQ(bootstrap.SyncCharacter(), character) << baud;
    }
}

TEST_F(CBootstrapTest, AnOtherVariantOrAnImageOverTheBufferSendsNothing) {
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(kBootstrapBaud);
    EXPECT_EQ(Download(3, SmallRadio::Bootcode()), kNothingRaised);
    EXPECT_EQ(Download(CBootstrap::kZR5, Image(CBootstrap::kMaxImageBytes + 1)),
              GenError(3, "Bootcode image is too big"));
    EXPECT_EQ(Download(CBootstrap::kUndetermined, Image(CBootstrap::kMaxImageBytes + 1)),
              GenError(3, "Bootcode image is too big"));
    EXPECT_TRUE(trace_.Steps().empty());
    EXPECT_FALSE(RequestOfKind(RequestKind::Sync));
}

// The bound seen from the radio: a bootcode that fills the buffer runs, and one a byte longer never
// reaches the loader, although this radio would run it; for each loader.
TEST_F(CBootstrapTest, ARadioRunsABootcodeThatFillsTheBufferAndHearsNothingOfALongerOne) {
    Radio();  // the fixture's radio, which each case replaces by one of its own
    for (const Controller controller : {Controller::ZR5, Controller::Q7}) {
        for (const std::size_t length : {CBootstrap::kMaxImageBytes, CBootstrap::kMaxImageBytes + 1}) {
            SCOPED_TRACE(std::to_string(length) + (controller == Controller::Q7 ? " Q7" : " ZR5"));
            const bool fits = length <= CBootstrap::kMaxImageBytes;
            Profile().controller = controller;
            Profile().bootcodes = {{Image(length), 115200}};
            auto radio = std::make_shared<SimRadio>(Profile());
            radio->AttachTo(SharedLine());
            radio->EnterBootstrapMode(NowNs());
            OpenAt(kBootstrapBaud);

            const auto variant = controller == Controller::Q7 ? CBootstrap::kQ7 : CBootstrap::kZR5;
            EXPECT_EQ(Download(variant, Image(length)) == kNothingRaised, fits);
            Wait(100 * kMs);
            EXPECT_EQ(radio->State() == RadioState::Bootcode, fits);
            EXPECT_EQ(radio->ReceivedBootcode().empty(), !fits);
            Serial().Close();
        }
    }
}

TEST_F(CBootstrapTest, ARadioThatIsNotInBootstrapModeIsNotDetected) {
    OpenAt(kBootstrapBaud);
    // Nothing at all on the line: the pulse detection itself gives up.
    EXPECT_EQ(Download(CBootstrap::kZR5, SmallRadio::Bootcode()), GenError(3, "General Communication Error"));
    EXPECT_FALSE(RequestOfKind(RequestKind::Sync));
}

TEST_F(CBootstrapTest, WithAnAnnouncementWaitTheDownloadListensUntilTheRadioEntersBootstrapMode) {
    // The operator power-cycles the radio 20 s after the instructions were answered.
    struct Case {
        std::string name;
        LoaderAnnouncement::Kind announcement;
        unsigned waitMs;
        RaisedError raised;
    };
    const Case cases[] = {
        {"a pulse within the wait", LoaderAnnouncement::Kind::Pulse, 60000, kNothingRaised},
        {"a break within the wait", LoaderAnnouncement::Kind::Break, 60000, kNothingRaised},
        {"after the wait", LoaderAnnouncement::Kind::Pulse, 10000, GenError(3, "General Communication Error")},
        {"without a wait", LoaderAnnouncement::Kind::Pulse, 0, GenError(3, "General Communication Error")},
    };
    Radio();  // the fixture's radio, which each case replaces by one of its own
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Profile().announcement.kind = c.announcement;
        auto radio = std::make_shared<SimRadio>(Profile());
        radio->AttachTo(SharedLine());
        const std::uint64_t poweredNs = NowNs() + 20'000 * kMs;
        radio->EnterBootstrapMode(poweredNs);
        OpenAt(kBootstrapBaud);
        CBootstrap bootstrap(&Serial());
        bootstrap.SetVariant(CBootstrap::kZR5);
        bootstrap.SetAnnouncementWait(c.waitMs);

        EXPECT_EQ(RaisedBy([&] { bootstrap.SendBootcode(SmallRadio::Bootcode()); }), c.raised);
        if (c.raised == kNothingRaised) {
            EXPECT_TRUE(radio->LoaderSynced());
            EXPECT_LT(NowNs() - poweredNs, 3000 * kMs) << "the download follows the announcement";
        } else {
            EXPECT_LT(NowNs(), poweredNs) << "the wait is bounded";
        }
        Serial().Close();
        Wait(30'000 * kMs);
    }
}

TEST_F(CBootstrapTest, ABlockLeftUnansweredIsLoggedAtItsOffset) {
    Profile().faults = {ScheduledFault::Parse("block#3 silence")};
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(kBootstrapBaud);

    EXPECT_EQ(Download(CBootstrap::kZR5, SmallRadio::Bootcode()), GenError(3, "Sending bootcode failed"));
    EXPECT_TRUE(LogHas("CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_TRUE(LogHas("CBootstrap::ZR5_Send_Bootcode: Sending bootcode at address 10 failed"));
}

TEST_F(CBootstrapTest, AQ7LineFailureIsLoggedAndNamedByTheStepItHit) {
    Profile().controller = Controller::Q7;
    Radio().EnterBootstrapMode(NowNs());
    OpenAt(kBootstrapBaud, 1);  // the echo is expected, but no box returns it
    EXPECT_EQ(Download(CBootstrap::kQ7, SmallRadio::Bootcode()), GenError(3, "Write sync character failed"));
    EXPECT_TRUE(LogHas("Bootstrap::Q7_Send_Bootcode: Write sync character failed"));

    Line().SetEchoBox(true);
    Line().InjectBreak(NowNs() + 6 * kMs, NowNs() + 1000 * kMs);  // after the sync, under the first piece
    EXPECT_EQ(Download(CBootstrap::kQ7, SmallRadio::Bootcode()), GenError(3, "Sending bootcode failed"));
    EXPECT_TRUE(LogHas("Bootstrap::Q7_Send_Bootcode: Sending bootcode at address 0 failed"));
}

}  // namespace
