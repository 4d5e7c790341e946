#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "RaisedError.h"
#include "SimSerialTest.h"
#include "platform/CPosixSerial.h"

namespace {

constexpr double k9600ByteSeconds = 10.0 / 9600;
constexpr std::uint64_t k9600FrameNs = 1'041'667;

std::vector<std::uint8_t> Counting(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0x30});
    return bytes;
}

// Reading and writing on the simulated line at 9600 8-N-1, the KWIP setting.
class CPosixSerialTransferTest : public SimSerialTest {
protected:
    CPosixSerialTransferTest() {
        Serial().SetParams(9600, CSerial::kParityNone, CSerial::kOneStopBit, 8);
        Serial().Open(kPort);
    }

    RaisedError ReadInto(std::vector<std::uint8_t>& destination, unsigned timeoutMs) {
        return RaisedBy([&] { Serial().Read(destination, timeoutMs); });
    }
    RaisedError Write(const std::vector<std::uint8_t>& source, unsigned timeoutMs) {
        return RaisedBy([&] { Serial().Write(source, timeoutMs); });
    }
};

TEST_F(CPosixSerialTransferTest, AOneByteReadOfSilenceGivesUpAfter97CharacterTimes) {
    std::vector<std::uint8_t> byte(1);
    EXPECT_EQ(ReadInto(byte, 100),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
    EXPECT_NEAR(Seconds(), 97 * k9600ByteSeconds, 0.0002);  // about 101 ms
    EXPECT_TRUE(LogHas("Number of byteTime timeout = 97"));
}

TEST_F(CPosixSerialTransferTest, TheTimeOutIsSharedOutAsTheLongestGapBetweenBytes) {
    // 10 bytes in 2500 ms: 240 character times (250 ms) may pass between two bytes, however long the
    // whole transfer takes. Bytes are noticed at the next character time, hence the margin of 252 ms.
    struct Case {
        std::uint64_t fifthGapNs;  // the others come every 249 ms
        RaisedError raised;
    };
    const Case cases[] = {
        {249 * kMs, kNothingRaised},
        {252 * kMs, CommError(3, "CWinSerial::WaitForBytesUnless: Timeout after receiving 4 bytes")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fifthGapNs / kMs);
        Serial().Open(kPort);
        const std::uint64_t start = NowNs();
        const std::vector<std::uint8_t> sent = Counting(10);
        std::uint64_t arrival = start;
        for (std::size_t index = 0; index < sent.size(); ++index) {
            arrival += index == 4 ? c.fifthGapNs : 249 * kMs;
            Line().PeerSend(std::span(sent).subspan(index, 1), arrival - k9600FrameNs);
        }
        std::vector<std::uint8_t> received(10);
        EXPECT_EQ(ReadInto(received, 2500), c.raised);
        if (c.raised == kNothingRaised) {
            EXPECT_EQ(received, sent);
            EXPECT_NEAR(static_cast<double>(NowNs() - start) / 1e9, 2.49, 0.002);
        }
        Clock().Advance(3000 * kMs);
    }
}

TEST_F(CPosixSerialTransferTest, ALineThatFallsSilentReportsHowManyBytesCame) {
    const std::vector<std::uint8_t> sent = Counting(3);
    Line().PeerSend(sent, NowNs() + 5 * kMs);
    std::vector<std::uint8_t> received(5);
    EXPECT_EQ(ReadInto(received, 100),
              CommError(3, "CWinSerial::WaitForBytesUnless: Timeout after receiving 3 bytes"));
}

TEST_F(CPosixSerialTransferTest, ATimeOutAboveAMinuteAnd250MsAByteIsRefused) {
    struct Case {
        std::size_t count;
        unsigned timeoutMs;
        bool refused;
    };
    const Case cases[] = {
        {1, 60001, true},  {1, 70000, true},    {1, 60000, false},
        {1, 20000, false}, {241, 60001, false}, {300, 70000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " bytes, " + std::to_string(c.timeoutMs) + " ms");
        Serial().Open(kPort);
        const std::vector<std::uint8_t> sent = Counting(c.count);
        const std::uint64_t sentBy = Line().PeerSend(sent, NowNs());
        std::vector<std::uint8_t> received(c.count);
        const std::uint64_t start = NowNs();
        if (c.refused) {
            EXPECT_EQ(ReadInto(received, c.timeoutMs), GenError(3, "Timeout specified is too big"));
            EXPECT_TRUE(LogHas("Timeout is too big, timeout = " + std::to_string(c.timeoutMs)));
            EXPECT_LT(NowNs() - start, kMs) << "refused before waiting";
        } else {
            EXPECT_EQ(ReadInto(received, c.timeoutMs), kNothingRaised);
            EXPECT_EQ(received, sent);
        }
        if (NowNs() < sentBy)
            Clock().Advance(sentBy - NowNs());  // the line falls quiet before the next case
    }
}

TEST_F(CPosixSerialTransferTest, WaitingForNoBytesReturnsAtOnce) {
    Serial().WaitForBytesUnless(0, 100);
    EXPECT_LT(Seconds(), 0.0001);
}

TEST_F(CPosixSerialTransferTest, WriteHandsOverOneCharacterPerCharacterTime) {
    const std::vector<std::uint8_t> sent = Counting(5);
    const std::uint64_t start = NowNs();
    EXPECT_EQ(Write(sent, 100), kNothingRaised);
    EXPECT_NEAR(static_cast<double>(NowNs() - start) / 1e9, 4 * k9600ByteSeconds, 0.00002);
    Clock().Advance(2 * kMs);
    Line().CatchUp();
    ASSERT_EQ(Peer().ReceivedBytes(), sent);
    for (std::size_t index = 0; index < sent.size(); ++index) {
        EXPECT_NEAR(static_cast<double>(Peer().Received()[index].timeNs - start) / 1e9,
                    (index + 1) * k9600ByteSeconds, 0.00002);
    }
}

TEST_F(CPosixSerialTransferTest, WritingAndReadingSleepBetweenCharactersInsteadOfSpinning) {
    Peer().Answer(Counting(10), Counting(20), 0);
    const std::uint64_t readsBefore = Clock().Reads();
    ASSERT_EQ(Write(Counting(10), 100), kNothingRaised);
    std::vector<std::uint8_t> reply(20);
    ASSERT_EQ(ReadInto(reply, 1000), kNothingRaised);
    EXPECT_EQ(reply, Counting(20));
    // A spinning wait reads the clock once a microsecond: over a thousand times a character at 9600.
    EXPECT_LT(Clock().Reads() - readsBefore, 30u * 10);
}

TEST_F(CPosixSerialTransferTest, AWriteThatRunsOutOfTimeSaysHowManyBytesWentOut) {
    // 30 ms hold 28.8 character times: the 30th byte would be handed over at 30.2 ms.
    EXPECT_EQ(Write(Counting(100), 30),
              CommError(2, "CWinSerial::Write: Timeout after sending out 29 bytes"));
    Clock().Advance(10 * kMs);
    Line().CatchUp();
    EXPECT_EQ(Peer().ReceivedBytes(), Counting(29));
}

TEST_F(CPosixSerialTransferTest, TheEchoOfTheInterfaceBoxIsReadBackAndCompared) {
    Serial().SetEcho(1);
    Line().SetEchoBox(true);
    EXPECT_EQ(Write(Counting(4), 100), kNothingRaised);
    std::vector<std::uint8_t> leftover(1);
    EXPECT_EQ(ReadInto(leftover, 5).code, 2) << "the echo was taken";
}

TEST_F(CPosixSerialTransferTest, AnEchoThatDiffersNamesTheFirstDifferentByte) {
    Serial().SetEcho(1);
    Peer().Answer({0x10}, {0x10}).Answer({0x20}, {0x21}).Answer({0x30}, {0x30});
    EXPECT_EQ(Write({0x10, 0x20, 0x30}, 100),
              CommError(11, "CWinSerial::Write: Echo byte 1 does not match transmitted character"));
}

TEST_F(CPosixSerialTransferTest, AMissingEchoTimesOut) {
    Serial().SetEcho(1);
    EXPECT_EQ(Write({0x10, 0x20}, 100),
              CommError(2, "CWinSerial::WaitForBytesUnless: No data received when timeout"));
}

// Returns every character at once, one of them changed.
class EchoingPeer : public SimPeer {
public:
    explicit EchoingPeer(std::size_t alteredIndex) : alteredIndex_(alteredIndex) {}
    void OnCharacter(SimLine& line, const SimCharacter& character) override {
        const std::uint8_t echo =
            count_++ == alteredIndex_ ? static_cast<std::uint8_t>(~character.byte) : character.byte;
        line.PeerSend(std::span(&echo, 1), character.timeNs);
    }

private:
    std::size_t alteredIndex_;
    std::size_t count_ = 0;
};

TEST_F(CPosixSerialTransferTest, AnEchoLongerThanTheEchoBufferIsComparedWhole) {
    Serial().SetEcho(1);
    const std::vector<std::uint8_t> sent = Counting(1500);
    Line().AttachPeer(std::make_shared<EchoingPeer>(sent.size()));
    EXPECT_EQ(Write(sent, 3000), kNothingRaised);

    Line().AttachPeer(std::make_shared<EchoingPeer>(1200));
    EXPECT_EQ(Write(sent, 3000),
              CommError(11, "CWinSerial::Write: Echo byte 1200 does not match transmitted character"));
}

// A break is one event, reported once as a UART reports it: the write's own query takes it, the wait for
// the break to clear ends at the next query, and the write goes out while the line is still held low.
TEST_F(CPosixSerialTransferTest, AWriteAfterABreakDropsWhatCameBeforeWithoutWaitingForTheBreakToEnd) {
    const std::uint64_t start = NowNs();
    const std::vector<std::uint8_t> before = {0x55};
    Line().PeerSend(before, start);
    Line().InjectBreak(start + 2 * kMs, start + 500 * kMs);
    Clock().Advance(5 * kMs);
    Line().CatchUp();
    const std::size_t heard = Peer().Received().size();

    EXPECT_EQ(Write({0x01, 0x02}, 100), kNothingRaised);
    Clock().Advance(5 * kMs);
    Line().CatchUp();
    ASSERT_EQ(Peer().Received().size(), heard + 2);
    EXPECT_LT(Peer().Received()[heard].timeNs, start + 10 * kMs);
    std::vector<std::uint8_t> byte(1);
    EXPECT_EQ(ReadInto(byte, 5).code, 2) << "what came before the break was dropped";
}

TEST_F(CPosixSerialTransferTest, EveryWaitNeedsThePortTimer) {
    ASSERT_NE(Platform().GetPortTimer(), nullptr);
    std::vector<std::uint8_t> byte(1);
    EXPECT_EQ(ReadInto(byte, 100), GenError(1, "Unable to allocate timer object"));
    EXPECT_TRUE(LogHas("CWinSerial::WaitForBytesUnless: Allocating timer to wait for bytes 1 bytes"));
    EXPECT_EQ(Write({0x01}, 100), GenError(1, "Unable to allocate timer object"));
    EXPECT_EQ(RaisedBy([&] { Serial().WaitForCommError(CSerial::kBreak, 10); }),
              GenError(1, "Unable to allocate timer object"));
    Platform().ReleasePortTimer();
    EXPECT_EQ(Write({0x01}, 100), kNothingRaised) << "each operation gave the timer back";
}

}  // namespace
