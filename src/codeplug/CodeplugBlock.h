#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The layout of one standard-format block, as its header gives it, and the arithmetic on it. Offsets
// are from the block's first byte; sizes are bytes. Variable-size lists need their quantities from the
// codeplug and are walked by CCodeplug.
//
// A simple block: flags, E (1 or 2 bytes), Q; entries follow. A list block: the list header (flags, L
// of 1 or 2 bytes, N), then the entry header (flags, E, Q) at offset 3 or 4; list data start at
// offset 6. L = 0 means variable-size lists, each its own quantity byte before its entries (list 0's is
// the entry header's Q at offset 5).
struct CodeplugBlock {
    // Header flag bits.
    static constexpr std::uint8_t kWideSize = 0x01;       // the size field that follows is 2 bytes
    static constexpr std::uint8_t kBitPacked = 0x02;      // E counts bits
    static constexpr std::uint8_t kListBlock = 0x04;      // a list header precedes the entry header
    static constexpr std::uint8_t kItemChecksums = 0x40;  // lists (list header) or entries (entry header)
    static constexpr std::uint8_t kBlockChecksum = 0x80;  // the block ends with a checksum byte

    static constexpr std::uint32_t kListDataOffset = 6;
    static constexpr std::uint32_t kFirstQuantityOffset = 5;
    static constexpr std::uint32_t kNarrowHeaderBytes = 3;
    static constexpr std::uint32_t kWideHeaderBytes = 4;
    static constexpr std::uint32_t kMaxHeaderBytes = kWideHeaderBytes + kWideHeaderBytes;

    std::uint32_t address = 0;
    std::uint32_t entrySize = 0;      // E
    std::uint32_t entryQuantity = 0;  // Q: of the entry header, or of the list last walked to
    std::uint32_t firstQuantity = 0;  // the entry header's Q (list 0's quantity)
    std::uint32_t listSize = 0;       // L
    std::uint32_t listQuantity = 0;   // N; 0 for a simple block
    bool wideEntryHeader = false;
    bool bitPacked = false;
    bool listBlock = false;
    bool listChecksums = false;
    bool entryChecksums = false;
    bool blockChecksum = false;
    std::uint64_t blockSize = 0;
    std::optional<std::uint64_t> checksumLocation;  // of the last field write

    // Sets every header field anew from the block's first bytes; false (fields undefined) when the
    // bytes end before the header does.
    bool ParseHeader(std::span<const std::uint8_t> bytes);
    // Offset of the entry header within the block: 0 for a simple block, 3 or 4 for a list block.
    static std::uint32_t EntryHeaderOffset(std::uint8_t listFlags);

    bool VariableLists() const { return listBlock && listSize == 0; }
    // Offset of the first entry (of list 0 in a list block).
    std::uint32_t DataOffset() const;
    std::uint32_t EntryStride() const { return entryChecksums ? entrySize + 1 : entrySize; }
    std::uint64_t EntryOffset(std::uint64_t entry) const;
    // Bytes of `quantity` entries: packed bits, or entries with their checksum bytes.
    std::uint64_t EntryBytes(std::uint64_t quantity) const;
    // A list of `quantity` entries with its checksum byte (CalcListSize); the entry checksums count even
    // in a bit-packed list, as the list walk has always counted them.
    std::uint64_t ListBytes(std::uint64_t quantity) const;
    // Offset of list `list` relative to the list data, for fixed-size lists.
    std::uint64_t FixedListOffset(std::uint64_t list) const;
    // The whole block's size when it holds no variable-size lists.
    std::uint64_t FixedBlockSize() const;
    std::uint32_t ChecksumByte() const { return blockChecksum ? 1 : 0; }
};
