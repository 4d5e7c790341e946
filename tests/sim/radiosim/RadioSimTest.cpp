#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <thread>
#include <vector>

#include "RaisedError.h"
#include "ScopedPlatform.h"
#include "SimRadioTest.h"
#include "TempDir.h"
#include "engine/CBootstrap.h"
#include "errors/CwFileLog.h"
#include "kwip/CKwipBroker.h"
#include "platform/CPosixPlatform.h"
#include "radio/BootstrapLoader.h"
#include "radio/RadioProfileReader.h"
#include "radiosim/RadioSim.h"
#include "radiosim/RadioStateFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// radiosim on a thread of its own, and the program on the machine's own port and clock opening its
// terminal as COM kPort. The error log's file goes to a temporary folder.
class RadioSimTest : public ::testing::Test {
protected:
    static constexpr unsigned kPort = 40;
    static constexpr unsigned kGenerousMs = 2000;
    // The program opens the port at the bootstrap rate and asks the operator for bootstrap mode; radiosim
    // sees the rate within a few of its passes.
    static constexpr std::chrono::milliseconds kOperatorsPrompt{50};

    RadioSimTest() { CwFileLog::SetDirectory(logFolder_.Path()); }
    ~RadioSimTest() override {
        StopSim();
        CwFileLog::SetDirectory({});
    }

    void StartSim(RadioProfile profile, RadioSim::Options options) {
        sim_ = std::make_unique<RadioSim>(std::move(profile), std::move(options), out_);
        platform_->ComPorts().SetOverride(kPort, sim_->SlavePath());
        thread_ = std::thread([this] { sim_->Run(); });
    }

    void StopSim() {
        if (!thread_.joinable())
            return;
        sim_->Stop();
        thread_.join();
    }

    // The broker's time-outs are generous: the machine may be busy, and these tests are about what
    // radiosim answers, not how fast.
    std::unique_ptr<CKwipBroker> OpenBroker(std::uint8_t echo = 0) {
        auto broker = std::make_unique<CKwipBroker>();
        broker->Comm().AckTimeoutMs = kGenerousMs;
        broker->Comm().ReplyTimeoutMs = kGenerousMs;
        broker->Comm().Open(kPort, echo);
        broker->PortOpen = true;
        return broker;
    }

    // The program opens the port at the bootstrap rate and the operator is asked for bootstrap mode;
    // nothing when the port cannot be had or opened.
    CSerial* OpenForBootstrap(std::uint8_t echo = 0) {
        CSerial* port = platform_->GetSerial();
        if (port == nullptr)
            return nullptr;
        port->SetEcho(echo);
        port->SetParams(2400, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        if (RaisedBy([&] { port->Open(kPort); }) != kNothingRaised)
            return nullptr;
        std::this_thread::sleep_for(kOperatorsPrompt);
        return port;
    }

    // Waits until the running radio satisfies `reached`; the bound only fails a test that would hang.
    bool RadioReaches(const std::function<bool(const SimRadio&)>& reached) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            bool now = false;
            sim_->Inspect([&](const SimRadio& radio) { now = reached(radio); });
            if (now || std::chrono::steady_clock::now() > giveUp)
                return now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Whether the radio's loader pulses, as DetectPulse sees it.
    static bool Pulses(CSerial* port) {
        bool pulsed = false;
        EXPECT_EQ(RaisedBy([&] { pulsed = port->DetectPulse(kGenerousMs); }), kNothingRaised);
        return pulsed;
    }

    TempDir logFolder_;
    std::unique_ptr<CPosixPlatform> owned_ = std::make_unique<CPosixPlatform>();
    CPosixPlatform* platform_ = owned_.get();
    ScopedPlatform realTime_{std::move(owned_)};
    std::ostringstream out_;
    std::unique_ptr<RadioSim> sim_;
    std::thread thread_;
};

TEST_F(RadioSimTest, AnswersABrokerOnItsTerminal) {
    RadioSim::Options options;
    options.verbose = true;
    StartSim(SmallRadio::Profile(), options);
    auto broker = OpenBroker();
    std::array<char, 17> identity{};
    ASSERT_EQ(RaisedBy([&] { broker->RadioStatusRequest(15, identity); }), kNothingRaised);
    EXPECT_EQ(Bytes(identity.begin(), identity.begin() + 16), SmallRadio::kIdentity);
    std::array<std::uint8_t, 10> codeplug{};
    ASSERT_EQ(RaisedBy([&] { broker->ReadRequest(0x2C5, codeplug); }), kNothingRaised);
    EXPECT_EQ(codeplug[9], SmallRadio::CodeplugByte(0x2C5 + 9));
    EXPECT_EQ(RaisedBy([&] { broker->WriteRequest(0x300, Bytes{0xAA, 0xBB}); }), kNothingRaised);
    EXPECT_EQ(RaisedBy([&] { broker->ResetRequest(); }), kNothingRaised);
    broker.reset();
    StopSim();

    EXPECT_EQ(sim_->Radio().Codeplug()[0x301], 0xBB);
    std::vector<RequestKind> kinds;
    for (const RadioRequest& request : sim_->Radio().Requests()) {
        if (kinds.empty() || kinds.back() != request.kind)
            kinds.push_back(request.kind);  // a retry once
    }
    EXPECT_EQ(kinds, (std::vector<RequestKind>{RequestKind::RadioStatus, RequestKind::Read,
                                               RequestKind::Write, RequestKind::Reset}));
    EXPECT_NE(out_.str().find("read 0002C5 10 bytes: done"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("state: restarting"), std::string::npos) << out_.str();
}

TEST_F(RadioSimTest, WithTheEchoBoxEveryByteTheProgramSendsComesBack) {
    RadioSim::Options options;
    options.echo = true;
    StartSim(SmallRadio::Profile(), options);
    auto echoed = OpenBroker(1);
    std::array<char, 16> model{};
    EXPECT_EQ(RaisedBy([&] { EXPECT_EQ(echoed->RadioStatusRequest(0, model), "TESTRADIO T1"); }),
              kNothingRaised);
}

// The bootstrap download as the engine does it, on the terminal: radiosim enters bootstrap mode when
// the port is opened at the bootstrap rate and stays there through DetectPulse's change to 300 baud and
// back, its pulse reaches the program in the 300-baud window (a terminal carries no break), and the
// bootcode's first character reaches the program however late it changes to the flash rate, and the
// bootcode then speaks KWIP at that rate.
TEST_F(RadioSimTest, FollowsTheProgramsRatesThroughABootstrapDownload) {
    RadioSim::Options options;
    options.autoBootstrap = true;
    StartSim(SmallRadio::Profile(), options);
    CSerial* port = OpenForBootstrap();
    ASSERT_NE(port, nullptr);
    CBootstrap engine(port);
    ASSERT_EQ(RaisedBy([&] { engine.ZR5_Send_Bootcode(SmallRadio::Bootcode()); }), kNothingRaised);
    Bytes hello(1);
    EXPECT_EQ(RaisedBy([&] {
                  port->SetBaud(115200);
                  port->Read(hello, kGenerousMs);
              }),
              kNothingRaised);
    platform_->ReleaseSerial();

    auto broker = OpenBroker();
    std::array<char, 8> variant{};
    EXPECT_EQ(RaisedBy([&] {
                  port->SetBaud(115200);
                  broker->RadioStatusRequest(4, variant);
              }),
              kNothingRaised);
    EXPECT_EQ(std::string(variant.data()), "Z5");
    broker.reset();
    StopSim();
    EXPECT_EQ(sim_->Radio().State(), RadioState::Bootcode);
}

// A flashing that fails leaves the radio in its bootcode; the retry asks the operator for bootstrap mode
// again and opens the port at the bootstrap rate, which --bootstrap auto plays as that power cycle.
TEST_F(RadioSimTest, AutoBootstrapTakesARadioInItsBootcodeBackToTheLoader) {
    RadioSim::Options options;
    options.autoBootstrap = true;
    StartSim(SmallRadio::Profile(), options);
    CSerial* port = OpenForBootstrap();
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(RaisedBy([&] { CBootstrap(port).ZR5_Send_Bootcode(SmallRadio::Bootcode()); }), kNothingRaised);
    Bytes hello(1);
    ASSERT_EQ(RaisedBy([&] {
                  port->SetBaud(115200);
                  port->Read(hello, kGenerousMs);
              }),
              kNothingRaised);
    platform_->ReleaseSerial();

    port = OpenForBootstrap();
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(Pulses(port));
    platform_->ReleaseSerial();
    StopSim();
    EXPECT_EQ(sim_->Radio().State(), RadioState::Loader);
}

// A client that sends every block at once, never reading the loader's answers, overruns the loader on
// the terminal as it does in process: the second block arrives while the first one's answer still
// goes out, and the bootcode never runs.
TEST_F(RadioSimTest, AClientThatNeverReadsTheLoadersAnswersOverrunsIt) {
    constexpr std::uint8_t kSyncAt2400 = 0xFD;
    RadioSim::Options options;
    options.autoBootstrap = true;
    StartSim(SmallRadio::Profile(), options);
    CSerial* port = OpenForBootstrap();
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(Pulses(port));
    std::uint8_t syncAnswer = 0;
    ASSERT_EQ(RaisedBy([&] {
                  port->PurgeInput();
                  port->Write(Bytes{kSyncAt2400}, kGenerousMs);
                  port->Read(std::span(&syncAnswer, 1), kGenerousMs);
              }),
              kNothingRaised);
    ASSERT_EQ(syncAnswer, BootstrapLoader::kSyncAnswer);

    Bytes blocks = SmallRadio::Bootcode();
    blocks.resize((blocks.size() + 7) / 8 * 8, 0);
    ASSERT_EQ(RaisedBy([&] { port->Write(blocks, kGenerousMs); }), kNothingRaised);
    // The loader is overrun, or takes the whole bootcode.
    EXPECT_TRUE(RadioReaches([](const SimRadio& radio) {
        const std::vector<RadioRequest>& requests = radio.Requests();
        return std::any_of(requests.begin(), requests.end(), [](const RadioRequest& request) {
            return request.outcome == RequestOutcome::Overrun || request.kind == RequestKind::Bootcode;
        });
    }));
    platform_->ReleaseSerial();
    StopSim();

    EXPECT_NE(sim_->Radio().State(), RadioState::Bootcode);
    const std::vector<RadioRequest>& requests = sim_->Radio().Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const RadioRequest& request) {
        return request.outcome == RequestOutcome::Overrun;
    }));
}

// The state file is the radio's memory: a change is in it before the program hears that it was made,
// and a new radiosim on the file is the same radio.
TEST_F(RadioSimTest, KeepsTheRadiosMemoryInItsStateFile) {
    RadioSim::Options options;
    options.state = logFolder_.Path() / "radio.state";
    StartSim(SmallRadio::Profile(), options);
    auto broker = OpenBroker();
    ASSERT_EQ(RaisedBy([&] { broker->WriteRequest(0x300, Bytes{0xAA, 0xBB}); }), kNothingRaised);
    const std::optional<RadioMemory::Saved> saved = RadioStateFile(options.state).Read();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->codeplug[0x301], 0xBB);
    broker.reset();
    StopSim();

    StartSim(SmallRadio::Profile(), options);
    broker = OpenBroker();
    std::array<std::uint8_t, 2> codeplug{};
    EXPECT_EQ(RaisedBy([&] { broker->ReadRequest(0x300, codeplug); }), kNothingRaised);
    EXPECT_EQ(codeplug, (std::array<std::uint8_t, 2>{0xAA, 0xBB}));
}

// A radio left half flashed starts dead; the operator's bootstrap mode, which --bootstrap auto plays when
// the program opens the port at the bootstrap rate, still reaches it: its loader pulses.
TEST_F(RadioSimTest, AutoBootstrapPutsADeadRadioIntoBootstrapMode) {
    RadioMemory::Saved halfFlashed = SimRadio(SmallRadio::Profile()).Memory().Save();
    std::fill(halfFlashed.flash.begin(), halfFlashed.flash.end(), 0xFF);
    std::fill(halfFlashed.flashWritten.begin(), halfFlashed.flashWritten.end(), false);
    halfFlashed.reprogrammed = true;
    RadioSim::Options options;
    options.autoBootstrap = true;
    options.verbose = true;
    options.state = logFolder_.Path() / "radio.state";
    RadioStateFile(options.state).Write(halfFlashed);
    StartSim(SmallRadio::Profile(), options);
    EXPECT_NE(out_.str().find("state: dead"), std::string::npos) << out_.str();

    CSerial* port = OpenForBootstrap();
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(Pulses(port));
    platform_->ReleaseSerial();
    StopSim();
    EXPECT_EQ(sim_->Radio().State(), RadioState::Loader);
}

// An upgrade's bootstrap steps against each demo radio on the terminal: the program opens the port at
// the bootstrap rate, the engine downloads a bootcode for 19 200 Bd, and the bootcode answers KWIP at
// that rate; once directly and once through the echo box. The radio knows the small bootcode in place of
// the kit's, which takes half a minute at 2400 baud.
struct DemoRadio {
    const char* profile;
    bool echo;
};

class RadioSimDemoTest : public RadioSimTest, public ::testing::WithParamInterface<DemoRadio> {};

TEST_P(RadioSimDemoTest, TakesTheKitsBootcodeAndSpeaksKwipAtTheFlashRate) {
    constexpr unsigned kFlashBaud = 19200;
    RadioProfile profile = RadioProfileReader({CORVIDA_DEMO_KIT_PLAIN})
                               .Read(std::filesystem::path(CORVIDA_DEMO_RADIOS) / GetParam().profile);
    const std::vector<std::uint8_t> bootcode = SmallRadio::Bootcode();
    profile.bootcodes = {{bootcode, kFlashBaud}};
    RadioSim::Options options;
    options.autoBootstrap = true;
    options.echo = GetParam().echo;
    options.verbose = true;
    StartSim(profile, options);
    CSerial* port = OpenForBootstrap(GetParam().echo ? 1 : 0);
    ASSERT_NE(port, nullptr);
    CBootstrap engine(port);
    ASSERT_EQ(RaisedBy([&] { engine.ZR5_Send_Bootcode(bootcode); }), kNothingRaised) << out_.str();
    Bytes hello(1);
    EXPECT_EQ(RaisedBy([&] {
                  port->SetBaud(kFlashBaud);
                  port->Read(hello, kGenerousMs);
              }),
              kNothingRaised);
    platform_->ReleaseSerial();

    auto broker = OpenBroker(GetParam().echo ? 1 : 0);
    std::array<char, 17> identity{};
    EXPECT_EQ(RaisedBy([&] {
                  port->SetBaud(kFlashBaud);
                  broker->RadioStatusRequest(15, identity);
              }),
              kNothingRaised);
    broker.reset();
    StopSim();
    EXPECT_EQ(sim_->Radio().State(), RadioState::Bootcode);
    EXPECT_TRUE(std::equal(bootcode.begin(), bootcode.end(), sim_->Radio().ReceivedBootcode().begin()));
}

INSTANTIATE_TEST_SUITE_P(DemoKit, RadioSimDemoTest,
                         ::testing::Values(DemoRadio{"kx400.radio", false}, DemoRadio{"kx600.radio", true}),
                         [](const auto& info) {
                             return std::string(info.param.echo ? "Echo" : "Direct") +
                                    (info.index == 0 ? "Kx400" : "Kx600");
                         });

}  // namespace
