#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// What one standard-layout block holds, for CodeplugBuilder. Each list gives its entries' bytes without
// checksums; the builder adds the headers and every checksum byte the flags ask for.
//
//     BlockContent::Simple(4, {{1, 2, 3, 4}, {5, 6, 7, 8}}).EntryChecksums().BlockChecksum()
//     BlockContent::VariableLists(2, {{{1, 2}, {3, 4}}, {}, {{5, 6}}}).ListChecksums()
struct BlockContent {
    enum class Kind { kSimple, kFixedLists, kVariableLists };

    struct List {
        std::uint32_t quantity = 0;
        Bytes data;  // quantity * E bytes, or ceil(quantity * E / 8) when bit-packed
    };

    Kind kind = Kind::kSimple;
    std::uint32_t entrySize = 0;  // E: bytes, bits when bit-packed
    std::vector<List> lists;      // one for a simple block
    bool entryChecksums = false;
    bool listChecksums = false;
    bool blockChecksum = false;
    bool wide = false;  // a 2-byte entry size in a simple block (implied by E > 255)
    bool bitPacked = false;

    static BlockContent Simple(std::uint32_t entrySize, const std::vector<Bytes>& entries);
    // Every list holds the same number of entries.
    static BlockContent FixedLists(std::uint32_t entrySize, const std::vector<std::vector<Bytes>>& lists);
    static BlockContent VariableLists(std::uint32_t entrySize, const std::vector<std::vector<Bytes>>& lists);
    // A simple block of `quantity` entries of `bits` bits each, packed most significant bit first.
    static BlockContent Packed(std::uint32_t bits, const std::vector<std::uint32_t>& values);

    BlockContent& EntryChecksums() { return entryChecksums = true, *this; }
    BlockContent& ListChecksums() { return listChecksums = true, *this; }
    BlockContent& BlockChecksum() { return blockChecksum = true, *this; }
    BlockContent& Wide() { return wide = true, *this; }
};
