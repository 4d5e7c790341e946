#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/Clock.h"
#include "platform/LineSettings.h"

// The few primitives the serial port needs of a device, in place of the Win32 comm calls. Input is
// counted and taken as it stands, output goes one character at a time; only WaitForInput waits. Devices
// are opened by their makers (TermiosDevice::Open, SimLine::OpenProgramEnd) and closed by destruction.
class CommDevice {
public:
    // What a query of the line's error state returns. `errors` holds the CSerial line-error flags
    // (kBreak, kFramingError, ...) raised since the previous query.
    struct Status {
        unsigned errors = 0;
        std::size_t inputQueued = 0;
        std::size_t outputQueued = 0;
    };

    static constexpr unsigned kPurgeInput = 0x1;
    static constexpr unsigned kPurgeOutput = 0x2;
    // How often the default WaitForInput looks: about a character time at 115,200 Bd.
    static constexpr std::uint64_t kInputPollCounts = 100'000;

    virtual ~CommDevice() = default;

    // Sets the device up as the port needs it: raw characters, and reads that return at once with what
    // has come. False when the driver refuses. A device that is so from the start keeps this default.
    virtual bool MakeRaw() { return true; }
    // The line's current framing; nothing when the device cannot tell.
    virtual std::optional<LineSettings> GetLine() = 0;
    // False when the device refuses the settings; the line is then left as it was.
    virtual bool SetLine(const LineSettings& line) = 0;
    // Hands one character to the transmitter ahead of anything queued; false while the previous one
    // is still pending.
    virtual bool TransmitChar(std::uint8_t byte) = 0;
    // Received characters waiting to be read.
    virtual std::size_t InputCount() = 0;
    // Sleeps until more than `moreThan` characters are waiting or `clock` has reached `deadline`. It may
    // return earlier (a signal, a line event), so callers count again and read the clock themselves.
    // This default, for a device that cannot wait on its input, looks every kInputPollCounts.
    virtual void WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock);
    // Takes exactly destination.size() waiting characters; false when fewer are waiting or the device
    // fails, and the destination's content is then unspecified.
    virtual bool Read(std::span<std::uint8_t> destination) = 0;
    // Reports and clears the error flags, with the queue counts.
    virtual Status ClearErrors() = 0;
    // Discards what is waiting in the directions given (kPurgeInput, kPurgeOutput).
    virtual void Purge(unsigned directions) = 0;
    // The device has gone for good (an adapter pulled out, a hung-up terminal): nothing more will come
    // from it and nothing can be sent. Set by the operation that found out; never cleared.
    virtual bool Gone() const { return false; }
};
