#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "codeplug/BlockWalker.h"
#include "codeplug/CodeplugBlock.h"
#include "codeplug/CodeplugPointers.h"

// Finds the checksum byte that covers a field of a standard-format block: that of its entry, else its
// list, else its block, else (when asked) its region. The innermost one comes first, so that adjusting
// it keeps the sum of every enclosing area too. A field that no single area holds whole, or that would
// hold the checksum byte itself, has none.
class ChecksumLocator {
public:
    // A checksummed area [start, end) and its checksum byte.
    struct Area {
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        std::uint64_t location = 0;
    };

    // The block's header and size are current; the walker reads its list quantities.
    ChecksumLocator(CodeplugBlock& block, BlockWalker walker, const CodeplugPointers& pointers)
        : block_(block), walker_(std::move(walker)), pointers_(pointers) {}

    std::optional<std::uint64_t> Find(std::uint64_t address, std::uint64_t length, bool regionRule);

    // Adjusts `checksum` for `newBytes` replacing `oldBytes`, so that the area's byte sum stays.
    static void Adjust(std::span<const std::uint8_t> oldBytes, std::span<const std::uint8_t> newBytes,
                       std::uint8_t& checksum);

private:
    std::optional<Area> BlockArea(std::uint64_t address);
    std::optional<Area> RegionArea(std::uint64_t address) const;

    CodeplugBlock& block_;
    BlockWalker walker_;
    const CodeplugPointers& pointers_;
};
