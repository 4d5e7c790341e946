#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A KWIP frame as the simulated radio sees it. The radio builds and checks frames with this code of its
// own and never with the program's message class, so that it cannot share that class's faults.
//
// Short form: F0 | size, opcode, payload, checksum, with size = payload length + 1 (1 to 14).
// Long form: FF, opcode, size (2 bytes, most significant first), payload, checksum.
// The checksum is the one's complement of the 8-bit sum of every byte before it.
struct RadioFrame {
    static constexpr std::uint8_t kHeaderMark = 0xF0;  // the high nibble of every header byte
    static constexpr std::uint8_t kLongForm = 0x0F;    // header low nibble of the long form
    static constexpr std::size_t kShortHeaderBytes = 2;
    static constexpr std::size_t kLongHeaderBytes = 4;
    static constexpr std::size_t kChecksumBytes = 1;
    static constexpr std::size_t kMaxShortPayload = 13;
    static constexpr std::size_t kMaxPayload = 254;  // a size of 255, the most one byte can say

    std::uint8_t opcode = 0;
    std::vector<std::uint8_t> payload;

    // The frame on the wire: the short form for payloads up to kMaxShortPayload bytes, else the long
    // form. The payload must not exceed kMaxPayload.
    static std::vector<std::uint8_t> Build(std::uint8_t opcode, std::span<const std::uint8_t> payload);
    static std::uint8_t Checksum(std::span<const std::uint8_t> bytesBefore);
};
