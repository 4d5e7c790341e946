#include "kwip/CKwipComm.h"

#include <algorithm>
#include <climits>

#include "errors/CCommError.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/CKwipError.h"
#include "errors/WireTrace.h"
#include "platform/CPlatform.h"

namespace {

constexpr std::size_t kLongRestBytes = 3;  // opcode and the two size bytes after a long-form mark

// The port's errors while it reads the echo: it did not match, nothing came, too little came.
constexpr int kEchoMismatchCode = 11;
constexpr int kNoDataCode = 2;
constexpr int kTooFewBytesCode = 3;

}  // namespace

CKwipComm::~CKwipComm() {
    Close();
}

void CKwipComm::Open(unsigned port, std::uint8_t echo) {
    try {
        if (serial_ == nullptr) {
            CPlatform* platform = CPlatform::Instance();
            serial_ = platform->GetSerial();
            if (serial_ == nullptr)
                throw CGenError(2);
            lender_ = platform;
        }
        port_ = port;
        succeededSinceOpen_ = false;
        serial_->SetEcho(echo);
        serial_->SetParams(kBaud, CSerial::kParityNone, CSerial::kOneStopBit, kDataBits);
        serial_->Open(port);
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        throw CGenError(3, "Unable to open communication port");
    }
}

void CKwipComm::Close() {
    if (serial_ != nullptr) {
        serial_->Close();
        lender_->ReleaseSerial();
        serial_ = nullptr;
        lender_ = nullptr;
    }
    port_ = 0;
}

int CKwipComm::SendCommand(CKwipMessage& message, bool expectReply) {
    if (serial_ == nullptr)
        throw CGenError(3, "CKwipComm::SendCommand: The communication port is not open");
    request_.CopyFrom(message);
    const unsigned attempts = std::max(1u, AttemptCount);
    int status = kSucceeded;
    bool everyAttemptLooksLikeAWrongEcho = !succeededSinceOpen_;
    suspectedEcho_ = EchoSuspicion::None;
    for (unsigned attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) {
            ErrorLog().Log("CKwipComm::SendCommand: Request failed! Retry number = %d",
                           static_cast<int>(attempt));
        }
        try {
            RunAttempt(expectReply, attempt > 0);
            TraceAttempt(attempt, attempts, nullptr);
            succeededSinceOpen_ = true;
            message.CopyFrom(expectReply ? reply_ : request_);
            return kSucceeded;
        } catch (const CGenError& error) {
            TraceAttempt(attempt, attempts, &error);
            throw;
        } catch (const CError& error) {
            TraceAttempt(attempt, attempts, &error);
            LogFailure(error);
            status = dynamic_cast<const CCommError*>(&error) != nullptr ? kSerialFailure : error.GetCode();
            everyAttemptLooksLikeAWrongEcho = everyAttemptLooksLikeAWrongEcho && LooksLikeAWrongEcho(error);
        }
    }
    if (everyAttemptLooksLikeAWrongEcho)
        suspectedEcho_ = serial_->GetEcho() == 1 ? EchoSuspicion::NoEchoCame : EchoSuspicion::OwnEchoCame;
    ErrorLog().Log("CKwipComm::SendCommand: Retry exhuasted, so exit request");
    return status;
}

void CKwipComm::RunAttempt(bool expectReply, bool retry) {
    phase_ = Phase::SendingRequest;
    ack_.reset();
    if (retry)
        LetTheLineFallQuiet();
    serial_->PurgeInput();
    const std::span<const std::uint8_t> frame = request_.GetFrame();
    // With the ZUB echo on, Write also takes back and compares the echo, so it never reaches the reply.
    serial_->Write(frame, PerByte(frame.size(), ByteTimeoutMs));

    phase_ = Phase::GettingAck;
    std::uint8_t ack = 0;
    serial_->Read(std::span(&ack, 1), AckTimeoutMs);
    ack_ = ack;
    if (ack == kNegativeAckByte)
        throw CKwipError(kNegativeAck, "Receive Negative Ack from external device");

    if (expectReply)
        GetReply();
    PauseAfterCommand();
}

// A failed attempt may have left the rest of a reply on the wire (a lost character made it look short).
// Purging while it still comes would leave its tail to be read as the next attempt's acknowledge and
// reply, so the retry waits for it to end, though never longer than the attempt may wait for the radio.
void CKwipComm::LetTheLineFallQuiet() {
    if (!serial_->WaitForQuiet(kQuietCharacters, std::max(AckTimeoutMs, ReplyTimeoutMs)))
        ErrorLog().Log("CKwipComm::SendCommand: The line did not fall quiet before the retry");
}

void CKwipComm::GetReply() {
    phase_ = Phase::GettingReply;
    received_ = 0;
    ReadReplyBytes(1, ReplyTimeoutMs);
    std::size_t rest = 0;
    if ((replyBuffer_[0] & CKwipMessage::kSizeNibble) == CKwipMessage::kSizeNibble) {
        ReadReplyBytes(kLongRestBytes, PerByte(kLongRestBytes, ByteTimeoutMs));
        rest = static_cast<std::size_t>(replyBuffer_[2] << 8 | replyBuffer_[3]);
        // A size the buffer cannot take is refused before any of its bytes is read.
        if (rest > kMaxLongReplySize)
            throw CKwipError(kCorruptReply, "The KWIP reply message is corrupted");
    } else {
        rest = (replyBuffer_[0] & CKwipMessage::kSizeNibble) + 1u;
    }
    ReadReplyBytes(rest, PerByte(rest, ByteTimeoutMs));
    const std::span<const std::uint8_t> frame = std::span(replyBuffer_).first(received_);
    if (!CKwipMessage::VerifyChecksum(frame)) {
        throw CKwipError(kCorruptReply, "The KWIP reply message is corrupted");
    }
    reply_.Parse(frame);
}

void CKwipComm::ReadReplyBytes(std::size_t count, unsigned timeoutMs) {
    serial_->Read(std::span(replyBuffer_).subspan(received_, count), timeoutMs);
    received_ += count;
}

void CKwipComm::PauseAfterCommand() {
    if (PostDelayMs == 0)
        return;
    CPlatform* platform = CPlatform::Instance();
    CTimerCtrl* timer = platform->GetDelayTimer();
    if (timer == nullptr)
        throw CGenError(1);
    timer->Start();
    timer->Wait(PostDelayMs * 0.001);
    platform->ReleaseDelayTimer();
}

void CKwipComm::LogFailure(const CError& error) const {
    ErrorLog().Log("%s", error.GetText());
    switch (phase_) {
        case Phase::SendingRequest:
            ErrorLog().Log(
                "CKwipComm::SendCommand: Encountered the above error while sending the following message");
            ErrorLog().LogHex(request_.GetFrame());
            break;
        case Phase::GettingAck:
            if (dynamic_cast<const CCommError*>(&error) != nullptr) {
                ErrorLog().Log("CKwipComm::SendCommand: Encountered the above error while getting ack");
            }
            break;
        case Phase::GettingReply:
            ErrorLog().Log("CKwipComm::SendCommand: Encountered the above error while getting reply");
            if (received_ != 0)
                ErrorLog().LogHex(std::span(replyBuffer_).first(received_));
            break;
    }
}

// With the echo on and no interface box, the echo read takes the radio's answer, or nothing, in place
// of the request. With the echo off behind the box, the request comes back ahead of the radio's answer
// and is read as its acknowledge and reply.
bool CKwipComm::LooksLikeAWrongEcho(const CError& error) const {
    const std::span<const std::uint8_t> frame = request_.GetFrame();
    if (serial_->GetEcho() == 1) {
        const int code = error.GetCode();
        return phase_ == Phase::SendingRequest && dynamic_cast<const CCommError*>(&error) != nullptr &&
               (code == kEchoMismatchCode || code == kNoDataCode || code == kTooFewBytesCode);
    }
    if (!ack_ || *ack_ != frame[0] || phase_ != Phase::GettingReply || received_ == 0)
        return false;
    const std::size_t compared = std::min(received_, frame.size() - 1);
    return std::equal(frame.begin() + 1, frame.begin() + 1 + static_cast<std::ptrdiff_t>(compared),
                      replyBuffer_.begin());
}

void CKwipComm::TraceAttempt(unsigned attempt, unsigned attempts, const CError* failure) const {
    WireTrace* trace = WireTrace::Installed();
    if (trace == nullptr)
        return;
    const std::span<const std::uint8_t> reply = phase_ == Phase::GettingReply
                                                    ? std::span(replyBuffer_).first(received_)
                                                    : std::span<const std::uint8_t>();
    trace->OnKwipAttempt({request_.GetFrame(), ack_, reply, attempt + 1, attempts,
                          failure != nullptr ? failure->GetText() : ""});
}

// The time-out for `count` bytes at `timeoutMs` each; a product past the unsigned range is kept at its
// top, where the port refuses it as too big instead of waiting a wrapped-around time.
unsigned CKwipComm::PerByte(std::size_t count, unsigned timeoutMs) {
    const unsigned long long product = static_cast<unsigned long long>(count) * timeoutMs;
    return static_cast<unsigned>(std::min<unsigned long long>(product, UINT_MAX));
}
