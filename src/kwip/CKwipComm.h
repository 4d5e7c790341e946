#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "kwip/CKwipMessage.h"

class CError;
class CPlatform;
class CSerial;

// Carries one KWIP command across the serial line: sends the request, waits for the radio's acknowledge
// byte, optionally takes in and checks the reply, pauses briefly, and repeats the whole command up to
// AttemptCount times while a step fails. Failures a retry may cure end as a status, each failed attempt
// leaving its trail in the error log; a CGenError (a time-out too big, no free timer) leaves at once.
class CKwipComm {
public:
    // The statuses of SendCommand.
    static constexpr int kSucceeded = 0;
    static constexpr int kNegativeAck = 1;    // the radio refused the request
    static constexpr int kCorruptReply = 4;   // the reply failed its checksum or cannot be a frame
    static constexpr int kSerialFailure = 5;  // no acknowledge or reply in time, echo mismatch, line error

    // What a command that failed on a newly opened port suggests of the echo setting.
    enum class EchoSuspicion {
        None,
        NoEchoCame,   // the echo is on, but what came back was never the request's echo
        OwnEchoCame,  // the echo is off, but the request came back as it was sent
    };

    static constexpr std::uint8_t kNegativeAckByte = 0x60;  // any other acknowledge byte is positive
    static constexpr std::size_t kReplyBufferBytes = 512;
    static constexpr std::size_t kMaxLongReplySize = kReplyBufferBytes - CKwipMessage::kLongHeaderBytes;

    // Before a retry the line must have been quiet this long, in character times.
    static constexpr unsigned kQuietCharacters = 2;

    static constexpr unsigned kBaud = 9600;
    static constexpr int kDataBits = 8;

    CKwipComm() = default;
    virtual ~CKwipComm();
    CKwipComm(const CKwipComm&) = delete;
    CKwipComm& operator=(const CKwipComm&) = delete;

    // The settings, in milliseconds; owners change them between commands. ByteTimeoutMs applies to each
    // byte of the request and of a reply after its first; it has no useful default and must be set.
    unsigned ByteTimeoutMs = 0;
    unsigned AttemptCount = 1;  // 0 is taken as 1: a command is always tried
    unsigned AckTimeoutMs = 100;
    unsigned ReplyTimeoutMs = 500;  // for the first byte of the reply
    unsigned PostDelayMs = 5;       // pause after each successful command, on the delay timer; 0 for none

    // Borrows the platform's serial port (keeping it when this exchange holds it already), sets the echo
    // flag (1: the ZUB box echoes every byte) and 9600-N-1-8, and opens COM `port`. Any failure is logged
    // and raised as CGenError 3 "Unable to open communication port"; the port stays borrowed until Close.
    void Open(unsigned port, std::uint8_t echo);
    // Closes the port and gives it back to the platform. Harmless when nothing is borrowed.
    void Close();
    // The open port number, 0 when closed.
    unsigned GetPort() const { return port_; }
    // The borrowed serial port, for a user that changes its rate; null when nothing is borrowed.
    CSerial* Serial() const { return serial_; }

    // Sends the built request in `message` and returns the status. On success the message holds the
    // reply when expectReply is true, else still the request; on any other status it is unchanged.
    // Raises CGenError 3 without sending when no port is borrowed.
    int SendCommand(CKwipMessage& message, bool expectReply);
    // After a failed SendCommand: when no command has succeeded since Open and every attempt failed
    // as a wrong echo setting makes it fail, which way it is wrong; else None.
    EchoSuspicion SuspectedEcho() const { return suspectedEcho_; }

private:
    enum class Phase { SendingRequest = 1, GettingAck = 2, GettingReply = 3 };

    void RunAttempt(bool expectReply, bool retry);
    void LetTheLineFallQuiet();
    void GetReply();
    void ReadReplyBytes(std::size_t count, unsigned timeoutMs);
    void PauseAfterCommand();
    void LogFailure(const CError& error) const;
    bool LooksLikeAWrongEcho(const CError& error) const;
    // Reports the attempt to the wire trace, when one is installed; `failure` is null on success.
    void TraceAttempt(unsigned attempt, unsigned attempts, const CError* failure) const;
    static unsigned PerByte(std::size_t count, unsigned timeoutMs);

    CSerial* serial_ = nullptr;
    CPlatform* lender_ = nullptr;  // the platform the port was borrowed from
    std::size_t received_ = 0;     // bytes of the current reply taken into the buffer
    std::array<std::uint8_t, kReplyBufferBytes> replyBuffer_{};
    CKwipMessage request_;
    CKwipMessage reply_;
    std::optional<std::uint8_t> ack_;  // the current attempt's acknowledge, for the wire trace
    unsigned port_ = 0;
    Phase phase_ = Phase::SendingRequest;
    bool succeededSinceOpen_ = false;
    EchoSuspicion suspectedEcho_ = EchoSuspicion::None;
};
