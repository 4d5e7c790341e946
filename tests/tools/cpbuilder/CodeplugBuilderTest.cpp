#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "CodeplugBuilder.h"

namespace {

using Region = CodeplugBuilder::Region;

// The builder is the tests' oracle for where things lie, so its layout is pinned byte by byte here,
// worked out by hand from the format.
TEST(CodeplugBuilderTest, LaysOutTheHeaderRegionsVectorAndChecksums) {
    const BuiltCodeplug codeplug =
        CodeplugBuilder()
            .HeaderWords(0x1234, 0x5678)
            .Block(0x8000, Region::k1, BlockContent::Simple(2, {{0x11, 0x22}}).EntryChecksums())
            .Block(1, Region::k2, BlockContent::Simple(1, {{0xAA}}))
            .Block(0, Region::k3, BlockContent::Simple(1, {{0x55}}).BlockChecksum())
            .Build();
    const Bytes expected = {
        0x00, 0x1C, 0,    0,    0,    0,    0,    0,    0, 0x12, 0x34,  // A0 = 28, header word 9
        0x00, 0x15, 0,    0,    0,    0,    0,    0,    0, 0,           // 0x8000 at 21; 0x8001-0x8004 absent
        0x40, 0x02, 0x01, 0x11, 0x22, 0xCD,                             // 0x8000: entry checksums, E 2, Q 1
        0x46,                                                           // region 1's checksum at A0 - 1
        0x00, 0x07,                                                     // L1: A1 = 35
        0x00, 0x01, 0x01, 0xAA,                                         // block 1: no checksums
        0x4D,                                                           // region 2's checksum at A1 - 1
        0x04, 0x00, 0x00, 0x13, 0x56, 0x78, 0x00, 0x2B,  // flags, -, L2 = 19, word A1+4, V = 43
        0x00, 0x02, 0x00, 0x31, 0x00, 0x1E,              // 2 blocks: 0 at 49, 1 at 30
        0x80, 0x01, 0x01, 0x55, 0x29,                    // block 0: block checksum
        0x9F,                                            // region 3's checksum at A1 + L2
    };
    EXPECT_EQ(codeplug.bytes, expected);
    EXPECT_EQ(codeplug.region2Start, 28u);
    EXPECT_EQ(codeplug.region3Start, 35u);
    EXPECT_EQ(codeplug.region3Length, 19u);
    EXPECT_EQ(codeplug.vector, 43u);
    EXPECT_EQ(codeplug.EntryAddress(0x8000, 0, 0), 24u);
    EXPECT_EQ(codeplug.EntryAddress(0, 0, 0), 52u);
    for (const std::uint8_t sum : codeplug.AreaSums())
        EXPECT_EQ(sum, ChecksumArea::kAreaSum);
    EXPECT_EQ(codeplug.areas.size(), 5u);  // an entry, a block, three regions
}

TEST(CodeplugBuilderTest, ListBlocksCarryTheirListsEntriesAndChecksums) {
    // Variable-size lists of 2, 0 and 3 entries with list checksums: list 1 is its quantity byte and
    // its checksum byte; list 2's quantity byte follows at once.
    const BlockContent variable =
        BlockContent::VariableLists(1, {{{0x01}, {0x02}}, {}, {{0x03}, {0x04}, {0x05}}}).ListChecksums();
    EXPECT_EQ(EncodedBlock::Encode(variable).bytes, (Bytes{0x44, 0x00, 0x03, 0x00, 0x01, 0x02, 0x01, 0x02,
                                                           0xFD, 0x00, 0x00, 0x03, 0x03, 0x04, 0x05, 0xF4}));

    // Fixed-size lists with entry checksums: L counts the entries' checksum bytes, and Q filler bytes
    // come before the block checksum.
    const BlockContent fixed =
        BlockContent::FixedLists(1, {{{0x10}}, {{0x20}}}).EntryChecksums().BlockChecksum();
    const EncodedBlock block = EncodedBlock::Encode(fixed);
    EXPECT_EQ(block.bytes, (Bytes{0x84, 0x02, 0x02, 0x40, 0x01, 0x01, 0x10, 0xF0, 0x20, 0xE0, 0xFF, 0x37}));
    EXPECT_EQ(block.entryOffsets, (std::vector<std::vector<std::uint32_t>>{{6}, {8}}));

    // Entries of 3 bits packed most significant bit first.
    EXPECT_EQ(EncodedBlock::Encode(BlockContent::Packed(3, {5, 7, 1})).bytes,
              (Bytes{0x02, 0x03, 0x03, 0xBC, 0x80}));
}

TEST(CodeplugBuilderTest, RefusesWhatTheFormatCannotHold) {
    EXPECT_THROW(EncodedBlock::Encode(BlockContent::FixedLists(300, {{Bytes(300)}})), std::invalid_argument);
    EXPECT_THROW(EncodedBlock::Encode(BlockContent::FixedLists(100, {{Bytes(100), Bytes(100), Bytes(100)}})),
                 std::invalid_argument);
    EXPECT_THROW(BlockContent::FixedLists(1, {{{1}}, {{1}, {2}}}), std::invalid_argument);
    EXPECT_THROW(CodeplugBuilder()
                     .Block(1, Region::k2, BlockContent::Simple(1, {{1}}))
                     .BlockAt(2, Region::k2, 10, BlockContent::Simple(1, {{1}}))
                     .Build(),
                 std::invalid_argument);
}

}  // namespace
