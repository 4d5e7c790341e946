#include "kwip/CKwipBroker.h"

#include <algorithm>
#include <array>

#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "errors/CKwipError.h"

namespace {

// The 24 bits of an address that go on the wire, most significant first.
std::array<std::uint8_t, CKwipBroker::kAddressBytes> AddressBytes(unsigned address) {
    return {static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address)};
}

constexpr std::size_t kReadReplySkippedBytes = 3;  // the reply's address field, not compared

constexpr const char* kWrongStatusReplyLine =
    "CKwipBroker::RadioStatusRequest: Did not receive good Radio Status reply for KWIP Radio Status Request";

}  // namespace

CKwipBroker::CKwipBroker() {
    comm_.AttemptCount = kAttemptCount;
    comm_.AckTimeoutMs = kAckTimeoutMs;
    comm_.ReplyTimeoutMs = kReplyTimeoutMs;
    comm_.PostDelayMs = kPostDelayMs;
    comm_.ByteTimeoutMs = kByteTimeoutMs;
}

CKwipBroker::~CKwipBroker() {
    if (PortOpen)
        comm_.Close();
}

void CKwipBroker::ReadRequest(unsigned address, std::span<std::uint8_t> destination) {
    if (destination.size() > kMaxReadCount) {
        throw CGenError(3, "CKwipBroker::ReadRequest: A read of %u bytes cannot be requested",
                        static_cast<unsigned>(destination.size()));
    }
    const auto at = AddressBytes(address);
    const std::array<std::uint8_t, 4> payload = {static_cast<std::uint8_t>(destination.size()), at[0], at[1],
                                                 at[2]};
    message_.Build(kReadOpcode, payload);
    Exchange(true);
    const std::span<const std::uint8_t> reply = message_.Payload();
    // A reply with other than the count of data bytes would leave part of the destination stale, or
    // overrun it.
    if (message_.Opcode() != kReadDataReply || reply.size() != kReadReplySkippedBytes + destination.size()) {
        ErrorLog().Log(
            "CKwipBroker::ReadRequest: Read from address %X did not receive correct Read Reply from radio",
            address);
        RaiseWrongReply("Did not received Read Data Reply for KWIP Read Request");
    }
    const std::span<const std::uint8_t> data = reply.subspan(kReadReplySkippedBytes);
    std::copy(data.begin(), data.end(), destination.begin());
}

void CKwipBroker::WriteRequest(unsigned address, std::span<const std::uint8_t> source) {
    if (source.size() > kMaxWriteCount) {
        throw CGenError(3, "CKwipBroker::WriteRequest: %u data bytes do not fit a KWIP frame",
                        static_cast<unsigned>(source.size()));
    }
    std::array<std::uint8_t, CKwipMessage::kMaxPayload> payload{};
    const auto at = AddressBytes(address);
    std::copy(source.begin(), source.end(), std::copy(at.begin(), at.end(), payload.begin()));
    message_.Build(kWriteOpcode, std::span(payload).first(kAddressBytes + source.size()), KwipForm::Long);
    Exchange(true);
    if (message_.Opcode() != kGoodWriteReply) {
        ErrorLog().Log("CKwipBroker::WriteRequest: Write to ddress %X did not receive Good Write Reply",
                       address);
        RaiseWrongReply("Did not received Good Write Reply for KWIP Write Request");
    }
}

void CKwipBroker::EraseFlashRequest() {
    message_.BuildByte(kEraseFlashOpcode, kEraseFlashValue);
    struct ReplyTimeoutRestorer {
        CKwipComm& comm;
        unsigned previousMs;
        ~ReplyTimeoutRestorer() { comm.ReplyTimeoutMs = previousMs; }
    } restorer{comm_, comm_.ReplyTimeoutMs};
    comm_.ReplyTimeoutMs = kEraseReplyTimeoutMs;
    Exchange(true);
    if (message_.Opcode() != kGoodWriteReply) {
        ErrorLog().Log("CKwipBroker::WriteRequest: Erase flash did not receive Good Write Reply");
        RaiseWrongReply("Did not received Good Write Reply for KWIP Erase Flash Request");
    }
}

void CKwipBroker::ResetRequest() {
    message_.BuildEmpty(kResetOpcode);
    Exchange(false);
}

std::string_view CKwipBroker::RadioStatusRequest(std::uint8_t code, std::span<char> destination) {
    message_.BuildByte(kRadioStatusOpcode, code);
    Exchange(true);
    const std::span<const std::uint8_t> reply = message_.Payload();
    if (message_.Opcode() == kEmptyStatusReply) {
        std::fill_n(destination.begin(), std::min(destination.size(), kEmptyStatusClearBytes), '\0');
        return {destination.data(), 0};
    }
    if (message_.Opcode() != kRadioStatusReply || reply.empty() || reply[0] != code) {
        ErrorLog().Log("%s", kWrongStatusReplyLine);
        RaiseWrongReply("Did not receive good Radio Status reply for KWIP Radio Status Request");
    }
    if (destination.empty())
        return {destination.data(), 0};
    const std::span<const std::uint8_t> text =
        reply.subspan(1).first(std::min(reply.size() - 1, destination.size() - 1));
    std::copy(text.begin(), text.end(), destination.begin());
    destination[text.size()] = '\0';
    return {destination.data(), text.size()};
}

void CKwipBroker::Exchange(bool expectReply) {
    const int status = comm_.SendCommand(message_, expectReply);
    replyHeader_ = message_.GetHeader();
    RaiseForStatus(status);
}

void CKwipBroker::RaiseForStatus(int status) const {
    switch (status) {
        case CKwipComm::kSucceeded:
            return;
        case CKwipComm::kNegativeAck:
            throw CKwipError(status, "Received NACK from external device");
        case CKwipComm::kCorruptReply:
            throw CKwipError(status, "Reply from external device contained checksum error");
        case CKwipComm::kSerialFailure:
            throw CKwipError(status, "Timeout occurred while sending KWIP command");
        default:
            throw CKwipError(status);  // the exchange gives no other status; never let one pass
    }
}

void CKwipBroker::RaiseWrongReply(const char* text) const {
    ErrorLog().LogHex(message_.GetFrame());
    throw CKwipError(3, "%s", text);
}
