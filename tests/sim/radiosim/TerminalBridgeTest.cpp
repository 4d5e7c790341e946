#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "SimLine.h"
#include "SimUart.h"
#include "SmallRadio.h"
#include "TempDir.h"
#include "VirtualClock.h"
#include "errors/CwFileLog.h"
#include "platform/SteadyClock.h"
#include "platform/TermiosDevice.h"
#include "radio/BootstrapLoader.h"
#include "radio/SimRadio.h"
#include "radiosim/TerminalBridge.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kMs = 1'000'000;

// The bridge between a SmallRadio in bootstrap mode and a client on the terminal's slave end at 2400
// baud, passed on the machine's time that the test tells it: a pass every kPassNs, as on an idle
// machine, and none at all while the test keeps the machine busy. Only the terminal carries the bytes
// in real time; the test waits for them there, with a bound that only fails a test that would hang.
class TerminalBridgeTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t kPassNs = 1 * kMs;
    static constexpr std::uint8_t kSyncAt2400 = 0xFD;
    static constexpr std::uint64_t kGenerousNs = 5'000 * kMs;

    TerminalBridgeTest() { CwFileLog::SetDirectory(logFolder_.Path()); }
    ~TerminalBridgeTest() override { CwFileLog::SetDirectory({}); }

    void SetUp() override {
        std::optional<TermiosDevice::PseudoTerminal> terminal = TermiosDevice::OpenPseudoTerminal();
        ASSERT_TRUE(terminal);
        client_ = TermiosDevice::Open(terminal->slavePath);
        ASSERT_TRUE(client_);
        ASSERT_TRUE(client_->MakeRaw());
        ASSERT_TRUE(client_->SetLine({2400, 8, Parity::None, StopBits::One}));
        radio_->AttachTo(line_);
        bridge_.emplace(std::move(terminal->master), line_, clock_);
    }

    void Passes(std::uint64_t forNs) {
        for (const std::uint64_t untilNs = nowNs_ + forNs; nowNs_ < untilNs;)
            Pass();
    }

    void Pass() { PassAt(nowNs_ + kPassNs); }

    // Passes kPassNs apart, the last one at atNs.
    void PassesUntil(std::uint64_t atNs) {
        while (nowNs_ + kPassNs < atNs)
            Pass();
        PassAt(atNs);
    }

    void PassAt(std::uint64_t atNs) {
        nowNs_ = atNs;
        bridge_->Pass(nowNs_);
        bridge_->DeliverToProgram();
    }

    // The machine makes no pass for this long.
    void Busy(std::uint64_t forNs) { nowNs_ += forNs; }

    // The client writes, and the next pass takes the bytes from the terminal.
    void Write(const Bytes& bytes) {
        for (const std::uint8_t byte : bytes)
            ASSERT_TRUE(client_->TransmitChar(byte));
        bridge_->AwaitProgram(std::chrono::nanoseconds(kGenerousNs));
        Pass();
    }

    // What the passes so far delivered to the client; fewer bytes than asked for when they did not.
    Bytes ClientReads(std::size_t count) {
        SteadyClock machine;
        client_->WaitForInput(count - 1, machine.Now() + kGenerousNs, machine);
        Bytes bytes(std::min(count, client_->InputCount()));
        client_->Read(bytes);
        return bytes;
    }

    // The pulse at the start of bootstrap mode lasts 10 ms; the sync goes after it.
    void Synchronise() {
        radio_->EnterBootstrapMode(nowNs_);
        Passes(20 * kMs);
        Write({kSyncAt2400});
        Passes(20 * kMs);
        ASSERT_EQ(ClientReads(1), Bytes{BootstrapLoader::kSyncAnswer});
    }

    static std::vector<Bytes> Blocks() {
        Bytes bootcode = SmallRadio::Bootcode();
        bootcode.resize((bootcode.size() + 7) / 8 * 8, 0);
        std::vector<Bytes> blocks;
        for (auto at = bootcode.begin(); at != bootcode.end(); at += 8)
            blocks.emplace_back(at, at + 8);
        return blocks;
    }

    bool Logged(RequestOutcome outcome) const {
        const std::vector<RadioRequest>& requests = radio_->Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [outcome](const RadioRequest& request) { return request.outcome == outcome; });
    }

    TempDir logFolder_;
    std::shared_ptr<VirtualClock> clock_ = std::make_shared<VirtualClock>(0, 0);
    std::shared_ptr<SimLine> line_ = std::make_shared<SimLine>(clock_);
    std::shared_ptr<SimRadio> radio_ = std::make_shared<SimRadio>(SmallRadio::Profile());
    std::unique_ptr<TermiosDevice> client_;
    std::optional<TerminalBridge> bridge_;
    std::uint64_t nowNs_ = 0;
};

// At 2400 baud a block takes 33 ms and its answer 67 ms more. A client that writes the second block
// 50 ms after the first, without reading the answer, overruns the loader as on a wire, even when the
// pass that finds the first block comes late and the line's clock has fallen behind: the block goes on
// the line when it was written, not at the clock's earlier time, from where its answer would be over
// before the second block came.
TEST_F(TerminalBridgeTest, ABlockWrittenWhileTheLoaderStillAnswersOverrunsItAfterALatePass) {
    Synchronise();
    const std::vector<Bytes> blocks = Blocks();
    Busy(60 * kMs);
    Write(blocks[0]);
    Passes(49 * kMs);
    Write(blocks[1]);
    Passes(150 * kMs);
    Write(blocks[2]);
    Passes(500 * kMs);

    EXPECT_TRUE(Logged(RequestOutcome::Overrun));
    EXPECT_NE(radio_->State(), RadioState::Bootcode);
}

// Late passes only ever delay what the program wrote: a client that reads each answer before its next
// block loads the bootcode however late the passes that find its blocks come.
TEST_F(TerminalBridgeTest, AClientThatReadsEachAnswerLoadsTheBootcodeThroughLatePasses) {
    Synchronise();
    for (const Bytes& block : Blocks()) {
        Busy(60 * kMs);
        Write(block);
        Passes(110 * kMs);
        Bytes answer = block;
        for (const std::uint8_t byte : block)
            answer.push_back(static_cast<std::uint8_t>(byte ^ BootstrapLoader::kCheckMask));
        ASSERT_EQ(ClientReads(answer.size()), answer);
    }
    Passes(100 * kMs);

    EXPECT_FALSE(Logged(RequestOutcome::Overrun));
    EXPECT_EQ(radio_->State(), RadioState::Bootcode);
}

// Between passes radiosim sleeps until the next one has work. The bytes of a block need no pass of
// their own: the next is due when the loader has heard the last of them and may answer, then when each
// character of its answer reaches the program.
TEST_F(TerminalBridgeTest, TheNextPassIsDueWhenTheRadioMayAnswerAndWhenItsAnswerArrives) {
    constexpr std::uint64_t kRoundingNs = 1000;
    const std::uint64_t characterNs = SimUart::FrameNs({2400, 8, Parity::None, StopBits::One});
    Synchronise();
    Write(Blocks()[0]);
    const std::uint64_t heardNs = nowNs_ + 8 * characterNs;
    EXPECT_NEAR(bridge_->NextPassNs(), heardNs, kRoundingNs);

    PassesUntil(bridge_->NextPassNs());
    const std::uint64_t firstAnswerNs = heardNs + SmallRadio::Profile().latencies.loaderAnswerNs + characterNs;
    EXPECT_NEAR(bridge_->NextPassNs(), firstAnswerNs, kRoundingNs);
    PassesUntil(bridge_->NextPassNs());
    EXPECT_NEAR(bridge_->NextPassNs(), firstAnswerNs + characterNs, kRoundingNs);
}

// A late pass moves the line's clock kMaxPassNs at most: the next pass is due at once, until the clock
// has made up the machine's time.
TEST_F(TerminalBridgeTest, AfterALatePassTheNextIsDueAtOnce) {
    Pass();
    Busy(3 * TerminalBridge::kMaxPassNs);
    Pass();
    EXPECT_LT(clock_->Peek(), nowNs_);
    EXPECT_LE(bridge_->NextPassNs(), clock_->Peek());
    for (int pass = 0; pass < 3; ++pass)
        PassAt(nowNs_);
    EXPECT_EQ(clock_->Peek(), nowNs_);
    EXPECT_GT(bridge_->NextPassNs(), nowNs_);
}

// A radio that runs its firmware with nothing to answer gives a pass nothing to do.
TEST_F(TerminalBridgeTest, AnIdleRadioNeedsNoPass) {
    Pass();
    EXPECT_EQ(bridge_->NextPassNs(), TerminalBridge::kNever);
}

}  // namespace
