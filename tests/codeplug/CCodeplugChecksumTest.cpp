#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <vector>

#include "CodeplugBuilder.h"
#include "CodeplugFile.h"
#include "RaisedError.h"
#include "VirtualTimeTest.h"
#include "codeplug/CCodeplug.h"

namespace {

using Region = CodeplugBuilder::Region;

class CCodeplugChecksumTest : public VirtualTimeTest {
protected:
    void Load(const BuiltCodeplug& built) {
        built_ = built;
        CodeplugFile(built.bytes).LoadInto(codeplug_);
    }
    Bytes Image() const { return Bytes(codeplug_.ImageData().begin(), codeplug_.ImageData().end()); }
    Bytes ReadBlock(std::uint16_t id) {
        Bytes block(8192);
        block.resize(*codeplug_.ReadCpBlock(block, id));
        return block;
    }

    BuiltCodeplug built_;
    CCodeplug codeplug_;
};

TEST_F(CCodeplugChecksumTest, WritingTwoBytesAdjustsTheChecksumByTheirDifference) {
    // 0x10 0x20 over 0x11 0x22, under a checksum byte of 0x50: 0x50 + 0x01 + 0x02 = 0x53.
    BuiltCodeplug built = CodeplugBuilder()
                              .Block(3, Region::k3, BlockContent::Simple(2, {{0x11, 0x22}}).EntryChecksums())
                              .Build();
    const std::uint32_t entry = built.EntryAddress(3, 0, 0);
    built.bytes[entry + 2] = 0x50;
    Load(built);

    Bytes block = ReadBlock(3);
    codeplug_.WriteCpField(Bytes{0x10, 0x20}, block, 0, 0, 0);
    EXPECT_EQ(Bytes(block.begin() + 3, block.end()), (Bytes{0x10, 0x20, 0x53})) << "in a block buffer";
    EXPECT_EQ(Image(), built.bytes) << "the buffer form leaves the image alone";

    codeplug_.WriteCpField(Bytes{0x10, 0x20}, std::uint16_t{3}, 0, 0, 0);
    Bytes expected = built.bytes;
    expected[entry] = 0x10;
    expected[entry + 1] = 0x20;
    expected[entry + 2] = 0x53;
    EXPECT_EQ(Image(), expected) << "in the image";
    EXPECT_EQ(codeplug_.CurrentBlock().checksumLocation, entry + 2);
}

TEST_F(CCodeplugChecksumTest, ABlockWithoutChecksumsIsCoveredByItsRegion) {
    struct Case {
        const char* what;
        Region region;
        bool region3Checksum;
        std::optional<std::uint32_t> (*location)(const BuiltCodeplug&);
    };
    const Case cases[] = {
        {"region 1", Region::k1, true,
         [](const BuiltCodeplug& b) { return std::optional(b.region2Start - 1); }},
        {"region 2", Region::k2, true,
         [](const BuiltCodeplug& b) { return std::optional(b.region3Start - 1); }},
        {"region 3 with its checksum", Region::k3, true,
         [](const BuiltCodeplug& b) { return std::optional(b.region3Start + b.region3Length); }},
        {"region 3 without one", Region::k3, false,
         [](const BuiltCodeplug&) { return std::optional<std::uint32_t>(); }},
        {"beyond region 3", Region::kBeyond, true,
         [](const BuiltCodeplug&) { return std::optional<std::uint32_t>(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load(CodeplugBuilder()
                 .Block(1, Region::k2, BlockContent::Simple(1, {{0x01}}))
                 .Block(2, c.region, BlockContent::Simple(3, {{0x0A, 0x0B, 0x0C}, {0x0D, 0x0E, 0x0F}}))
                 .Region3Checksum(c.region3Checksum)
                 .Raw(Region::kBeyond, {0xFF})  // the byte after the codeplug end
                 .Build());
        const std::vector<std::uint8_t> sums = built_.AreaSums();
        const std::optional<std::uint32_t> location = c.location(built_);
        const RaisedError raised = RaisedBy([&] {
            codeplug_.WriteCpField(Bytes{0x99, 0x98}, std::uint16_t{2}, 0, 1, 1);
        });
        if (location) {
            EXPECT_EQ(raised, kNothingRaised);
            EXPECT_EQ(codeplug_.CurrentBlock().checksumLocation, *location);
            EXPECT_EQ(Image()[built_.EntryAddress(2, 0, 1) + 1], 0x99);
            EXPECT_EQ(built_.AreaSums(Image()), sums);
        } else {
            EXPECT_EQ(raised, GenError(3, "Unable to determine data checksum location"));
            EXPECT_EQ(LogLines().back(),
                      "CCodeplug::WriteCpField: Unable to determine data checksum location");
            EXPECT_EQ(Image(), built_.bytes) << "nothing changes";
        }
        // A region's checksum byte lies outside the block: a block buffer has none to adjust.
        Bytes block = ReadBlock(2);
        EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpField(Bytes{0x99}, block, 0, 1, 1); }),
                  GenError(3, "Unable to determine data checksum location"));
    }
}

TEST_F(CCodeplugChecksumTest, TheInnermostChecksumIsAdjustedSoEveryEnclosingSumHolds) {
    Load(CodeplugBuilder()
             .Block(4, Region::k3,
                    BlockContent::VariableLists(2, {{{1, 2}}, {{3, 4}, {5, 6}}})
                        .EntryChecksums()
                        .ListChecksums()
                        .BlockChecksum())
             .Build());
    const std::vector<std::uint8_t> sums = built_.AreaSums();
    codeplug_.WriteCpField(Bytes{0xF0}, std::uint16_t{4}, 1, 1, 0);
    EXPECT_EQ(codeplug_.CurrentBlock().checksumLocation, built_.EntryAddress(4, 1, 1) + 2);
    EXPECT_EQ(built_.AreaSums(Image()), sums);

    Bytes block = ReadBlock(4);
    codeplug_.WriteCpField(Bytes{0x0F}, block, 1, 0, 1);
    EXPECT_EQ(codeplug_.CurrentBlock().checksumLocation,
              built_.EntryAddress(4, 1, 0) - built_.Find(4)->address + 2);
    codeplug_.WriteCpBlock(block, 4);
    EXPECT_EQ(built_.AreaSums(Image()), sums);
}

// --- the checksum invariant over random codeplugs ---------------------------------------------------

class RandomCodeplug {
public:
    explicit RandomCodeplug(unsigned seed) : rng_(seed) {}

    BuiltCodeplug Make() {
        CodeplugBuilder builder;
        std::vector<std::uint16_t> ids = {0, 1, 2,      3,      4,      5,      6,     7,
                                          8, 9, 0x8000, 0x8001, 0x8002, 0x8003, 0x8004};
        std::shuffle(ids.begin(), ids.end(), rng_);
        const int blocks = Pick(1, 8);
        for (int i = 0; i < blocks; ++i)
            builder.Block(ids[i], static_cast<Region>(Pick(0, 3)), Block());
        // The byte after the codeplug end, which programming writes too, must be in every image.
        return builder.Region3Checksum(Pick(0, 3) != 0).Raw(Region::kBeyond, {0xFF}).Build();
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    Bytes Random(std::size_t count) {
        Bytes bytes(count);
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(Pick(0, 255));
        return bytes;
    }

private:
    BlockContent Block() {
        BlockContent content;
        const int kind = Pick(0, 9);
        if (kind == 0) {
            std::vector<std::uint32_t> values(Pick(0, 9));
            const auto bits = static_cast<std::uint32_t>(Pick(1, 12));
            for (std::uint32_t& value : values)
                value = static_cast<std::uint32_t>(Pick(0, (1 << bits) - 1));
            content = BlockContent::Packed(bits, values);
        } else if (kind <= 3) {
            const std::uint32_t size = Pick(0, 5) == 0 ? Pick(250, 300) : Pick(1, 8);
            content = BlockContent::Simple(size, Entries(size, Pick(0, 4)));
            content.entryChecksums = Pick(0, 1) == 1;
        } else {
            const std::uint32_t size = Pick(1, 6);
            const bool fixed = kind <= 6;
            const int quantity = Pick(0, 4);
            std::vector<std::vector<Bytes>> lists(Pick(0, 4));
            for (std::vector<Bytes>& list : lists)
                list = Entries(size, fixed ? quantity : Pick(0, 4));
            content =
                fixed ? BlockContent::FixedLists(size, lists) : BlockContent::VariableLists(size, lists);
            content.entryChecksums = Pick(0, 1) == 1;
            content.listChecksums = Pick(0, 1) == 1;
        }
        content.blockChecksum = Pick(0, 1) == 1;
        return content;
    }

    std::vector<Bytes> Entries(std::uint32_t size, int count) {
        std::vector<Bytes> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back(Random(size));
        return entries;
    }

    std::mt19937 rng_;
};

struct Field {
    std::uint16_t id = 0;
    std::uint32_t list = 0;
    std::uint32_t entry = 0;
    std::uint32_t offset = 0;
    std::uint32_t address = 0;  // where the builder put it
    Bytes bytes;
};

// A field inside some entry of a random block, or none when the codeplug has no entries.
std::optional<Field> PickField(const BuiltCodeplug& built, RandomCodeplug& random) {
    std::vector<Field> entries;
    for (const BuiltCodeplug::Block& block : built.blocks) {
        const BlockContent& content = block.content;
        for (std::uint32_t l = 0; l < content.lists.size(); ++l) {
            for (std::uint32_t e = 0; e < content.lists[l].quantity; ++e) {
                // A bit-packed entry is reached by its first byte; fields end with the packed data.
                const std::uint32_t start = content.bitPacked ? block.address + (content.wide ? 4 : 3) +
                                                                    (e * content.entrySize + 7) / 8
                                                              : block.entryAddresses[l][e];
                entries.push_back({block.id, l, e, 0, start, {}});
            }
        }
    }
    if (entries.empty())
        return std::nullopt;
    Field field = entries[random.Pick(0, static_cast<int>(entries.size()) - 1)];
    const BlockContent& content = built.Find(field.id)->content;
    std::uint32_t room = content.entrySize;
    if (content.bitPacked) {
        const std::uint32_t dataEnd =
            built.Find(field.id)->address + 3 + static_cast<std::uint32_t>(content.lists[0].data.size());
        room = std::min(room, dataEnd - field.address);
        if (room == 0)
            return std::nullopt;
    }
    field.offset = static_cast<std::uint32_t>(random.Pick(0, static_cast<int>(room) - 1));
    field.bytes = random.Random(random.Pick(1, static_cast<int>(room - field.offset)));
    field.address += field.offset;
    return field;
}

// The checksum a write must adjust: that of the smallest area holding the whole field, as the builder
// laid the areas out.
std::optional<ChecksumArea> Covering(const BuiltCodeplug& built, const Field& field, bool regions) {
    std::optional<ChecksumArea> best;
    const BuiltCodeplug::Block& block = *built.Find(field.id);
    for (const ChecksumArea& area : built.areas) {
        const bool inBlock = area.start >= block.address && area.end <= block.address + block.size;
        if (!inBlock && !regions)
            continue;
        if (area.start <= field.address && field.address + field.bytes.size() <= area.end &&
            (!best || area.end - area.start < best->end - best->start)) {
            best = area;
        }
    }
    return best;
}

TEST_F(CCodeplugChecksumTest, RandomFieldWritesKeepEveryChecksummedAreasSum) {
    RandomCodeplug random(20260610);
    int written = 0;
    int refused = 0;
    for (int image = 0; image < 300; ++image) {
        const BuiltCodeplug built = random.Make();
        Load(built);
        Bytes expected = built.bytes;
        const std::vector<std::uint8_t> sums = built.AreaSums();
        for (int write = 0; write < 8; ++write) {
            const std::optional<Field> field = PickField(built, random);
            if (!field)
                break;
            const bool byId = random.Pick(0, 1) == 1;
            SCOPED_TRACE(testing::Message()
                         << "image " << image << " write " << write << (byId ? " by id" : " in a buffer")
                         << ": block " << field->id << " list " << field->list << " entry " << field->entry
                         << " offset " << field->offset << " length " << field->bytes.size());
            const std::optional<ChecksumArea> area = Covering(built, *field, byId);
            RaisedError raised;
            if (byId) {
                raised = RaisedBy([&] {
                    codeplug_.WriteCpField(field->bytes, field->id, field->list, field->entry, field->offset);
                });
            } else {
                Bytes block;
                const RaisedError read = RaisedBy([&] { block = ReadBlock(field->id); });
                ASSERT_EQ(read, kNothingRaised);
                raised = RaisedBy([&] {
                    codeplug_.WriteCpField(field->bytes, block, field->list, field->entry, field->offset);
                });
                if (raised == kNothingRaised)
                    codeplug_.WriteCpBlock(block, field->id);
            }
            if (!area) {
                ASSERT_EQ(raised, GenError(3, "Unable to determine data checksum location"));
                ++refused;
                continue;
            }
            ASSERT_EQ(raised, kNothingRaised);
            ++written;
            for (std::size_t i = 0; i < field->bytes.size(); ++i) {
                expected[area->location] = static_cast<std::uint8_t>(
                    expected[area->location] + expected[field->address + i] - field->bytes[i]);
                expected[field->address + i] = field->bytes[i];
            }
            ASSERT_EQ(Image(), expected) << "the field and its one checksum byte change, nothing else";
            ASSERT_EQ(built.AreaSums(Image()), sums);
        }
    }
    EXPECT_GT(written, 1000);
    EXPECT_GT(refused, 50);
}

}  // namespace
