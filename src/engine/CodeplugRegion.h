#pragma once

#include <cstddef>

// The programmable codeplug region: codeplug addresses from start (inclusive) to end (exclusive). An end
// of 0 means the region could not be calculated.
struct CodeplugRegion {
    static constexpr unsigned kChunkBytes = 32;

    unsigned start = 0;
    unsigned end = 0;

    bool Empty() const { return end <= start; }
    // The number of chunk writes, the last one possibly short.
    int ChunkCount() const {
        return Empty() ? 0 : static_cast<int>((end - start + kChunkBytes - 1) / kChunkBytes);
    }
};
