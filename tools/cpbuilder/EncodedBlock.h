#pragma once

#include <cstdint>
#include <vector>

#include "BlockContent.h"

// A checksummed area of a codeplug: [start, end), whose bytes, the checksum byte at `location` included,
// sum to kAreaSum modulo 256.
struct ChecksumArea {
    static constexpr std::uint8_t kAreaSum = 0x00;

    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t location = 0;
};

// The bytes of one standard-layout block laid out from its content, with everything a test needs to know
// about where its parts went. Offsets are from the block's first byte.
//
// The layout: a simple block is flags, E (1 or 2 bytes), Q, then its entries; a list block is the list
// header (flags | 0x04, L, N), the entry header (flags, E, Q of list 0) and the lists from offset 6,
// each variable-size list after list 0 led by its quantity byte. A list block's headers are always
// narrow: its list data start at offset 6 whatever the headers say. A fixed-list block with entry
// checksums carries Q filler bytes before its block checksum, as the block size of the format counts
// them.
struct EncodedBlock {
    static constexpr std::uint32_t kListDataOffset = 6;
    static constexpr std::uint8_t kFiller = 0xFF;

    Bytes bytes;
    std::vector<ChecksumArea> areas;
    std::vector<std::vector<std::uint32_t>> entryOffsets;  // per list, per entry (byte-aligned blocks)

    // Throws std::invalid_argument for a content the format cannot hold (sizes past their fields, a wide or
    // bit-packed list block with entry checksums).
    static EncodedBlock Encode(const BlockContent& content);
};
