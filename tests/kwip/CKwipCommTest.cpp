#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KwipFrames.h"
#include "RaisedError.h"
#include "SimSerialTest.h"
#include "kwip/CKwipComm.h"
#include "platform/CPosixSerial.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::uint64_t kFrameNs = 1'041'667;  // one character at 9600 8-N-1

const Bytes kStatusRequest = {0xF2, 0x23, 0x05, 0xE5};
const Bytes kStatusReply = KwipFrame(0x8B, {0x05, 'O', 'K'});

const std::string kNoDataText = "CWinSerial::WaitForBytesUnless: No data received when timeout";
const std::string kGettingAck = "CKwipComm::SendCommand: Encountered the above error while getting ack";
const std::string kGettingReply = "CKwipComm::SendCommand: Encountered the above error while getting reply";
const std::string kSending =
    "CKwipComm::SendCommand: Encountered the above error while sending the following message";
const std::string kExhausted = "CKwipComm::SendCommand: Retry exhuasted, so exit request";

std::string RetryLine(int number) {
    return "CKwipComm::SendCommand: Request failed! Retry number = " + std::to_string(number);
}

// The log of a command whose every attempt failed with the same lines.
Lines EveryAttemptFailed(int attempts, const Lines& attemptLines) {
    Lines lines;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            lines.push_back(RetryLine(attempt));
        lines.insert(lines.end(), attemptLines.begin(), attemptLines.end());
    }
    lines.push_back(kExhausted);
    return lines;
}

// The exchange with the settings the broker gives it, open on the simulated line, and a status request
// for code 5 built in the message.
class CKwipCommTest : public SimSerialTest {
protected:
    CKwipCommTest() {
        comm_.AttemptCount = 4;
        comm_.AckTimeoutMs = 100;
        comm_.ReplyTimeoutMs = 750;
        comm_.PostDelayMs = 10;
        comm_.ByteTimeoutMs = 250;
        message_.BuildByte(0x23, 0x05);
    }

    void Open(std::uint8_t echo = 0) { comm_.Open(kPort, echo); }
    int Send(bool expectReply = true) { return comm_.SendCommand(message_, expectReply); }
    Bytes Frame() const { return BytesOf(message_.GetFrame()); }
    void ExpectScriptKept() {
        EXPECT_EQ(Peer().Deviation(), "");
        EXPECT_TRUE(Peer().Finished());
    }

    CKwipComm comm_;
    CKwipMessage message_;
};

TEST_F(CKwipCommTest, OpenBorrowsThePortAndSetsTheKwipLine) {
    comm_.Open(kPort, 1);
    EXPECT_EQ(comm_.GetPort(), kPort);
    EXPECT_EQ(Serial().GetPort(), static_cast<int>(kPort));
    EXPECT_EQ(Serial().GetEcho(), 1);
    EXPECT_EQ(Line().ProgramLine(), (LineSettings{9600, 8, Parity::None, StopBits::One}));
    EXPECT_EQ(Platform().GetSerial(), nullptr) << "the port is lent out";

    comm_.Close();
    EXPECT_EQ(comm_.GetPort(), 0u);
    EXPECT_EQ(Serial().GetPort(), 0);
    EXPECT_EQ(Platform().GetSerial(), &Serial()) << "and given back";
}

TEST_F(CKwipCommTest, TheDestructorGivesThePortBack) {
    {
        CKwipComm comm;
        comm.Open(kPort, 0);
    }
    EXPECT_EQ(Serial().GetPort(), 0);
    EXPECT_EQ(Platform().GetSerial(), &Serial());
}

TEST_F(CKwipCommTest, AFailedOpenIsLoggedAndReplacedAndKeepsThePortUntilClose) {
    EXPECT_EQ(RaisedBy([&] { comm_.Open(7, 0); }), GenError(3, "Unable to open communication port"));
    EXPECT_EQ(LogLines(), Lines{"CWinSerial::Open: Unable to open com7"});
    EXPECT_EQ(comm_.GetPort(), 7u);
    EXPECT_EQ(Platform().GetSerial(), nullptr);
    comm_.Close();
    EXPECT_EQ(Platform().GetSerial(), &Serial());
}

TEST_F(CKwipCommTest, OpenWithoutAFreePortSaysSoAndGivesBackNothingItDidNotBorrow) {
    ASSERT_EQ(Platform().GetSerial(), &Serial());  // someone else holds the port
    EXPECT_EQ(RaisedBy([&] { comm_.Open(kPort, 0); }), GenError(3, "Unable to open communication port"));
    EXPECT_EQ(LogLines(), Lines{"Unable to allocate serial comm object"});
    comm_.Close();
    EXPECT_EQ(Platform().GetSerial(), nullptr) << "the other borrower still holds it";
    Platform().ReleaseSerial();
}

TEST_F(CKwipCommTest, ASecondOpenReopensThePortItHolds) {
    Open();
    comm_.Open(kPort, 1);
    EXPECT_EQ(Serial().GetPort(), static_cast<int>(kPort));
    EXPECT_EQ(Serial().GetEcho(), 1);
    comm_.Close();
    EXPECT_EQ(Platform().GetSerial(), &Serial());
}

TEST_F(CKwipCommTest, ACommandOnAClosedExchangeIsRefusedWithoutSending) {
    EXPECT_EQ(RaisedBy([&] { Send(); }),
              GenError(3, "CKwipComm::SendCommand: The communication port is not open"));
}

TEST_F(CKwipCommTest, AnAnsweredCommandLeavesTheReplyInTheMessage) {
    Peer().Answer(kStatusRequest, Acked(kStatusReply), 2 * kMs);
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    EXPECT_EQ(Frame(), kStatusReply);
    EXPECT_EQ(LogLines(), Lines{});
    ExpectScriptKept();
}

// A radio that gives the same wrong answer to each of the four attempts: the status and each
// attempt's lines in the log.
struct EveryAttemptCase {
    std::string name;
    Bytes answer;
    int status;
    Lines attemptLines;
};

Bytes Corrupted(Bytes frame) {
    frame.back() ^= 0x01;
    return frame;
}

class CKwipCommEveryAttemptTest : public CKwipCommTest,
                                  public ::testing::WithParamInterface<EveryAttemptCase> {};

TEST_P(CKwipCommEveryAttemptTest, GivesItsStatusAfterFourAttemptsAndLogsEach) {
    const EveryAttemptCase& c = GetParam();
    Peer().AnswerTimes(4, kStatusRequest, c.answer);
    Open();
    EXPECT_EQ(Send(), c.status);
    EXPECT_EQ(LogLines(), EveryAttemptFailed(4, c.attemptLines));
    EXPECT_EQ(Frame(), kStatusRequest) << "the message is unchanged";
    ExpectScriptKept();
}

INSTANTIATE_TEST_SUITE_P(
    WrongAnswers, CKwipCommEveryAttemptTest,
    ::testing::Values(EveryAttemptCase{"Silence",
                                       {},
                                       CKwipComm::kSerialFailure,
                                       {"Number of byteTime timeout = 97", kNoDataText, kGettingAck}},
                      EveryAttemptCase{"NegativeAcknowledge",
                                       {kNegativeAck},
                                       CKwipComm::kNegativeAck,
                                       {"Receive Negative Ack from external device"}},
                      EveryAttemptCase{"BadChecksum",
                                       Acked(Corrupted(kStatusReply)),
                                       CKwipComm::kCorruptReply,
                                       {"The KWIP reply message is corrupted", kGettingReply,
                                        HexLine(Corrupted(kStatusReply))}}),
    [](const ::testing::TestParamInfo<EveryAttemptCase>& info) { return info.param.name; });

TEST_F(CKwipCommTest, EachAttemptStartsAsSoonAsThePreviousOneGaveUp) {
    Peer().AnswerTimes(4, kStatusRequest, {});
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSerialFailure);
    // 3 characters handed over, 97 character times of waiting for the acknowledge, then the 2 quiet
    // character times a retry waits for.
    const std::vector<SimCharacter>& received = Peer().Received();
    ASSERT_EQ(received.size(), 16u);
    for (std::size_t attempt = 1; attempt < 4; ++attempt) {
        const double gapNs =
            static_cast<double>(received[4 * attempt].timeNs - received[4 * attempt - 4].timeNs);
        EXPECT_NEAR(gapNs, 102.0 * kFrameNs, 0.5 * kMs) << "attempt " << attempt + 1;
    }
}

TEST_F(CKwipCommTest, ARetryWaitsForTheRestOfAReplyThatALostCharacterMadeLookShort) {
    // A read of 64 bytes whose long-form mark is lost: the opcode 0x80 reads as a short frame of one
    // byte, which fails its checksum while the other 69 bytes are still on their way.
    const Bytes readRequest = {0x40, 0x00, 0x12, 0x34};
    message_.Build(0x11, readRequest);
    const Bytes request = Frame();
    Bytes data(3, 0x00);
    data.resize(3 + 64, 0x3C);
    const Bytes reply = KwipFrame(0x80, data);
    Peer()
        .Answer(request, Acked(Bytes(reply.begin() + 1, reply.end())), 2 * kMs)
        .Answer(request, Acked(reply), 2 * kMs);
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    EXPECT_EQ(Frame(), reply);
    EXPECT_EQ(LogLines(), (Lines{"The KWIP reply message is corrupted", kGettingReply, "8000", RetryLine(1)}));
    ExpectScriptKept();
    // The retry's request went out once the old reply had ended and the line had been quiet two
    // character times, not before.
    const std::vector<SimCharacter>& received = Peer().Received();
    ASSERT_EQ(received.size(), 2 * request.size());
    const std::uint64_t oldReplyEndNs = received[request.size() - 1].timeNs + 2 * kMs + reply.size() * kFrameNs;
    const std::uint64_t retryStartNs = received[request.size()].timeNs - kFrameNs;
    EXPECT_GE(retryStartNs, oldReplyEndNs + 2 * kFrameNs - kUs);
    EXPECT_LT(retryStartNs, oldReplyEndNs + 4 * kFrameNs);
}

TEST_F(CKwipCommTest, ARetryOnALineThatDoesNotFallQuietGoesAheadAtTheAttemptsTimeOut) {
    // The negative acknowledge and then a second of chatter, character after character.
    comm_.AttemptCount = 2;
    Bytes answer(1000, 0x55);
    answer.front() = kNegativeAck;
    Peer().Answer(kStatusRequest, answer);
    Open();
    Send();
    const Lines log = LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Lines(log.begin(), log.begin() + 3),
              (Lines{"Receive Negative Ack from external device", RetryLine(1),
                     "CKwipComm::SendCommand: The line did not fall quiet before the retry"}));
    const std::vector<SimCharacter>& received = Peer().Received();
    ASSERT_EQ(received.size(), 8u);
    const double waitedNs = static_cast<double>(received[4].timeNs - received[3].timeNs);
    EXPECT_NEAR(waitedNs, 750.0 * kMs, 3.0 * kFrameNs) << "the reply time-out bounds the wait";
}

TEST_F(CKwipCommTest, ACommandOnAPulledCableEndsAtOnceInsteadOfWaitingOutEachAttempt) {
    Peer().Answer(kStatusRequest, {});
    Open();
    const std::uint64_t pulledNs = NowNs() + 10 * kMs;  // while the first attempt waits for its acknowledge
    Line().Unplug(pulledNs);
    EXPECT_EQ(Send(), CKwipComm::kSerialFailure);
    EXPECT_LT(NowNs() - pulledNs, 3 * kMs);
    const std::string gone = CPosixSerial::kGoneText;
    Lines expected = {gone, kGettingAck};
    for (int retry = 1; retry < 4; ++retry)
        expected.insert(expected.end(), {RetryLine(retry), gone, kSending, "F22305E5"});
    expected.push_back(kExhausted);
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(CKwipCommTest, AnAttemptCountOf0StillTriesOnce) {
    comm_.AttemptCount = 0;
    Peer().Answer(kStatusRequest, Acked(kStatusReply));
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    ExpectScriptKept();
}

TEST_F(CKwipCommTest, ANegativeAcknowledgeIsRetriedWithoutTheAckLine) {
    Peer().Answer(kStatusRequest, {kNegativeAck}).Answer(kStatusRequest, Acked(kStatusReply));
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    EXPECT_EQ(Frame(), kStatusReply);
    EXPECT_EQ(LogLines(), (Lines{"Receive Negative Ack from external device", RetryLine(1)}));
    ExpectScriptKept();
}

TEST_F(CKwipCommTest, AReplyThatStopsHalfwayIsASerialFailureWithWhatCame) {
    comm_.AttemptCount = 1;
    Peer().Answer(kStatusRequest, Acked({0xF3, 0x8B}));
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSerialFailure);
    // The size byte came whole; of the 4 bytes after it only the opcode did, which stays in the port.
    EXPECT_EQ(LogLines(), (Lines{"Number of byteTime timeout = 240",
                                 "CWinSerial::WaitForBytesUnless: Timeout after receiving 1 bytes",
                                 kGettingReply, "F3", kExhausted}));
}

TEST_F(CKwipCommTest, AFailedSendLogsTheRequestFrame) {
    // The echo flag is on but no box echoes: the write waits for an echo that never comes.
    comm_.AttemptCount = 1;
    Peer().Answer(kStatusRequest, {});
    Open(1);
    EXPECT_EQ(Send(), CKwipComm::kSerialFailure);
    const Lines log = LogLines();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Lines(log.end() - 4, log.end()), (Lines{kNoDataText, kSending, "F22305E5", kExhausted}));
}

TEST_F(CKwipCommTest, ALongReplyIsReadByItsSizeUpToWhatTheBufferHolds) {
    // A size over 508 is refused once the 4 header bytes are in, before any byte lands past the buffer.
    struct Case {
        std::uint16_t size;
        int status;
    };
    for (const Case& c : {Case{508, CKwipComm::kSucceeded}, Case{509, CKwipComm::kCorruptReply}}) {
        SCOPED_TRACE(c.size);
        comm_.AttemptCount = 1;
        Bytes reply = {0xFF, 0x80, static_cast<std::uint8_t>(c.size >> 8), static_cast<std::uint8_t>(c.size)};
        reply.resize(4u + c.size, 0x3C);
        reply.back() = CKwipMessage::Checksum(reply);
        Peer().Answer(kStatusRequest, Acked(c.size == 508 ? reply : Bytes(reply.begin(), reply.begin() + 4)));
        Open();
        message_.BuildByte(0x23, 0x05);
        EXPECT_EQ(Send(), c.status);
        if (c.status == CKwipComm::kSucceeded) {
            EXPECT_EQ(Frame(), reply);
        } else {
            EXPECT_EQ(LogLines(),
                      (Lines{"The KWIP reply message is corrupted", kGettingReply, "FF8001FD", kExhausted}));
        }
        ExpectScriptKept();
    }
}

TEST_F(CKwipCommTest, ResetIsCompleteWithTheAcknowledgeAlone) {
    message_.BuildEmpty(0x10);
    Peer().Answer({0xF1, 0x10, 0xFE}, {kPositiveAck});
    Open();
    EXPECT_EQ(Send(false), CKwipComm::kSucceeded);
    EXPECT_EQ(Frame(), (Bytes{0xF1, 0x10, 0xFE})) << "the message still holds the request";
    EXPECT_EQ(LogLines(), Lines{});
    ExpectScriptKept();
}

TEST_F(CKwipCommTest, TheCommandEndsThePostDelayAfterTheReply) {
    for (const unsigned delayMs : {0u, 10u, 15u}) {
        SCOPED_TRACE(delayMs);
        comm_.PostDelayMs = delayMs;
        Peer().Answer(kStatusRequest, Acked(kStatusReply), 2 * kMs);
        Open();
        message_.BuildByte(0x23, 0x05);
        ASSERT_EQ(Send(), CKwipComm::kSucceeded);
        const std::uint64_t replyEndNs = Peer().Received().back().timeNs + 2 * kMs + 7 * kFrameNs;
        // The last byte is noticed within a character time of its arrival.
        EXPECT_NEAR(static_cast<double>(NowNs() - replyEndNs), delayMs * 1e6 + 0.5 * kFrameNs,
                    0.6 * kFrameNs);
    }
}

TEST_F(CKwipCommTest, NoDelayTimerIsBorrowedWithoutAPostDelay) {
    ASSERT_NE(Platform().GetDelayTimer(), nullptr);  // lent out elsewhere
    comm_.PostDelayMs = 0;
    Peer().Answer(kStatusRequest, Acked(kStatusReply));
    Open();
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    Platform().ReleaseDelayTimer();
}

TEST_F(CKwipCommTest, AGeneralErrorLeavesAtOnceWithoutRetry) {
    ASSERT_NE(Platform().GetDelayTimer(), nullptr);  // the post delay will find no timer
    Peer().Answer(kStatusRequest, Acked(kStatusReply));
    Open();
    EXPECT_EQ(RaisedBy([&] { Send(); }), GenError(1, "Unable to allocate timer object"));
    EXPECT_EQ(LogLines(), Lines{});
    EXPECT_EQ(Frame(), kStatusRequest);
    ExpectScriptKept();
    Platform().ReleaseDelayTimer();
}

TEST_F(CKwipCommTest, TheEchoOfTheInterfaceBoxIsTakenByTheWriteAndNeverReachesTheReply) {
    Line().SetEchoBox(true);
    Peer().Answer(kStatusRequest, Acked(kStatusReply), 2 * kMs);
    Open(1);
    EXPECT_EQ(Send(), CKwipComm::kSucceeded);
    EXPECT_EQ(Frame(), kStatusReply);
    EXPECT_EQ(LogLines(), Lines{});
    ExpectScriptKept();
}

}  // namespace
