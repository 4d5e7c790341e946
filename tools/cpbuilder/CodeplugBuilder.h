#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "BlockContent.h"
#include "BuiltCodeplug.h"

// Lays out a standard-layout codeplug image, so a test, the demo kit or a simulated radio states its
// codeplug in a few lines:
//
//     const BuiltCodeplug codeplug = CodeplugBuilder()
//         .Block(0x8000, CodeplugBuilder::Region::k1, BlockContent::Simple(8, {tuning}).EntryChecksums())
//         .Block(0, CodeplugBuilder::Region::k2, BlockContent::Simple(96, {identity}))
//         .Block(5, CodeplugBuilder::Region::k3, BlockContent::FixedLists(4, lists).ListChecksums())
//         .Build();
//
// The image: the 21-byte header (A0 at 0, header word 9 at 9, the special blocks' addresses at 11 to
// 19), region 1's blocks and its checksum byte at A0 - 1; at A0 the word L1, region 2's blocks and its
// checksum byte at A1 - 1; at A1 the region-3 header (flags, 0, L2, header word A1+4, V), the block
// vector at V = A1 + 8, region 3's blocks, and its checksum byte at A1 + L2 when the flag is on; then the
// blocks beyond region 3. Blocks follow each other in the order given unless placed at an address;
// gaps hold 0xFF. Every checksummed area sums to ChecksumArea::kAreaSum.
class CodeplugBuilder {
public:
    enum class Region { k1, k2, k3, kBeyond };

    static constexpr std::uint32_t kHeaderBytes = 21;
    static constexpr std::uint32_t kRegion3HeaderBytes = 8;
    static constexpr std::uint8_t kRegion3ChecksumFlag = 0x04;
    static constexpr std::uint16_t kFirstSpecialBlock = 0x8000;
    static constexpr std::uint16_t kLastSpecialBlock = 0x8004;

    CodeplugBuilder& Block(std::uint16_t id, Region region, BlockContent content);
    // Places the block at `address`, after the region's earlier content.
    CodeplugBuilder& BlockAt(std::uint16_t id, Region region, std::uint32_t address, BlockContent content);
    // Bytes where the next block would go.
    CodeplugBuilder& Raw(Region region, Bytes bytes);
    // A vector entry (or special-block word) that names `address` whatever lies there.
    CodeplugBuilder& VectorEntry(std::uint16_t id, std::uint32_t address);
    // The block count in the vector; by default one more than the highest ordinary block id.
    CodeplugBuilder& BlockCount(std::uint16_t count);
    CodeplugBuilder& Region3Checksum(bool on);
    CodeplugBuilder& HeaderWords(std::uint16_t word9, std::uint16_t wordA1Plus4);

    // Throws std::invalid_argument when the blocks do not fit where they are placed or the image
    // outgrows 16-bit addresses.
    BuiltCodeplug Build() const;

private:
    struct Item {
        Region region;
        std::optional<std::uint16_t> id;  // none for raw bytes
        std::optional<std::uint32_t> address;
        BlockContent content;
        Bytes raw;
    };

    class Layout;

    std::vector<Item> items_;
    std::vector<std::pair<std::uint16_t, std::uint32_t>> vectorEntries_;
    std::optional<std::uint16_t> blockCount_;
    bool region3Checksum_ = true;
    std::uint16_t headerWord9_ = 0;
    std::uint16_t headerWordA1Plus4_ = 0;
};
