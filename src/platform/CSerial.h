#pragma once

#include <cstdint>
#include <span>

// The serial port as the rest of the system sees it. Time-outs are milliseconds. Every failure raises
// an error (CCommError for the line and the driver, CGenError for a missing timer or a time-out that is
// too big); only the waiting operations that return bool report by their result.
class CSerial {
public:
    // Parity and stop-bit values of SetParams and the getters and setters.
    static constexpr int kParityNone = 0;
    static constexpr int kParityOdd = 1;
    static constexpr int kParityEven = 2;
    static constexpr int kOneStopBit = 0;
    static constexpr int kOneAndHalfStopBits = 1;
    static constexpr int kTwoStopBits = 2;

    // Line-error flags, as the driver reports them.
    static constexpr unsigned kReceiveOverflow = 0x01;
    static constexpr unsigned kOverrun = 0x02;
    static constexpr unsigned kParityError = 0x04;
    static constexpr unsigned kFramingError = 0x08;
    static constexpr unsigned kBreak = 0x10;
    static constexpr unsigned kTransmitQueueFull = 0x100;

    virtual ~CSerial() = default;

    // Discards everything received and not yet read.
    virtual void PurgeInput() = 0;
    // Seconds one character occupies on the line with the current settings.
    virtual double ByteTime() = 0;

    // 1: every transmitted byte comes back (the ZUB interface box) and Write compares it.
    std::uint8_t GetEcho() const { return echo_; }
    void SetEcho(std::uint8_t echo) { echo_ = echo; }

    // Opens COM port n with the parameters stored by SetParams, closing an open port first.
    virtual void Open(unsigned port) = 0;
    // Harmless when closed.
    virtual void Close() = 0;
    // The open port number, 0 when closed.
    virtual int GetPort() const = 0;
    // While held, Close leaves the device open and ours underneath, so that no other program takes the
    // radio before the next Open of the same port takes the device up again; when the last hold is
    // released, a closed port lets its device go. Holds nest. A port without devices to keep ignores them.
    virtual void HoldDevice() {}
    virtual void ReleaseDevice() {}

    // Reads exactly destination.size() bytes or raises.
    virtual void Read(std::span<std::uint8_t> destination, unsigned timeoutMs) = 0;
    // Sends the bytes; with the echo flag 1 reads them back and compares.
    virtual void Write(std::span<const std::uint8_t> source, unsigned timeoutMs) = 0;
    // True as soon as the line reports an error flag in mask, false at the time-out.
    virtual bool WaitForCommError(unsigned mask, unsigned timeoutMs) = 0;
    // True when the radio's low pulse arrives (read as one character at 300 baud).
    virtual bool DetectPulse(unsigned timeoutMs) = 0;
    // Returns once count bytes are waiting; raises when the line stays idle too long between bytes.
    virtual void WaitForBytesUnless(unsigned count, unsigned timeoutMs) = 0;
    // Returns true once nothing has arrived for `quietCharacters` character times, false when the line
    // is still busy at the time-out. What arrives meanwhile stays waiting for PurgeInput or Read.
    virtual bool WaitForQuiet(unsigned quietCharacters, unsigned timeoutMs) = 0;
    // True as soon as a received character is waiting (nothing is read), false at the time-out.
    virtual bool WaitForCharacter(unsigned timeoutMs) = 0;

    // Stores the line parameters for the next Open; the setters below leave them alone.
    virtual void SetParams(unsigned baud, int parity, int stopBits, int charSize) = 0;

    // The open port's current line settings, and changes to them.
    virtual int GetStopBits() const = 0;
    virtual void SetStopBits(int stopBits) = 0;
    virtual int GetCharSize() const = 0;
    virtual void SetCharSize(int charSize) = 0;
    virtual int GetParity() const = 0;
    virtual void SetParity(int parity) = 0;
    virtual unsigned GetBaud() const = 0;
    virtual void SetBaud(unsigned baud) = 0;

protected:
    CSerial() = default;

private:
    std::uint8_t echo_ = 0;
};
