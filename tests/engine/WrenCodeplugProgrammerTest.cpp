#include <gtest/gtest.h>

#include "ProgrammerTest.h"
#include "RaisedError.h"
#include "WrenImageBuilder.h"
#include "codeplug/CCodeplug.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kImageBytes = 0x500;
constexpr std::uint32_t kBoundary = 0x300;   // block 48, the region-3 start
constexpr std::uint32_t kRegionEnd = 0x401;  // the codeplug end (0x300 + L2 0x100) + 1
constexpr std::uint32_t kBlock16 = 0x080;    // [size, type] 100 bytes [checksum]
constexpr std::uint32_t kBlock16Bytes = 103;
constexpr std::uint32_t kBlock20 = 0x100;  // group A: [size high, size low, type] 470 bytes [checksum x2]
constexpr std::uint32_t kBlock20Checksum = kBlock20 + 3 + 470;
constexpr std::uint32_t kBlock48Checksum = kBoundary + 2 + 60;

Bytes Payload(std::uint8_t seed, std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// A Wren codeplug with the tuning blocks 16 and 20 in the internal region and the serial number in
// block 48; everything the radio and the kit hold differently comes from `seed`.
Bytes WrenImage(std::uint8_t seed) {
    Bytes root = Payload(seed, 60);
    for (const std::size_t pointer : {44 - 2, 52 - 2})  // no blocks 54 and 51
        root[pointer] = root[pointer + 1] = 0;
    WrenImageBuilder image(kImageBytes);
    image.Word(2, 0x0130).Word(38, 0x0100).Word(46, kBlock16).Word(60, kBlock20);
    image.Block(16, kBlock16, Payload(seed + 1, 100))
        .Block(20, kBlock20, Payload(seed + 2, 470))
        .Block(48, kBoundary, root);
    return image.Image();
}

class WrenProgrammerTest : public ProgrammerTest {
public:
    WrenProgrammerTest() { Setup(WrenImage(0x21), WrenImage(0x90), CCodeplug::kWrenFormat); }
    void SelectMode(int mode) {
        job_.mode = mode;
        job_.region = {mode == 2 ? kBoundary : 0, mode == 1 ? kBoundary : kRegionEnd};
    }
    static std::vector<Span> Kept(int mode) {
        const std::vector<Span> tuning = {
            {kBlock16, kBlock16Bytes}, {kBlock20 + 7, 97}, {kBlock20 + 457, 1}, {kBlock20 + 459, 1}};
        const Span serial = {kBoundary + 4, 10};
        switch (mode) {
            case 1:
                return tuning;
            case 2:
                return {serial};
            default:
                return {tuning[0], tuning[1], tuning[2], tuning[3], serial};
        }
    }
    static std::set<std::uint32_t> Checksums() {
        return {kBlock20Checksum, kBlock20Checksum + 1, kBlock48Checksum};
    }
};

class WrenModeTest : public WrenProgrammerTest, public testing::WithParamInterface<int> {};

TEST_P(WrenModeTest, KeepsTheRadiosOwnDataAndWritesTheKitsElsewhere) {
    SelectMode(GetParam());
    Program();
    ExpectRadioHolds(Kept(GetParam()), Checksums());
    EXPECT_FALSE(saved_.AtRisk());
}

INSTANTIATE_TEST_SUITE_P(Modes, WrenModeTest, testing::Values(1, 2, 3));

TEST_F(WrenProgrammerTest, FarVarnoRadiosGetTheirRawCopiesFirstAndTuningIsRestoredBeforeTheSerialNumber) {
    SelectMode(3);
    job_.rawCopies = true;
    Program();

    const std::vector<RadioRequest>& requests = Radio().Requests();
    ASSERT_GE(requests.size(), 4u);
    const auto is = [](const RadioRequest& r, RequestKind kind, unsigned address, std::size_t count) {
        return r.kind == kind && r.address == address && r.count == count;
    };
    EXPECT_TRUE(is(requests[0], RequestKind::Read, 326, 1)) << Describe(requests[0]);
    EXPECT_TRUE(is(requests[1], RequestKind::Read, 303, 7)) << Describe(requests[1]);
    EXPECT_TRUE(is(requests[2], RequestKind::Write, 324, 1)) << Describe(requests[2]);
    EXPECT_TRUE(is(requests[3], RequestKind::Write, 310, 7)) << Describe(requests[3]);

    // The copies land in block 20's saved tuning field, so the radio keeps them.
    std::copy_n(radioImage_.begin() + 326, 1, radioImage_.begin() + 324);
    std::copy_n(radioImage_.begin() + 303, 7, radioImage_.begin() + 310);
    ExpectRadioHolds(Kept(3), Checksums());

    std::vector<unsigned> restoreWrites;
    const std::vector<RadioRequest> writes = Writes();
    for (auto w = writes.begin() + 2 + job_.region.ChunkCount(); w != writes.end(); ++w)
        restoreWrites.push_back(w->address);
    ASSERT_FALSE(restoreWrites.empty());
    EXPECT_GE(restoreWrites.front(), kBlock20) << "block 0x14 first";
    EXPECT_LT(restoreWrites.front(), kBoundary);
    EXPECT_GE(restoreWrites.back(), kBoundary) << "block 0x30 last";
}

TEST_F(WrenProgrammerTest, AFailedSerialNumberRestoreIsLoggedAndLeavesTheDataForTheNextAttempt) {
    SelectMode(2);
    FailWrites(job_.region.ChunkCount() + 1, 40);
    EXPECT_EQ(RaisedBy([&] { Program(); }), GenError(3, "General communication error while writing codeplug"));
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: Error while restoring radio serial number data"));
    EXPECT_TRUE(saved_.AtRisk());
}

}  // namespace
