#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedPeer.h"
#include "SimLine.h"
#include "SimSerialTest.h"
#include "platform/CSerial.h"

namespace {

const LineSettings k9600{9600, 8, Parity::None, StopBits::One};
constexpr std::uint64_t k9600FrameNs = 1'041'667;

// A line on its own clock with the program end open and a scripted peer.
class SimLineTest : public ::testing::Test {
protected:
    void RunTo(std::uint64_t ns) { clock_->Advance(ns - clock_->Peek()); }

    std::vector<std::uint8_t> ReadAll() {
        std::vector<std::uint8_t> bytes(end_->InputCount());
        EXPECT_TRUE(end_->Read(bytes));
        return bytes;
    }

    std::shared_ptr<VirtualClock> clock_ = std::make_shared<VirtualClock>();
    std::shared_ptr<SimLine> line_ = std::make_shared<SimLine>(clock_);
    std::shared_ptr<ScriptedPeer> peer_ = std::make_shared<ScriptedPeer>();
    std::unique_ptr<CommDevice> end_ = line_->OpenProgramEnd();

    void SetUp() override {
        line_->AttachPeer(peer_);
        ASSERT_NE(end_, nullptr);
    }
};

TEST_F(SimLineTest, ACharacterHoldsTheTransmitterForItsFrameAndReachesThePeerAtItsEnd) {
    struct Case {
        LineSettings line;
        std::uint64_t frameNs;
    };
    const Case cases[] = {
        {k9600, k9600FrameNs},
        {{115200, 8, Parity::None, StopBits::One}, 86'806},
        {{19200, 8, Parity::Odd, StopBits::One}, 572'917},           // 11 bits
        {{300, 7, Parity::Even, StopBits::Two}, 36'666'667},         // 11 bits
        {{2400, 5, Parity::None, StopBits::OneAndHalf}, 3'125'000},  // 7.5 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.baud);
        ASSERT_TRUE(end_->SetLine(c.line));
        line_->SetPeerLine(c.line);
        const std::uint64_t start = clock_->Peek();
        const std::size_t before = peer_->Received().size();
        ASSERT_TRUE(end_->TransmitChar(0x15));
        RunTo(start + c.frameNs - 1);
        EXPECT_FALSE(end_->TransmitChar(0x16));
        EXPECT_EQ(end_->ClearErrors().outputQueued, 1u);
        RunTo(start + c.frameNs);
        EXPECT_TRUE(end_->TransmitChar(0x16));
        ASSERT_EQ(peer_->Received().size(), before + 1);
        EXPECT_EQ(peer_->Received().back(), (SimCharacter{0x15, start + c.frameNs, 0}));
        RunTo(clock_->Peek() + c.frameNs);
    }
}

TEST_F(SimLineTest, PeerCharactersWaitAtTheProgramFromTheEndOfTheirFrames) {
    const std::vector<std::uint8_t> sent = {0x41, 0xFF};
    EXPECT_EQ(line_->PeerSend(sent, 1 * kMs), 1 * kMs + 2 * k9600FrameNs);
    RunTo(1 * kMs + k9600FrameNs - 1);
    EXPECT_EQ(end_->InputCount(), 0u);
    RunTo(1 * kMs + k9600FrameNs);
    EXPECT_EQ(end_->InputCount(), 1u);
    RunTo(1 * kMs + 2 * k9600FrameNs);
    EXPECT_EQ(ReadAll(), sent);
    EXPECT_EQ(end_->ClearErrors().errors, 0u);
}

// The wait moves the clock to the line's next event, or to the deadline when none comes before it; the
// caller counts again after each step.
TEST_F(SimLineTest, AWaitForInputJumpsToTheNextEventOrTheDeadline) {
    const std::uint64_t deadline = 50 * kMs;
    line_->WakePeerAt(2 * kMs);
    const std::vector<std::uint8_t> sent = {0x41, 0x42};
    line_->PeerSend(sent, 10 * kMs);

    end_->WaitForInput(0, deadline, *clock_);
    EXPECT_EQ(clock_->Peek(), 2 * kMs) << "the peer's wake-up";
    EXPECT_EQ(end_->InputCount(), 0u);
    end_->WaitForInput(0, deadline, *clock_);
    EXPECT_EQ(clock_->Peek(), 10 * kMs + k9600FrameNs);
    EXPECT_EQ(end_->InputCount(), 1u);
    end_->WaitForInput(1, deadline, *clock_);
    EXPECT_EQ(clock_->Peek(), 10 * kMs + 2 * k9600FrameNs);

    end_->WaitForInput(1, deadline, *clock_);
    EXPECT_EQ(clock_->Peek(), 10 * kMs + 2 * k9600FrameNs) << "more than one waits already";
    end_->WaitForInput(2, deadline, *clock_);
    EXPECT_EQ(clock_->Peek(), deadline);
    EXPECT_EQ(ReadAll(), sent);
}

TEST_F(SimLineTest, EndsThatDisagreeOnTheRateGarbleAlikeEveryTime) {
    const std::string text = "Hello, radio";
    const std::vector<std::uint8_t> sent(text.begin(), text.end());
    const auto receiveAt = [&](unsigned programBaud) {
        auto clock = std::make_shared<VirtualClock>();
        auto line = std::make_shared<SimLine>(clock);
        auto end = line->OpenProgramEnd();
        end->SetLine({programBaud, 8, Parity::None, StopBits::One});
        line->PeerSend(sent, 0);
        clock->Advance(100 * kMs);
        std::vector<std::uint8_t> received(end->InputCount());
        end->Read(received);
        return std::make_pair(received, end->ClearErrors().errors);
    };
    EXPECT_EQ(receiveAt(9600), std::make_pair(sent, 0u));
    // A faster receiver finds stop bits low; a slower one runs frames together and reads fewer.
    for (const unsigned baud : {19200u, 4800u, 2400u}) {
        SCOPED_TRACE(baud);
        const auto [garbled, errors] = receiveAt(baud);
        EXPECT_NE(garbled, sent);
        EXPECT_EQ((errors & CSerial::kFramingError) != 0, baud > 9600);
        EXPECT_EQ(baud < 9600, garbled.size() < sent.size());
        EXPECT_EQ(receiveAt(baud), std::make_pair(garbled, errors));
    }
}

TEST_F(SimLineTest, TheProgramHearsTheRadioWhenBothMoveToAFlashRate) {
    const LineSettings fast{115200, 8, Parity::None, StopBits::One};
    ASSERT_TRUE(end_->SetLine(fast));
    line_->SetPeerLine(fast);
    const std::vector<std::uint8_t> sent = {0x00, 0x55, 0xAA, 0xFF};
    RunTo(line_->PeerSend(sent, clock_->Peek()));
    EXPECT_EQ(ReadAll(), sent);
}

TEST_F(SimLineTest, ABreakIsOneEventReportedOnceItHasLastedACharacter) {
    line_->InjectBreak(10 * kMs, 50 * kMs);
    line_->InjectBreak(60 * kMs, 70 * kMs);
    const std::pair<std::uint64_t, bool> queries[] = {
        {5 * kMs, false},  {10 * kMs + k9600FrameNs - 1, false}, {10 * kMs + k9600FrameNs, true},
        {30 * kMs, false}, {55 * kMs, false},                     {65 * kMs, true},
        {80 * kMs, false}};
    for (const auto& [atNs, reported] : queries) {
        RunTo(atNs);
        EXPECT_EQ(end_->ClearErrors().errors == CSerial::kBreak, reported) << atNs << " ns";
    }
    EXPECT_EQ(end_->InputCount(), 0u);
}

TEST_F(SimLineTest, ABreakQueriedOnlyAfterItEndedIsReportedOnce) {
    line_->InjectBreak(10 * kMs, 50 * kMs);
    RunTo(60 * kMs);
    EXPECT_EQ(end_->ClearErrors().errors, CSerial::kBreak);
    EXPECT_EQ(end_->ClearErrors().errors, 0u);
}

TEST_F(SimLineTest, ALowPulseReadsAsTheCharacterItsLengthSpellsAt300Baud) {
    ASSERT_TRUE(end_->SetLine({300, 8, Parity::None, StopBits::One}));
    for (const std::uint8_t spelled : {0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0x80}) {
        SCOPED_TRACE(static_cast<int>(spelled));
        const std::uint64_t at = clock_->Peek() + 5 * kMs;
        line_->InjectPulse(at, SimUart::PulseNs(spelled, 300));
        RunTo(at + 40 * kMs);
        EXPECT_EQ(ReadAll(), std::vector<std::uint8_t>{spelled});
        EXPECT_EQ(end_->ClearErrors().errors, 0u);
    }
}

TEST_F(SimLineTest, ThePulseIsABreakToAReceiverAt9600) {
    line_->InjectPulse(5 * kMs, SimUart::PulseNs(0xF8, 300));
    RunTo(40 * kMs);
    EXPECT_EQ(end_->InputCount(), 0u);
    EXPECT_EQ(end_->ClearErrors().errors, CSerial::kBreak);
}

TEST_F(SimLineTest, TheEchoBoxReturnsWhatTheProgramSends) {
    line_->SetEchoBox(true);
    ASSERT_TRUE(end_->TransmitChar(0x5A));
    RunTo(k9600FrameNs);
    EXPECT_EQ(ReadAll(), std::vector<std::uint8_t>{0x5A});
    EXPECT_EQ(peer_->ReceivedBytes(), std::vector<std::uint8_t>{0x5A});
}

TEST_F(SimLineTest, InjectedErrorsShowFromTheirTimeUntilQueried) {
    line_->InjectErrors(CSerial::kOverrun | CSerial::kParityError, 3 * kMs);
    RunTo(3 * kMs - 1);
    EXPECT_EQ(end_->ClearErrors().errors, 0u);
    RunTo(3 * kMs);
    EXPECT_EQ(end_->InputCount(), 0u);  // counting leaves the flags alone
    EXPECT_EQ(end_->ClearErrors().errors, CSerial::kOverrun | CSerial::kParityError);
    EXPECT_EQ(end_->ClearErrors().errors, 0u);
}

TEST_F(SimLineTest, AFullReceiveQueueDropsCharactersAndSaysSo) {
    const std::vector<std::uint8_t> flood(SimLine::kReceiveQueueBytes + 1, 0x33);
    RunTo(line_->PeerSend(flood, 0));
    EXPECT_EQ(end_->InputCount(), SimLine::kReceiveQueueBytes);
    EXPECT_EQ(end_->ClearErrors().errors, CSerial::kReceiveOverflow);
}

TEST_F(SimLineTest, PurgingDiscardsInputButNotTheCharacterOnTheWire) {
    const std::vector<std::uint8_t> sent = {1, 2, 3};
    RunTo(line_->PeerSend(sent, 0));
    ASSERT_TRUE(end_->TransmitChar(0x44));
    end_->Purge(CommDevice::kPurgeInput | CommDevice::kPurgeOutput);
    EXPECT_EQ(end_->InputCount(), 0u);
    RunTo(clock_->Peek() + k9600FrameNs);
    line_->CatchUp();
    EXPECT_EQ(peer_->ReceivedBytes(), std::vector<std::uint8_t>{0x44});
}

TEST_F(SimLineTest, OneProgramEndAtATimeAndAReopenedOneStartsEmpty) {
    EXPECT_EQ(line_->OpenProgramEnd(), nullptr);
    const std::vector<std::uint8_t> sent = {9};
    RunTo(line_->PeerSend(sent, 0));
    EXPECT_EQ(end_->InputCount(), 1u);
    end_.reset();
    end_ = line_->OpenProgramEnd();
    ASSERT_NE(end_, nullptr);
    EXPECT_EQ(end_->InputCount(), 0u);
}

TEST_F(SimLineTest, RefusedAndUnsupportedSettingsLeaveTheLineAsItWas) {
    EXPECT_FALSE(end_->SetLine({9600, 8, Parity::None, StopBits::OneAndHalf}));
    EXPECT_FALSE(end_->SetLine({0, 8, Parity::None, StopBits::One}));
    line_->RefuseLineChanges(true);
    EXPECT_FALSE(end_->SetLine({2400, 8, Parity::None, StopBits::One}));
    EXPECT_EQ(line_->ProgramLine(), k9600);
    line_->FailLineQueries(true);
    EXPECT_EQ(end_->GetLine(), std::nullopt);
}

TEST_F(SimLineTest, AScriptedPeerAnswersAfterItsDelayAndFallsSilentAtADeviation) {
    peer_->Answer({0x01, 0x02}, {0x06}, 2 * kMs).Answer({0x03}, {0x07});
    ASSERT_TRUE(end_->TransmitChar(0x01));
    RunTo(k9600FrameNs);
    ASSERT_TRUE(end_->TransmitChar(0x02));
    const std::uint64_t answerAt = 2 * k9600FrameNs + 2 * kMs + k9600FrameNs;
    RunTo(answerAt - 1);
    EXPECT_EQ(end_->InputCount(), 0u);
    RunTo(answerAt);
    EXPECT_EQ(ReadAll(), std::vector<std::uint8_t>{0x06});

    ASSERT_TRUE(end_->TransmitChar(0x04));
    RunTo(clock_->Peek() + 10 * kMs);
    EXPECT_EQ(end_->InputCount(), 0u);
    EXPECT_EQ(peer_->Deviation(), "step 2 byte 0: expected 03, received 04");
    EXPECT_FALSE(peer_->Finished());
}

// A peer that answers a wake-up: the radio's own timing, independent of what it receives.
class WakingPeer : public SimPeer {
public:
    void OnCharacter(SimLine&, const SimCharacter&) override {}
    void OnWake(SimLine& line, std::uint64_t nowNs) override {
        wokenAt = nowNs;
        EXPECT_EQ(line.PeerNowNs(), nowNs);
        const std::array<std::uint8_t, 1> hello = {0x48};
        line.PeerSend(hello, 0);  // never before the wake-up
    }
    std::uint64_t wokenAt = 0;
};

TEST_F(SimLineTest, APeerIsWokenAtTheTimeItAskedFor) {
    auto peer = std::make_shared<WakingPeer>();
    line_->AttachPeer(peer);
    line_->WakePeerAt(7 * kMs);
    RunTo(7 * kMs + k9600FrameNs);
    line_->CatchUp();
    EXPECT_EQ(peer->wokenAt, 7 * kMs);
    EXPECT_EQ(ReadAll(), std::vector<std::uint8_t>{0x48});
}

}  // namespace
