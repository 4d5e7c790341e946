#pragma once

#include <cstdint>
#include <optional>

#include "SimWire.h"
#include "platform/LineSettings.h"

// A character as a receiver made it out: the moment its frame ended, and the line-error flags
// (CSerial::kFramingError, kParityError) it came with.
struct SimCharacter {
    std::uint8_t byte = 0;
    std::uint64_t timeNs = 0;
    unsigned errors = 0;

    bool operator==(const SimCharacter&) const = default;
};

// The framing rules of a UART in virtual time, and its receiving half. The receiver takes the line's
// fall as a start bit and samples each bit in its middle at its own rate, so a sender at another rate
// comes out as the garbage a real receiver makes of it, a line held low is a break, and a short low
// pulse reads as the character its length spells.
class SimUart {
public:
    struct Frame {
        enum class Kind { Character, Break, Noise };
        Kind kind = Kind::Noise;
        SimCharacter character;      // its time is when the frame ended
        std::uint64_t resumeNs = 0;  // the receiver looks for the next start bit from here
    };

    static double BitNs(unsigned baud);
    // One character on the line: start bit, data bits, the parity bit and the stop bits.
    static std::uint64_t FrameNs(const LineSettings& line);
    // Puts one character on the wire from startNs; returns the moment its last stop bit ends.
    static std::uint64_t Transmit(SimWire& wire, std::uint8_t byte, const LineSettings& line,
                                  std::uint64_t startNs);
    // How long a low pulse lasts that reads as `reads` at `baud`, for characters that are ones over
    // zeros (0xC0, 0xF8, 0xFE...): the start bit and the zero bits.
    static std::uint64_t PulseNs(std::uint8_t reads, unsigned baud);

    const LineSettings& Line() const { return line_; }
    // New framing from nowNs on; a frame under way is abandoned.
    void SetLine(const LineSettings& line, std::uint64_t nowNs);
    // The next frame the receiver has finished by untilNs, without taking it. Frames end in order.
    std::optional<Frame> Peek(const SimWire& wire, std::uint64_t untilNs) const;
    void Take(const Frame& frame) { huntFromNs_ = frame.resumeNs; }
    std::uint64_t HuntFromNs() const { return huntFromNs_; }

private:
    LineSettings line_;
    std::uint64_t huntFromNs_ = 0;
};
