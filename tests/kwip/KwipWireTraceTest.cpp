#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KwipFrames.h"
#include "RaisedError.h"
#include "RecordingWireTrace.h"
#include "SimSerialTest.h"
#include "kwip/CKwipComm.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Attempt = RecordingWireTrace::Attempt;

const Bytes kStatusRequest = {0xF2, 0x23, 0x05, 0xE5};
const Bytes kStatusReply = KwipFrame(0x8B, {0x05, 'O', 'K'});
const Bytes kResetRequest = {0xF1, 0x10, 0xFE};

// Each attempt of a command reaches the wire trace with what went out and what came back.
class KwipWireTraceTest : public SimSerialTest {
protected:
    KwipWireTraceTest() {
        comm_.AttemptCount = 4;
        comm_.ByteTimeoutMs = 250;
        comm_.ReplyTimeoutMs = 750;
        comm_.PostDelayMs = 10;
        comm_.Open(kPort, 0);
    }

    int SendStatus() {
        message_.BuildByte(0x23, 0x05);
        return comm_.SendCommand(message_, true);
    }

    RecordingWireTrace trace_;
    CKwipComm comm_;
    CKwipMessage message_;
};

TEST_F(KwipWireTraceTest, EveryAttemptIsReportedWithItsAcknowledgeReplyAndOutcome) {
    Peer()
        .Answer(kStatusRequest, {kNegativeAck})
        .Answer(kStatusRequest, {})
        .Answer(kStatusRequest, Acked({0xF3, 0x8B}))
        .Answer(kStatusRequest, Acked(kStatusReply));
    ASSERT_EQ(SendStatus(), CKwipComm::kSucceeded);
    EXPECT_EQ(trace_.Attempts(),
              (std::vector<Attempt>{
                  {kStatusRequest, kNegativeAck, {}, 1, 4, "Receive Negative Ack from external device"},
                  {kStatusRequest,
                   std::nullopt,
                   {},
                   2,
                   4,
                   "CWinSerial::WaitForBytesUnless: No data received when timeout"},
                  {kStatusRequest,
                   kPositiveAck,
                   {0xF3},
                   3,
                   4,
                   "CWinSerial::WaitForBytesUnless: Timeout after receiving 1 bytes"},
                  {kStatusRequest, kPositiveAck, kStatusReply, 4, 4, ""},
              }));
}

TEST_F(KwipWireTraceTest, ACommandWithoutReplyAndAGeneralErrorAreReportedToo) {
    Peer().Answer(kResetRequest, {kPositiveAck});
    message_.BuildEmpty(0x10);
    ASSERT_EQ(comm_.SendCommand(message_, false), CKwipComm::kSucceeded);

    ASSERT_NE(Platform().GetDelayTimer(), nullptr);  // the post delay will find no timer
    Peer().Answer(kStatusRequest, Acked(kStatusReply));
    EXPECT_EQ(RaisedBy([&] { SendStatus(); }), GenError(1, "Unable to allocate timer object"));
    Platform().ReleaseDelayTimer();

    EXPECT_EQ(trace_.Attempts(),
              (std::vector<Attempt>{
                  {kResetRequest, kPositiveAck, {}, 1, 4, ""},
                  {kStatusRequest, kPositiveAck, kStatusReply, 1, 4, "Unable to allocate timer object"},
              }));
}

}  // namespace
