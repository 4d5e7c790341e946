#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "codeplug/CodeplugBlock.h"

// Walks the lists of a block whose header has been parsed: list offsets, the block size, and the list
// that holds a byte. Fixed-size lists are arithmetic; variable-size lists are walked from list 0, each
// next quantity byte read through the reader (at an offset within the block), so a walk costs one read
// per list passed.
class BlockWalker {
public:
    // The byte at `offset` within the block; none when it cannot be read (the reader logs why).
    using QuantityReader = std::function<std::optional<std::uint8_t>(std::uint64_t offset)>;

    // Where one list lies, relative to the list data (block offset 6).
    struct ListSpan {
        std::uint32_t index = 0;
        std::uint64_t offset = 0;
        std::uint64_t bytes = 0;  // CalcListSize: entries, their checksums, the list checksum
        std::uint32_t quantity = 0;
    };

    BlockWalker(CodeplugBlock& block, QuantityReader reader) : block_(block), reader_(std::move(reader)) {}

    // CalcListOfs: the offset of `list` from the list data. Leaves the block's entry quantity at that
    // list's quantity. None when a quantity cannot be read.
    std::optional<std::uint64_t> ListOffset(std::uint32_t list);
    // CalcBlkSize: the size of the whole block, header and checksums included.
    std::optional<std::uint64_t> BlockSize();
    // The list whose bytes hold `offset` (relative to the list data); none when no list does or a
    // quantity cannot be read.
    std::optional<ListSpan> ListHolding(std::uint64_t offset);

    // The list whose quantity could not be read by the last failed walk.
    std::uint32_t FailedList() const { return failedList_; }

private:
    // Visits lists 0, 1, ... while `visit` returns true; false when a quantity cannot be read.
    bool Walk(std::uint32_t lists, const std::function<bool(const ListSpan&)>& visit);

    CodeplugBlock& block_;
    QuantityReader reader_;
    std::uint32_t failedList_ = 0;
};
