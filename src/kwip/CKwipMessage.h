#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kwip/KwipHeader.h"

// The frame forms. Auto lets Build choose: short up to kMaxShortPayload bytes, else long.
enum class KwipForm { Auto = 0, Short = 1, Long = 2 };

// One KWIP frame in memory: a request built here, or a reply taken in with Parse.
//
// Short form: F0|size, opcode, payload, checksum (size = payload + 1, 1 to 14).
// Long form:  FF, opcode, size (2 bytes, big-endian), payload, checksum.
// The checksum is the one's complement of the 8-bit sum of every byte before it. A receiver tells the
// forms apart by the low nibble of the first byte alone.
class CKwipMessage {
public:
    static constexpr std::size_t kFrameBytes = 525;
    static constexpr std::size_t kMaxPayload = 254;  // the builder writes the size as one byte
    static constexpr std::size_t kMaxShortPayload = 13;
    static constexpr std::size_t kShortHeaderBytes = 2;
    static constexpr std::size_t kLongHeaderBytes = 4;
    static constexpr std::uint8_t kShortMark = 0xF0;
    static constexpr std::uint8_t kLongMark = 0xFF;
    static constexpr std::uint8_t kSizeNibble = 0x0F;  // a low nibble of 0xF marks the long form

    virtual ~CKwipMessage() = default;

    // Builds a request frame and returns its checksum. Raises CGenError 3, and leaves the message as it
    // was, for a payload over kMaxPayload bytes or a forced short form over kMaxShortPayload.
    std::uint8_t Build(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                       KwipForm form = KwipForm::Auto);
    // The short frames F2 opcode value checksum and F1 opcode checksum.
    std::uint8_t BuildByte(std::uint8_t opcode, std::uint8_t value);
    std::uint8_t BuildEmpty(std::uint8_t opcode);

    // Takes in a received frame: the bytes its header announces are copied, the rest of `raw` is
    // ignored. Raises CGenError 3 for a frame that `raw` does not hold whole, that is longer than
    // kFrameBytes, or whose size leaves no room for the opcode before the checksum.
    void Parse(std::span<const std::uint8_t> raw);
    void CopyFrom(const CKwipMessage& other);

    // Whether `raw` starts with a whole frame whose last byte is its checksum. A frame cut short, or
    // with a size of 0 (its opcode would be its checksum), is not valid.
    static bool VerifyChecksum(std::span<const std::uint8_t> raw);
    // The checksum of all bytes but the last: `bytes` counts the checksum's own position.
    static std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

    std::span<const std::uint8_t> GetFrame() const { return std::span(frame_).first(frameLength_); }
    KwipHeader GetHeader() const;
    std::uint8_t Opcode() const { return opcode_; }
    std::span<const std::uint8_t> Payload() const {
        return std::span(frame_).subspan(headerLength_, payloadLength_);
    }
    // Auto until the first Build or Parse.
    KwipForm Form() const { return form_; }

private:
    void Finish();

    std::uint16_t headerLength_ = 0;
    std::uint16_t frameLength_ = 0;
    std::uint16_t payloadLength_ = 0;
    std::uint8_t checksum_ = 0;
    std::uint8_t opcode_ = 0;
    std::array<std::uint8_t, kFrameBytes> frame_{};
    KwipForm form_ = KwipForm::Auto;
};
