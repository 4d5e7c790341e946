#include <gtest/gtest.h>

#include "ProgrammerTest.h"
#include "TestCodeplugs.h"
#include "RaisedError.h"
#include "codeplug/CCodeplug.h"

namespace {

using namespace WrenTestCodeplug;

class WrenProgrammerTest : public ProgrammerTest {
public:
    WrenProgrammerTest() { Setup(WrenImage(0x21), WrenImage(0x90), CCodeplug::kWrenFormat); }
    void SelectMode(int mode) {
        job_.mode = mode;
        job_.region = Region(mode);
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

    // Only the check of block 0x10's size (its header) is read before them.
    const std::vector<RadioRequest> all = Radio().Requests();
    const auto is = [](const RadioRequest& r, RequestKind kind, unsigned address, std::size_t count) {
        return r.kind == kind && r.address == address && r.count == count;
    };
    const auto copies =
        std::find_if(all.begin(), all.end(), [&](const RadioRequest& r) { return is(r, RequestKind::Read, 326, 1); });
    ASSERT_GE(all.end() - copies, 4);
    EXPECT_TRUE(std::none_of(all.begin(), copies, [](const RadioRequest& r) { return r.kind == RequestKind::Write; }));
    const std::vector<RadioRequest> requests(copies, all.end());
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

// Block 0x10 goes back whole with its own size: into a longer block of the kit it fits, and the kit's
// bytes after it stay; a shorter one is refused before anything in the radio changes.
TEST_F(WrenProgrammerTest, TheRadiosBlock16GoesBackWholeIntoALongerOneOfTheKit) {
    Setup(WrenImage(0x21), WrenImage(0x90, 120), CCodeplug::kWrenFormat);
    SelectMode(1);
    Program();
    ExpectRadioHolds(Kept(1), Checksums());
}

TEST_F(WrenProgrammerTest, AKitBlock16ShorterThanTheRadiosIsRefusedBeforeAnythingChanges) {
    Setup(WrenImage(0x21), WrenImage(0x90, 80), CCodeplug::kWrenFormat);
    SelectMode(3);
    job_.rawCopies = true;
    EXPECT_EQ(RaisedBy([&] { Program(); }),
              GenError(3, "The kit's codeplug cannot take back the radio's own data: the radio's block 10 of 103 "
                          "bytes does not fit the kit's of 83 bytes"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(saved_.AtRisk());
}

TEST_F(WrenProgrammerTest, AFailedSerialNumberRestoreIsLoggedAndLeavesTheDataForTheNextAttempt) {
    SelectMode(2);
    FailWrites(job_.region.ChunkCount() + 1, 40);
    EXPECT_EQ(RaisedBy([&] { Program(); }), GenError(3, "General communication error while writing codeplug"));
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: Error while restoring radio serial number data"));
    EXPECT_TRUE(saved_.AtRisk());
}

}  // namespace
