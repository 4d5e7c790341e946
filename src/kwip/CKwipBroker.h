#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kwip/CKwipComm.h"
#include "kwip/CKwipMessage.h"
#include "kwip/KwipHeader.h"

// The one way the system talks KWIP to a radio. Each request builds one frame, sends it on the embedded
// exchange, turns a failed exchange into a CKwipError (1 negative acknowledge, 4 corrupted reply,
// 5 time-out or serial failure), and checks that the reply is of the expected kind (else CKwipError 3,
// with the reply in the error log). A CGenError from below passes through unchanged.
//
// Use: tune Comm()'s settings if the work needs other values, Comm().Open(port, echo), set PortOpen;
// make requests; Comm().Close() and clear PortOpen (or let the destructor close the port).
class CKwipBroker {
public:
    static constexpr std::uint8_t kResetOpcode = 0x10;
    static constexpr std::uint8_t kReadOpcode = 0x11;
    static constexpr std::uint8_t kEraseFlashOpcode = 0x15;
    static constexpr std::uint8_t kWriteOpcode = 0x17;
    static constexpr std::uint8_t kRadioStatusOpcode = 0x23;
    static constexpr std::uint8_t kReadDataReply = 0x80;
    static constexpr std::uint8_t kGoodWriteReply = 0x84;
    static constexpr std::uint8_t kEmptyStatusReply = 0x86;
    static constexpr std::uint8_t kRadioStatusReply = 0x8B;

    static constexpr std::uint8_t kEraseFlashValue = 0x40;
    static constexpr unsigned kMaxAddress = 0xFFFFFF;  // addresses are 24-bit; higher bits are not sent
    static constexpr std::size_t kMaxReadCount = 255;  // the count travels as one byte
    static constexpr std::size_t kAddressBytes = 3;
    static constexpr std::size_t kMaxWriteCount = CKwipMessage::kMaxPayload - kAddressBytes;
    static constexpr std::size_t kEmptyStatusClearBytes = 16;

    // The exchange's settings from construction on.
    static constexpr unsigned kAttemptCount = 4;
    static constexpr unsigned kAckTimeoutMs = 100;
    static constexpr unsigned kReplyTimeoutMs = 750;
    static constexpr unsigned kPostDelayMs = 10;
    static constexpr unsigned kByteTimeoutMs = 250;
    static constexpr unsigned kEraseReplyTimeoutMs = 20000;

    CKwipBroker();
    virtual ~CKwipBroker();
    CKwipBroker(const CKwipBroker&) = delete;
    CKwipBroker& operator=(const CKwipBroker&) = delete;

    CKwipComm& Comm() { return comm_; }
    // Set by the user while it holds the exchange's port open; the destructor then closes it.
    bool PortOpen = false;

    // Reads destination.size() bytes (at most kMaxReadCount) from `address` into the destination. A
    // Read Data Reply carrying another number of data bytes is a wrong reply, and the destination is
    // then left untouched.
    void ReadRequest(unsigned address, std::span<std::uint8_t> destination);
    // Writes the source bytes (at most kMaxWriteCount) at `address`; the frame is always long form.
    void WriteRequest(unsigned address, std::span<const std::uint8_t> source);
    // The erase takes long: the reply time-out is kEraseReplyTimeoutMs for it, and the previous value is
    // put back however the exchange ends.
    void EraseFlashRequest();
    // The radio's acknowledge ends the command; no reply is read.
    void ResetRequest();
    // Asks for status `code` and writes its text, cut to destination.size() - 1 bytes and NUL-terminated,
    // into the destination. Returns the bytes written before the NUL (a status text may hold zero bytes,
    // as the radio's identity does). An empty status reply gives an empty text, with the first
    // kEmptyStatusClearBytes bytes of the destination zeroed; an empty destination gets nothing.
    std::string_view RadioStatusRequest(std::uint8_t code, std::span<char> destination);

    // The header of the message after the last command: the reply, or the request when none was read.
    const KwipHeader& ReplyHeader() const { return replyHeader_; }

private:
    void Exchange(bool expectReply);
    void RaiseForStatus(int status) const;
    // After the operation's own log line: logs the reply and raises CKwipError 3 with `text`.
    [[noreturn]] void RaiseWrongReply(const char* text) const;

    KwipHeader replyHeader_;
    CKwipComm comm_;
    CKwipMessage message_;
};
