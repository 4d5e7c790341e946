#pragma once

#include <cstdint>

// The summary of one KWIP frame: its opcode, its lengths in bytes and its checksum byte.
struct KwipHeader {
    std::uint8_t opcode = 0;
    std::uint16_t frameLength = 0;
    std::uint16_t payloadLength = 0;
    std::uint16_t headerLength = 0;  // the payload's offset in the frame: 2 short form, 4 long form
    std::uint8_t checksum = 0;

    bool operator==(const KwipHeader&) const = default;
};
