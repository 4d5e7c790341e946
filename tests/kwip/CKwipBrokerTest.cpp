#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "KwipFrames.h"
#include "RaisedError.h"
#include "SimSerialTest.h"
#include "kwip/CKwipBroker.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

const Bytes kReadRequest = {0xF5, 0x11, 0x02, 0x00, 0x12, 0x34, 0xB1};  // 2 bytes at 0x001234
const Bytes kReadReply = {0xF6, 0x80, 0x00, 0x12, 0x34, 0x5A, 0xA5, 0x44};
const Bytes kWriteRequest = {0xFF, 0x17, 0x00, 0x06, 0x40,
                             0x00, 0x00, 0xAA, 0xBB, 0x3E};  // AA BB at 0x400000
const Bytes kEraseRequest = {0xF2, 0x15, 0x40, 0xB8};
const Bytes kResetRequest = {0xF1, 0x10, 0xFE};
const Bytes kStatusRequest = {0xF2, 0x23, 0x05, 0xE5};  // status 5
const Bytes kGoodWriteReply = KwipFrame(0x84, {});

const std::string kWrongStatusReplyLine =
    "CKwipBroker::RadioStatusRequest: Did not receive good Radio Status reply for KWIP Radio Status Request";
const std::string kExhausted = "CKwipComm::SendCommand: Retry exhuasted, so exit request";

// One of the broker's five requests, made as its user makes it, with the frame it sends and a reply of
// the kind it expects.
struct Request {
    const char* name;
    Bytes frame;
    Bytes goodReply;
    std::function<std::string(CKwipBroker&)> make;  // returns what the request gave, as text
};

std::string ReadTwoAt1234(CKwipBroker& broker) {
    std::array<std::uint8_t, 2> data{};
    broker.ReadRequest(0x001234, data);
    return HexLine(data);
}

std::string StatusFive(CKwipBroker& broker) {
    std::array<char, 32> text{};
    return std::string(broker.RadioStatusRequest(5, text));
}

const std::vector<Request> kRequests = {
    {"read", kReadRequest, kReadReply, ReadTwoAt1234},
    {"write", kWriteRequest, kGoodWriteReply,
     [](CKwipBroker& broker) {
         broker.WriteRequest(0x400000, Bytes{0xAA, 0xBB});
         return std::string();
     }},
    {"erase", kEraseRequest, kGoodWriteReply,
     [](CKwipBroker& broker) {
         broker.EraseFlashRequest();
         return std::string();
     }},
    {"reset",
     kResetRequest,
     {},
     [](CKwipBroker& broker) {
         broker.ResetRequest();
         return std::string();
     }},
    {"status", kStatusRequest, KwipFrame(0x8B, {0x05, 'R', 'E', 'A', 'D', 'Y'}), StatusFive},
};

// A broker as its users hold one: the port opened through the exchange and PortOpen set.
class CKwipBrokerTest : public SimSerialTest {
protected:
    CKwipBrokerTest() {
        broker_.Comm().Open(kPort, 0);
        broker_.PortOpen = true;
    }

    void ExpectScriptKept() {
        EXPECT_EQ(Peer().Deviation(), "");
        EXPECT_TRUE(Peer().Finished());
    }

    CKwipBroker broker_;
};

TEST_F(CKwipBrokerTest, ConstructionGivesTheExchangeTheBrokersSettings) {
    CKwipBroker broker;
    CKwipComm& comm = broker.Comm();
    EXPECT_EQ(comm.AttemptCount, 4u);
    EXPECT_EQ(comm.AckTimeoutMs, 100u);
    EXPECT_EQ(comm.ReplyTimeoutMs, 750u);
    EXPECT_EQ(comm.PostDelayMs, 10u);
    EXPECT_EQ(comm.ByteTimeoutMs, 250u);
    EXPECT_FALSE(broker.PortOpen);
}

TEST_F(CKwipBrokerTest, EachRequestSendsItsFrameAndTakesItsReply) {
    const std::string expected[] = {"5AA5", "", "", "", "READY"};
    for (std::size_t index = 0; index < kRequests.size(); ++index) {
        const Request& request = kRequests[index];
        SCOPED_TRACE(request.name);
        Peer().Answer(request.frame, Acked(request.goodReply), 1 * kMs);
        std::string result;
        EXPECT_EQ(RaisedBy([&] { result = request.make(broker_); }), kNothingRaised);
        EXPECT_EQ(result, expected[index]);
        const Bytes& last = request.goodReply.empty() ? request.frame : request.goodReply;
        EXPECT_EQ(broker_.ReplyHeader().opcode, last[1]);
        EXPECT_EQ(broker_.ReplyHeader().frameLength, last.size());
        ExpectScriptKept();
    }
    EXPECT_EQ(LogLines(), Lines{});
}

TEST_F(CKwipBrokerTest, AReplyOfTheWrongKindIsLoggedWithItsBytesAndRaised) {
    struct Case {
        std::size_t request;  // index in kRequests
        Bytes reply;
        std::string logLine;
        std::string text;
    };
    const Case cases[] = {
        {0, kGoodWriteReply,
         "CKwipBroker::ReadRequest: Read from address 1234 did not receive correct Read Reply from radio",
         "Did not received Read Data Reply for KWIP Read Request"},
        {1, kReadReply, "CKwipBroker::WriteRequest: Write to ddress 400000 did not receive Good Write Reply",
         "Did not received Good Write Reply for KWIP Write Request"},
        {2, KwipFrame(0x8B, {0x05}),
         "CKwipBroker::WriteRequest: Erase flash did not receive Good Write Reply",
         "Did not received Good Write Reply for KWIP Erase Flash Request"},
        {4, kGoodWriteReply, kWrongStatusReplyLine,
         "Did not receive good Radio Status reply for KWIP Radio Status Request"},
        {4, KwipFrame(0x8B, {0x04, 'R', 'E', 'A', 'D', 'Y'}),  // the status of another code
         kWrongStatusReplyLine, "Did not receive good Radio Status reply for KWIP Radio Status Request"},
        {4, KwipFrame(0x8B, {}),  // no code at all
         kWrongStatusReplyLine, "Did not receive good Radio Status reply for KWIP Radio Status Request"},
    };
    for (const Case& c : cases) {
        const Request& request = kRequests[c.request];
        SCOPED_TRACE(std::string(request.name) + " answered by " + HexLine(c.reply));
        const std::size_t logged = LogLines().size();
        Peer().Answer(request.frame, Acked(c.reply));
        EXPECT_EQ(RaisedBy([&] { request.make(broker_); }), KwipError(3, c.text));
        const Lines log = LogLines();
        EXPECT_EQ(Lines(log.begin() + static_cast<std::ptrdiff_t>(logged), log.end()),
                  (Lines{c.logLine, HexLine(c.reply)}));
        EXPECT_EQ(broker_.ReplyHeader().opcode, c.reply[1]);
        ExpectScriptKept();
    }
}

TEST_F(CKwipBrokerTest, AReadReplyWithOtherThanTheCountOfDataBytesLeavesTheDestinationAlone) {
    const Bytes replies[] = {
        KwipFrame(0x80, {0x00, 0x12, 0x34, 0x5A}),              // one byte short
        KwipFrame(0x80, {0x00, 0x12, 0x34, 0x5A, 0xA5, 0x77}),  // one byte over
        KwipFrame(0x80, {0x00, 0x12}),                          // not even the address
    };
    for (const Bytes& reply : replies) {
        SCOPED_TRACE(HexLine(reply));
        Peer().Answer(kReadRequest, Acked(reply));
        std::array<std::uint8_t, 2> data = {0xEE, 0xEE};
        EXPECT_EQ(RaisedBy([&] { broker_.ReadRequest(0x001234, data); }),
                  KwipError(3, "Did not received Read Data Reply for KWIP Read Request"));
        EXPECT_EQ(data, (std::array<std::uint8_t, 2>{0xEE, 0xEE}));
        EXPECT_TRUE(LogHas(HexLine(reply)));
        ExpectScriptKept();
    }
}

TEST_F(CKwipBrokerTest, AReadSendsOnlyTheLow24BitsOfTheAddressAndSkipsTheReplysAddress) {
    Peer().Answer(KwipFrame(0x11, {0x01, 0xAB, 0xCD, 0xEF}),
                  Acked(KwipFrame(0x80, {0x99, 0x99, 0x99, 0x42})));
    std::array<std::uint8_t, 1> data{};
    broker_.ReadRequest(0x12ABCDEF, data);
    EXPECT_EQ(data[0], 0x42);
    ExpectScriptKept();
}

TEST_F(CKwipBrokerTest, RequestsThatNoFrameCanCarryAreRefusedBeforeSending) {
    std::vector<std::uint8_t> big(256);
    EXPECT_EQ(RaisedBy([&] { broker_.ReadRequest(0, big); }),
              GenError(3, "CKwipBroker::ReadRequest: A read of 256 bytes cannot be requested"));
    EXPECT_EQ(RaisedBy([&] { broker_.WriteRequest(0, std::span(big).first(252)); }),
              GenError(3, "CKwipBroker::WriteRequest: 252 data bytes do not fit a KWIP frame"));
    Clock().Advance(10 * kMs);
    Line().CatchUp();
    EXPECT_TRUE(Peer().Received().empty());

    Peer().Answer(KwipFrame(0x17, Bytes(254, 0x00), KwipForm::Long), Acked(kGoodWriteReply));
    EXPECT_EQ(RaisedBy([&] { broker_.WriteRequest(0, std::span(big).first(251)); }), kNothingRaised);
    ExpectScriptKept();
}

TEST_F(CKwipBrokerTest, AStatusTextIsCutToTheBufferAndEndsInANul) {
    const Bytes fifteen = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O'};
    Bytes reply = {0x05};
    reply.insert(reply.end(), fifteen.begin(), fifteen.end());
    struct Case {
        std::size_t bufferSize;
        std::string text;
    };
    for (const Case& c :
         {Case{10, "ABCDEFGHI"}, Case{16, "ABCDEFGHIJKLMNO"}, Case{40, "ABCDEFGHIJKLMNO"}, Case{1, ""}}) {
        SCOPED_TRACE(c.bufferSize);
        Peer().Answer(kStatusRequest, Acked(KwipFrame(0x8B, reply)));
        std::vector<char> buffer(c.bufferSize + 1, 'x');  // one byte past the buffer to see it untouched
        const std::string_view text = broker_.RadioStatusRequest(5, std::span(buffer).first(c.bufferSize));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.data(), buffer.data());
        EXPECT_EQ(buffer[c.text.size()], '\0');
        EXPECT_EQ(buffer[c.bufferSize], 'x');
    }
}

TEST_F(CKwipBrokerTest, AStatusTextMayHoldZeroBytes) {
    const Bytes identity = {0xE5, 0x8E, 0xC1, 0x54, 0x00, 0x9D, 0x11, 0xD1,
                            0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};
    Bytes reply = {0x0F};
    reply.insert(reply.end(), identity.begin(), identity.end());
    Peer().Answer(KwipFrame(0x23, {0x0F}), Acked(KwipFrame(0x8B, reply)));
    std::array<char, 17> buffer{};
    const std::string_view text = broker_.RadioStatusRequest(15, buffer);
    EXPECT_EQ(Bytes(text.begin(), text.end()), identity);
    EXPECT_EQ(buffer[16], '\0');
}

TEST_F(CKwipBrokerTest, AnEmptyStatusReplyClearsTheFirst16Bytes) {
    for (const std::size_t size : {20u, 5u, 0u}) {
        SCOPED_TRACE(size);
        Peer().Answer(kStatusRequest, Acked(KwipFrame(0x86, {0x05, 'Z'})));
        std::vector<char> buffer(20, 'x');
        EXPECT_EQ(broker_.RadioStatusRequest(5, std::span(buffer).first(size)), "");
        const std::size_t cleared = std::min<std::size_t>(size, 16);
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(cleared)),
                  std::string(cleared, '\0'));
        EXPECT_EQ(std::string(buffer.begin() + static_cast<std::ptrdiff_t>(cleared), buffer.end()),
                  std::string(20 - cleared, 'x'));
    }
    ExpectScriptKept();
}

TEST_F(CKwipBrokerTest, ARadioThatNeverAcknowledgesMakesEveryRequestTimeOutAfterFourAttempts) {
    for (const Request& request : kRequests) {
        SCOPED_TRACE(request.name);
        Peer().AnswerTimes(4, request.frame, {});
        EXPECT_EQ(RaisedBy([&] { request.make(broker_); }),
                  KwipError(5, "Timeout occurred while sending KWIP command"));
        EXPECT_EQ(LogLines().back(), kExhausted);
        EXPECT_EQ(broker_.ReplyHeader().opcode, request.frame[1]) << "the header is the request's";
        ExpectScriptKept();
    }
}

TEST_F(CKwipBrokerTest, EachFailedStatusOfTheExchangeHasItsError) {
    Bytes corrupted = KwipFrame(0x8B, {0x05, 'O', 'K'});
    corrupted.back() ^= 0xFF;
    struct Case {
        Bytes answer;
        RaisedError raised;
    };
    const Case cases[] = {
        {{kNegativeAck}, KwipError(1, "Received NACK from external device")},
        {Acked(corrupted), KwipError(4, "Reply from external device contained checksum error")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raised.text);
        Peer().AnswerTimes(4, kStatusRequest, c.answer);
        std::array<char, 10> buffer{};
        EXPECT_EQ(RaisedBy([&] { broker_.RadioStatusRequest(5, buffer); }), c.raised);
        ExpectScriptKept();
    }
}

TEST_F(CKwipBrokerTest, TheEraseWaitsUpTo20SecondsForItsReply) {
    // The acknowledge comes at once and the reply 15 s later, far beyond the usual 750 ms.
    Peer().Answer(kEraseRequest, {});
    const std::uint64_t ackNs = NowNs() + 5 * kMs;
    Line().PeerSend(Bytes{kPositiveAck}, ackNs);
    Line().PeerSend(kGoodWriteReply, ackNs + 15'000 * kMs);
    EXPECT_EQ(RaisedBy([&] { broker_.EraseFlashRequest(); }), kNothingRaised);
    EXPECT_GT(Seconds(), 15.0);
    EXPECT_EQ(broker_.Comm().ReplyTimeoutMs, 750u);
    ExpectScriptKept();
}

TEST_F(CKwipBrokerTest, TheEraseRestoresTheReplyTimeOutHoweverItEnds) {
    broker_.Comm().ReplyTimeoutMs = 600;

    Peer().AnswerTimes(4, kEraseRequest, {kPositiveAck});  // and never a reply
    EXPECT_EQ(RaisedBy([&] { broker_.EraseFlashRequest(); }),
              KwipError(5, "Timeout occurred while sending KWIP command"));
    EXPECT_GT(Seconds(), 4 * 20.0);
    EXPECT_EQ(broker_.Comm().ReplyTimeoutMs, 600u);

    ASSERT_NE(Platform().GetDelayTimer(), nullptr);  // the post delay will find no timer
    Peer().Answer(kEraseRequest, Acked(kGoodWriteReply));
    EXPECT_EQ(RaisedBy([&] { broker_.EraseFlashRequest(); }), GenError(1, "Unable to allocate timer object"));
    EXPECT_EQ(broker_.Comm().ReplyTimeoutMs, 600u);
    Platform().ReleaseDelayTimer();
    ExpectScriptKept();
}

TEST_F(CKwipBrokerTest, TheDestructorClosesAnOpenPort) {
    {
        CKwipBroker broker;
        broker_.Comm().Close();
        broker.Comm().Open(kPort, 0);
        broker.PortOpen = true;
    }
    EXPECT_EQ(Serial().GetPort(), 0);
    EXPECT_EQ(Platform().GetSerial(), &Serial());
}

}  // namespace
