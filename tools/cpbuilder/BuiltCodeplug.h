#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "BlockContent.h"
#include "EncodedBlock.h"

// A standard-layout codeplug image as CodeplugBuilder laid it out, and where everything went: the
// region pointers, each block with its entries' addresses, and every checksummed area (entries, lists,
// blocks, regions), so a test can check any byte sum without trusting the code it tests.
struct BuiltCodeplug {
    struct Block {
        std::uint16_t id = 0;
        std::uint32_t address = 0;
        std::uint32_t size = 0;
        BlockContent content;
        std::vector<std::vector<std::uint32_t>> entryAddresses;  // per list, per entry
    };

    Bytes bytes;
    std::uint32_t region2Start = 0;   // A0
    std::uint32_t region3Start = 0;   // A1
    std::uint32_t region3Length = 0;  // L2
    bool region3Checksum = false;
    std::uint32_t vector = 0;  // V: the block count, then the block addresses
    std::uint16_t blockCount = 0;
    std::uint16_t headerWord9 = 0;
    std::uint16_t headerWordA1Plus4 = 0;
    std::vector<Block> blocks;
    std::vector<ChecksumArea> areas;

    const Block* Find(std::uint16_t id) const;
    // The address of an entry's first byte; throws std::out_of_range for one the codeplug lacks.
    std::uint32_t EntryAddress(std::uint16_t id, std::uint32_t list, std::uint32_t entry) const;
    // The byte sums modulo 256 of every area of `image` (this codeplug or a changed copy of it), in the
    // order of `areas`.
    std::vector<std::uint8_t> AreaSums(std::span<const std::uint8_t> image) const;
    std::vector<std::uint8_t> AreaSums() const { return AreaSums(bytes); }
};
