#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "CodeplugFile.h"
#include "RaisedError.h"
#include "TestBytes.h"
#include "VirtualTimeTest.h"
#include "WrenImageBuilder.h"
#include "codeplug/CWrenCodeplug.h"
#include "codeplug/WrenBlockRules.h"
#include "codeplug/WrenPointerTable.h"

namespace {

constexpr std::uint32_t kRoot = 0x300;  // block 48

// A Wren codeplug: block 48 with the serial number at offset 4 and the pointers to 51 and 54, then
// 54 -> 55 -> 56 down the pointer chain, the tuning blocks 16 and 20 at their fixed pointers, and
// block 51 of group B. Pointers inside blocks are part of their payloads, so every checksum holds.
WrenImageBuilder Sample() {
    Bytes root(60, 0);
    const Bytes serial = Ascending(0x30, 10);
    std::copy(serial.begin(), serial.end(), root.begin() + 2);  // block offset 4
    PutWord(root, 44 - 2, 0x400);                               // B48 + 44: block 54
    PutWord(root, 52 - 2, 0x480);                               // B48 + 52: block 51
    WrenImageBuilder image(0x800);
    image
        .Word(2, 0x0130)   // header word 9 + 16
        .Word(38, 0x0400)  // L2
        .Word(46, 0x0600)
        .Word(60, 0x0640)
        .Block(48, kRoot, root)
        .Block(54, 0x400, {0x04, 0x40, 0x00, 0x00})              // B54 + 2: block 55
        .Block(55, 0x440, {0x00, 0x04, 0xC0, 0x00, 0x00, 0x00})  // B55 + 4: block 56
        .Block(56, 0x4C0, Ascending(0x56, 8))
        .Block(51, 0x480, Ascending(0x51, 5))
        .Block(16, 0x600, Ascending(0x10, 40))
        .Block(20, 0x640, Ascending(0x20, 20));
    return image;
}

class CWrenCodeplugTest : public VirtualTimeTest {
protected:
    void Load(const Bytes& image) {
        image_ = image;
        file_.emplace(image);
        result_ = file_->LoadInto(codeplug_);
    }
    Bytes Image() const { return Bytes(codeplug_.ImageData().begin(), codeplug_.ImageData().end()); }

    Bytes image_;
    std::optional<CodeplugFile> file_;
    std::uint32_t result_ = 0;
    CWrenCodeplug codeplug_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1000, 0xEE);
};

TEST_F(CWrenCodeplugTest, ThePointersComeFromTheWordsAt38And2) {
    Load(Sample().Image());
    EXPECT_EQ(result_, 1u);
    CodeplugPointers expected;
    expected.codeplugEnd = 0x300 + 0x400;
    expected.headerWord9 = 0x0120;
    expected.region3Start = 0x300;
    expected.region3Length = 0x400;
    expected.boundary = 0x300;
    EXPECT_EQ(codeplug_.GetRdkPtrs(), expected);

    Load(Bytes(39, 0));
    EXPECT_EQ(result_, 0u) << "an image that ends inside the word at 38";
    EXPECT_EQ(codeplug_.GetRdkPtrs(), std::nullopt);
}

TEST_F(CWrenCodeplugTest, Block56IsFoundThroughBlocks48And54And55AndCached) {
    Load(Sample().Image());
    EXPECT_EQ(codeplug_.GetBlockVector(56), 0x4C0u);
    // Point the chain elsewhere: the cached addresses of 54, 55 and 56 stay; 48 is never looked up.
    codeplug_.WriteCpRaw(Bytes{0x07, 0x00}, kRoot + 44);
    codeplug_.WriteCpRaw(Bytes{0x07, 0x00}, 0x402);
    codeplug_.WriteCpRaw(Bytes{0x07, 0x00}, 0x444);
    EXPECT_EQ(codeplug_.GetBlockVector(56), 0x4C0u);
    EXPECT_EQ(codeplug_.GetBlockVector(55), 0x440u);
    EXPECT_EQ(codeplug_.GetBlockVector(54), 0x400u);
    EXPECT_EQ(codeplug_.GetBlockVector(48), 0x300u);
    EXPECT_EQ(codeplug_.GetBlockVector(16), 0x600u) << "a fixed pointer";
    EXPECT_EQ(codeplug_.GetBlockVector(50), 0u) << "an id the layout does not know";
}

TEST_F(CWrenCodeplugTest, NewPointersForgetTheAddressesOfTheCodeplugBefore) {
    // Programming saves blocks, writes the new codeplug through the same object, then restores: the
    // new codeplug keeps block 56 elsewhere, and its old place holds nothing.
    Load(Sample().Image());
    ASSERT_EQ(codeplug_.GetBlockVector(56), 0x4C0u);
    const Bytes moved = Sample()
                            .Put(0x4C0, Bytes(13, 0))
                            .Block(55, 0x440, {0x00, 0x05, 0x00, 0x00, 0x00, 0x00})
                            .Block(56, 0x500, Ascending(0x65, 8))
                            .Image();
    codeplug_.WriteCpRaw(moved, 0);
    ASSERT_TRUE(codeplug_.InitRdkPtrs());
    ASSERT_EQ(codeplug_.ReadCpBlock(buffer_, 56), 13u);
    EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + 13), WrenImageBuilder::Encode(56, Ascending(0x65, 8)));
}

TEST_F(CWrenCodeplugTest, AMissingBlockIsNotReadAndCannotBeWritten) {
    Load(Sample().Image());
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 49), std::nullopt);  // B48 + 40 holds 0
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 57), std::nullopt);
    EXPECT_EQ(codeplug_.GetBlockVector(58), 0u) << "its base block 57 is missing";
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpBlock(buffer_, 49); }),
              GenError(3, "Unable to find codeplug block id = 49"));
    EXPECT_EQ(LogLines().back(), "CCodeplug::WriteCpBlock: Unable to find codeplug block");
}

TEST_F(CWrenCodeplugTest, EachGroupSizesItsBlocksAndRecomputesItsChecksumOnWrite) {
    struct Case {
        std::uint16_t id;
        std::size_t size;
        std::size_t payloadAt;
        std::size_t checksumBytes;
    };
    const Bytes image = Sample().Image();
    const Case cases[] = {{48, 63, 2, 1}, {16, 43, 2, 1}, {20, 25, 3, 2}, {56, 13, 3, 2}, {51, 10, 4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "block " << c.id);
        std::ranges::fill(buffer_, 0xEE);
        Load(image);
        const std::uint32_t address = codeplug_.GetBlockVector(c.id);
        ASSERT_EQ(codeplug_.ReadCpBlock(buffer_, c.id), c.size);
        EXPECT_TRUE(std::equal(buffer_.begin(), buffer_.begin() + c.size, image.begin() + address));
        EXPECT_EQ(buffer_[c.size], 0xEE);

        // Change a payload byte and spoil the checksum: the write puts the right one back.
        buffer_[c.payloadAt] ^= 0x5A;
        buffer_[c.size - 1] ^= 0xFF;
        const Bytes payload(buffer_.begin() + c.payloadAt, buffer_.begin() + c.size - c.checksumBytes);
        EXPECT_EQ(codeplug_.WriteCpBlock(buffer_, c.id), c.size);
        const Bytes written = Image();
        EXPECT_EQ(Bytes(written.begin() + address, written.begin() + address + c.size),
                  WrenImageBuilder::Encode(c.id, payload));
    }
}

TEST_F(CWrenCodeplugTest, EveryIdIsInTheGroupTheImageBuilderPutsItIn) {
    const auto in = [](std::span<const std::uint16_t> group, unsigned id) {
        return std::find(group.begin(), group.end(), id) != group.end();
    };
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const WrenBlockRules::Group expected = in(WrenImageBuilder::kGroupA, id) ? WrenBlockRules::Group::kA
                                               : in(WrenImageBuilder::kGroupB, id)
                                                   ? WrenBlockRules::Group::kB
                                                   : WrenBlockRules::Group::kOther;
        ASSERT_EQ(WrenBlockRules::GroupOf(static_cast<std::uint16_t>(id)), expected) << "block " << id;
    }
}

TEST_F(CWrenCodeplugTest, TheChecksumRulesOfTheGroups) {
    // Group A: a 10-byte block whose first 8 bytes sum to 0x0155 gets 0x0155 + 0xAAAB = 0xAC00.
    std::array<std::uint8_t, 10> a = {0x00, 0x06, 20, 0x55, 0x40, 0x40, 0x40, 0x26, 0x11, 0x22};
    WrenBlockRules::StoreChecksum(WrenBlockRules::Group::kA, a);
    EXPECT_EQ(a[8], 0xAC);
    EXPECT_EQ(a[9], 0x00);
    // Group B sums byte 1 and bytes 4 .. n-2: 51 + 1 + 2 + 0xAB; bytes 0, 2 and 3 do not count.
    std::array<std::uint8_t, 7> b = {0x99, 51, 0x77, 0x88, 1, 2, 0};
    WrenBlockRules::StoreChecksum(WrenBlockRules::Group::kB, b);
    EXPECT_EQ(b[6], static_cast<std::uint8_t>(51 + 1 + 2 + 0xAB));
    // Others: every byte but the last, + 0xAB.
    std::array<std::uint8_t, 4> other = {0x03, 48, 0x10, 0};
    WrenBlockRules::StoreChecksum(WrenBlockRules::Group::kOther, other);
    EXPECT_EQ(other[3], static_cast<std::uint8_t>(0x03 + 48 + 0x10 + 0xAB));
}

TEST_F(CWrenCodeplugTest, ABlockOfAnotherTypeIsRefusedAndNothingMoves) {
    WrenImageBuilder image = Sample();
    image.Put(0x4C0 + 2, {55});  // block 56's type byte says 55
    Load(image.Image());
    EXPECT_EQ(RaisedBy([&] { codeplug_.ReadCpBlock(buffer_, 56); }), GenError(3, "Unexpected Block Type"));
    EXPECT_TRUE(std::all_of(buffer_.begin(), buffer_.end(), [](std::uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpBlock(buffer_, 56); }), GenError(3, "Unexpected Block Type"));
    EXPECT_EQ(Image(), image.Image());
}

TEST_F(CWrenCodeplugTest, FieldsArePlainOffsetsWhateverListAndEntrySay) {
    Load(Sample().Image());
    const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 48);
    const std::span<std::uint8_t> block = std::span(buffer_).first(length);
    std::array<std::uint8_t, 10> serial{};
    EXPECT_EQ(codeplug_.ReadCpField(serial, block, 3, 7, 4), 10u);
    EXPECT_TRUE(std::equal(serial.begin(), serial.end(), Ascending(0x30, 10).begin()));
    codeplug_.WriteCpField(Bytes{0xAA, 0xBB}, block, 5, 9, 4);
    EXPECT_EQ(block[4], 0xAA);
    EXPECT_EQ(block[5], 0xBB);
    EXPECT_EQ(
        RaisedBy([&] { codeplug_.ReadCpField(serial, block, 0, 0, static_cast<std::uint32_t>(length) - 9); }),
        GenError(3, "The requested field lies outside the block buffer"));
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpField(serial, block, 0, 0, 0xFFFFFFFF); }),
              GenError(3, "The requested field lies outside the block buffer"));
}

TEST(WrenPointerTableTest, EveryChainEndsAtBlock48OrAFixedPointer) {
    for (const WrenPointerTable::Pointer& pointer : WrenPointerTable::All()) {
        std::uint16_t base = pointer.base;
        std::size_t steps = 0;
        while (base != WrenPointerTable::kFixedLocation && base != WrenPointerTable::kRootBlock) {
            const std::optional<WrenPointerTable::Pointer> next = WrenPointerTable::Find(base);
            ASSERT_TRUE(next.has_value()) << "block " << pointer.id << " leads to unknown block " << base;
            base = next->base;
            ASSERT_LT(++steps, WrenPointerTable::All().size())
                << "block " << pointer.id << " leads round in circles";
        }
    }
    EXPECT_EQ(WrenPointerTable::Find(48), std::nullopt);
    EXPECT_EQ(WrenPointerTable::Find(155)->offset, WrenPointerTable::Find(158)->offset);
}

}  // namespace
