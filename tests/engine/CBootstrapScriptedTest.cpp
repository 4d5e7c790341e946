#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RaisedError.h"
#include "SimLine.h"
#include "SimSerialTest.h"
#include "engine/CBootstrap.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kBootstrapBaud = 2400;
constexpr std::uint8_t kSync = 0xFD;
constexpr std::uint8_t kPulseReads = 0xF8;
constexpr unsigned kPulseBaud = 300;
// Later than the first look for a break, so that the pulse is what finds the loader.
constexpr std::uint64_t kPulseDelayNs = 150 * kMs;
constexpr std::uint64_t kAnswerDelayNs = 500 * kUs;
constexpr std::uint64_t kSyncReadTimeoutNs = 100 * kMs;

// A ZR5 loader whose sync answers the test writes (nothing for silence): it pulses once at the start
// and again after every sync it has not taken, as a loader goes on announcing itself, and answers each
// block with the block and its complement. Behind an echo box the PC sees the sync character come back
// before the answer, and of each block the 16 bytes of the answer, the first 8 being the box's echo.
class ScriptedZr5Loader : public SimPeer {
public:
    ScriptedZr5Loader(std::deque<std::optional<std::uint8_t>> syncAnswers, bool echoBox)
        : syncAnswers_(std::move(syncAnswers)), echoBox_(echoBox) {}

    void Start(SimLine& line) {
        line.SetPeerLine({kBootstrapBaud, 8, Parity::None, StopBits::One});
        Pulse(line, line.PeerNowNs() + kPulseDelayNs);
    }
    // The answer to block number `block` (from 0) comes back with its byte `byte` changed.
    void GarbleBlock(std::size_t block, std::size_t byte) { garbled_ = {block, byte}; }

    void OnCharacter(SimLine& line, const SimCharacter& character) override {
        if (synced_) {
            TakeBlockByte(line, character.byte);
            return;
        }
        if (character.byte != kSync || syncAnswers_.empty())
            return;
        const std::optional<std::uint8_t> answer = syncAnswers_.front();
        syncAnswers_.pop_front();
        Bytes reply;
        if (echoBox_)
            reply.push_back(kSync);
        if (answer)
            reply.push_back(*answer);
        std::uint64_t endNs = line.PeerSend(reply, line.PeerNowNs() + kAnswerDelayNs);
        if (!answer)
            endNs += kSyncReadTimeoutNs;  // the program gives up on the answer first
        synced_ = answer == 0xFF;
        if (!synced_)
            Pulse(line, endNs + kPulseDelayNs);
    }

    const Bytes& Blocks() const { return blocks_; }

private:
    void TakeBlockByte(SimLine& line, std::uint8_t byte) {
        block_.push_back(byte);
        if (block_.size() < 8)
            return;
        Bytes answer = block_;
        for (const std::uint8_t sent : block_)
            answer.push_back(static_cast<std::uint8_t>(~sent));
        if (garbled_ && garbled_->first == blocks_.size() / 8)
            answer[garbled_->second] ^= 0x81;
        line.PeerSend(answer, line.PeerNowNs() + kAnswerDelayNs);
        blocks_.insert(blocks_.end(), block_.begin(), block_.end());
        block_.clear();
    }

    static void Pulse(SimLine& line, std::uint64_t atNs) {
        line.InjectPulse(atNs, SimUart::PulseNs(kPulseReads, kPulseBaud));
    }

    std::deque<std::optional<std::uint8_t>> syncAnswers_;
    bool echoBox_;
    bool synced_ = false;
    std::optional<std::pair<std::size_t, std::size_t>> garbled_;
    Bytes block_;
    Bytes blocks_;
};

// The ZR5 sync exchange and its retries, against a loader whose answers the test chooses.
class CBootstrapScriptedTest : public SimSerialTest {
protected:
    void Attach(std::deque<std::optional<std::uint8_t>> syncAnswers, std::uint8_t echo = 0) {
        loader_ = std::make_shared<ScriptedZr5Loader>(std::move(syncAnswers), echo == 1);
        Line().AttachPeer(loader_);
        loader_->Start(Line());
        Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
        Serial().SetEcho(echo);
    }

    RaisedError Download(const Bytes& image) {
        CBootstrap bootstrap(&Serial());
        bootstrap.SetVariant(CBootstrap::kZR5);
        return RaisedBy([&] { bootstrap.SendBootcode(image); });
    }

    std::vector<std::string> RetryLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : LogLines()) {
            if (line.find("Retry sending sync character") != std::string::npos)
                lines.push_back(line);
        }
        return lines;
    }

    std::shared_ptr<ScriptedZr5Loader> loader_;
};

TEST_F(CBootstrapScriptedTest, TwoWrongSyncAnswersAreRetriedWithTheirNumbers) {
    const Bytes image = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    Attach({0xFE, 0xFE, 0xFF});
    EXPECT_EQ(Download(image), kNothingRaised);
    EXPECT_EQ(RetryLines(), (std::vector<std::string>{
                                "Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 1",
                                "Bootstrap::ZR5_Send_Bootcode: Retry sending sync character!! Retry 2"}));
    EXPECT_EQ(loader_->Blocks(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CBootstrapScriptedTest, AThirdWrongSyncAnswerEndsTheDownload) {
    Attach({0xFE, 0xFE, 0xFE});
    EXPECT_EQ(Download({1, 2}), GenError(3, "Read bootstrap sync character failed"));
    EXPECT_EQ(RetryLines().size(), 2u);
    EXPECT_EQ(LogLines().back(), "Bootstrap::ZR5_Send_Bootcode: Read bootstrap sync character failed");
    EXPECT_TRUE(loader_->Blocks().empty());
}

TEST_F(CBootstrapScriptedTest, AnUnansweredSyncCountsAsAFailedReadAndLogsTheLineError) {
    Attach({std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(Download({1, 2}), GenError(3, "Read bootstrap sync character failed"));
    EXPECT_TRUE(LogHas("CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_EQ(RetryLines().size(), 2u);
}

TEST_F(CBootstrapScriptedTest, ALineThatStaysInBreakAfterTheAnnouncementIsGivenUpAfterTwoSeconds) {
    Attach({0xFF});
    // Breaks one after the other from just after the pulse, each reported as a break of its own.
    const std::uint64_t fromNs = NowNs() + kPulseDelayNs + 32 * kMs;
    for (std::uint64_t atNs = fromNs; atNs < fromNs + 3000 * kMs; atNs += 6 * kMs)
        Line().InjectBreak(atNs, atNs + 5 * kMs);

    EXPECT_EQ(Download({1, 2}), GenError(3, "Could not detect radio in bootstrap mode"));
    EXPECT_TRUE(LogHas("Bootstrap::ZR5_Send_Bootcode: Could not detect radio in bootstrap mode"));
    EXPECT_LT(Seconds(), 2.5);
    EXPECT_TRUE(loader_->Blocks().empty());
}

TEST_F(CBootstrapScriptedTest, BehindTheEchoBoxTheBlocksAreReadBackOnceAndTheEchoFlagIsSetBack) {
    Attach({0xFF}, 1);
    const Bytes image = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    EXPECT_EQ(Download(image), kNothingRaised);
    EXPECT_EQ(Serial().GetEcho(), 1);
    EXPECT_EQ(loader_->Blocks().size(), 24u);
}

TEST_F(CBootstrapScriptedTest, ABlockAnswerThatDiffersInOneByteFailsVerificationAndSetsTheEchoBack) {
    Attach({0xFF}, 1);
    loader_->GarbleBlock(1, 7);
    EXPECT_EQ(Download({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}),
              GenError(3, "Bootcode verification failed"));
    EXPECT_EQ(Serial().GetEcho(), 1);
    EXPECT_EQ(loader_->Blocks().size(), 16u);
}

TEST_F(CBootstrapScriptedTest, OnlyTheFirstHalfOfABlockAnswerIsExamined) {
    Attach({0xFF});
    loader_->GarbleBlock(0, 8);
    EXPECT_EQ(Download({1, 2, 3}), kNothingRaised);
}

// A break reported by the line in every one of the six looks is a ZR5 loader; a break that ends
// before one of them, or none at all, is a Q7 loader.
TEST_F(CBootstrapScriptedTest, DetectVariantTellsTheLoadersApartByHowLongTheBreakLasts) {
    struct Case {
        int breaks;  // short breaks, one every 40 ms from the start
        BootstrapVariant variant;
    };
    const Case cases[] = {{60, CBootstrap::kZR5}, {2, CBootstrap::kQ7}, {0, CBootstrap::kQ7}};
    Line().SetPeerLine({kBootstrapBaud, 8, Parity::None, StopBits::One});
    Serial().SetParams(kBootstrapBaud, CSerial::kParityNone, CSerial::kOneStopBit, 8);
    Serial().Open(kPort);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.breaks);
        const std::uint64_t startNs = NowNs() + 5 * kMs;
        for (int at = 0; at < c.breaks; ++at)
            Line().InjectBreak(startNs + at * 40 * kMs, startNs + at * 40 * kMs + 10 * kMs);
        CBootstrap bootstrap(&Serial());
        EXPECT_EQ(bootstrap.DetectVariant(), c.variant);
        Clock().Advance(3000 * kMs);
        Serial().PurgeInput();
        Serial().WaitForCommError(CSerial::kBreak, 0);
    }
}

}  // namespace
