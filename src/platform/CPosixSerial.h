#pragma once

#include <functional>
#include <memory>

#include "platform/CSerial.h"
#include "platform/CTimerCtrl.h"
#include "platform/CommDevice.h"
#include "platform/LineSettings.h"

// The serial port of the system. Time-outs are counted by the program itself in character times on
// the platform's port timer; the device underneath only counts, reads and transmits. The texts of its
// errors keep the names of the Windows class they were first written for: logs and support documents
// search for them.
class CPosixSerial : public CSerial {
public:
    // Opens the device behind COM port n; null when there is none or it cannot be opened (the opener
    // logs why).
    using DeviceOpener = std::function<std::unique_ptr<CommDevice>(unsigned port)>;

    explicit CPosixSerial(DeviceOpener opener);
    ~CPosixSerial() override;
    CPosixSerial(const CPosixSerial&) = delete;
    CPosixSerial& operator=(const CPosixSerial&) = delete;

    void PurgeInput() override;
    double ByteTime() override;

    void Open(unsigned port) override;
    void Close() override;
    int GetPort() const override { return port_; }
    void HoldDevice() override { ++holds_; }
    void ReleaseDevice() override;

    void Read(std::span<std::uint8_t> destination, unsigned timeoutMs) override;
    // With the echo flag 1 the echo is compared in pieces of kEchoBufferBytes, so any length is safe.
    void Write(std::span<const std::uint8_t> source, unsigned timeoutMs) override;
    bool WaitForCommError(unsigned mask, unsigned timeoutMs) override;
    bool DetectPulse(unsigned timeoutMs) override;
    void WaitForBytesUnless(unsigned count, unsigned timeoutMs) override;
    bool WaitForQuiet(unsigned quietCharacters, unsigned timeoutMs) override;
    bool WaitForCharacter(unsigned timeoutMs) override;

    void SetParams(unsigned baud, int parity, int stopBits, int charSize) override;
    int GetStopBits() const override;
    void SetStopBits(int stopBits) override;
    int GetCharSize() const override { return line_.dataBits; }
    void SetCharSize(int charSize) override;
    int GetParity() const override;
    void SetParity(int parity) override;
    unsigned GetBaud() const override { return line_.baud; }
    // Waits (bounded) for the queued output to leave at the old rate before the rate changes.
    void SetBaud(unsigned baud) override;

    // Raises the CCommError for a set of line-error flags, the first in the order break, framing,
    // overrun, parity, receive overflow, transmit queue full, then any other flag; nothing for none.
    static void RaiseLineError(unsigned flags);
    // A device that has gone (CommDevice::Gone) fails the operation at once with this, code 9, instead of
    // waiting out its time-out as if the line were only silent.
    static constexpr const char* kGoneText = "The communication port has gone: its cable or adapter was removed";

    static constexpr std::size_t kEchoBufferBytes = 1024;

private:
    CommDevice& Device();
    void RaiseIfGone();
    std::unique_ptr<CommDevice> DeviceFor(unsigned port);
    std::size_t InputCount();
    unsigned ToByteTimes(double seconds);
    bool WaitForErrorClear(unsigned mask, unsigned timeoutMs);
    void DrainOutput();
    bool PollErrorFlags(unsigned mask, unsigned timeoutMs, bool untilSet);
    [[noreturn]] void RaiseOpenFailure(const char* text);
    void ApplyLine(const LineSettings& line, const char* refusedText);
    bool TakeLine(const LineSettings& line);
    unsigned TransmitAll(std::span<const std::uint8_t> source, unsigned timeoutMs);
    void WaitForTransmitter(CTimerCtrl& timer, double handedAt, double now, double limit);
    void CompareEcho(std::span<const std::uint8_t> sent, unsigned timeoutMs);
    bool ReadPulse(unsigned timeoutMs);

    DeviceOpener opener_;
    int parity_ = kParityNone;
    int stopBits_ = kOneStopBit;
    int charSize_ = 8;
    unsigned baud_ = 9600;
    LineSettings line_;
    std::unique_ptr<CommDevice> device_;
    int port_ = 0;
    int holds_ = 0;
    std::unique_ptr<CommDevice> keptDevice_;  // the device of a held port while it is closed
    unsigned keptPort_ = 0;
};
