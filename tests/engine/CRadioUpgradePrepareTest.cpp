#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodeplugBuilder.h"
#include "EngineRunTest.h"
#include "SRecordWriter.h"

namespace {

using Region = CodeplugBuilder::Region;

// Runs without flashing: PrepareUpgrade alone fixes the codeplug region and the progress steps.
class CRadioUpgradePrepareTest : public EngineRunTest {
protected:
    CRadioUpgradePrepareTest() {
        options_.flashFirmware = false;
        built_ = CodeplugBuilder()
                     .Block(0x8000, Region::k1, BlockContent::Simple(40, {Bytes(40, 0x11)}))
                     .Block(0, Region::k2, BlockContent::Simple(96, {Bytes(96, 0x22)}))
                     .Block(3, Region::k3, BlockContent::Simple(64, {Bytes(64, 0x33), Bytes(64, 0x44)}))
                     .Build();
        codeplugText_ = WriteSRecords(built_.bytes, SRecordLayout{});
    }

    std::vector<std::string> Begins() const { return notes_.CallsOf("Begin"); }

    BuiltCodeplug built_;
};

TEST_F(CRadioUpgradePrepareTest, WithNothingSelectedTheRunSucceedsWithoutTouchingTheRadio) {
    EXPECT_EQ(Run(), UpgradeStatus::Succeeded);
    EXPECT_TRUE(Radio().Requests().empty());
    EXPECT_EQ(notes_.Calls(), (std::vector<std::string>{"Cursor 1", "Cursor 0"}));
}

TEST_F(CRadioUpgradePrepareTest, TheCodeplugModeChoosesTheRegionAndItsChunkCount) {
    const unsigned a0 = built_.region2Start;
    const unsigned end = built_.region3Start + built_.region3Length + 1;
    struct Case {
        int mode;
        CodeplugRegion region;
    };
    const Case cases[] = {{1, {0, a0}}, {2, {a0, end}}, {3, {0, end}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        options_.codeplugMode = c.mode;
        Run();
        EXPECT_EQ(engine_->Region().start, c.region.start);
        EXPECT_EQ(engine_->Region().end, c.region.end);
        const unsigned chunks = (c.region.end - c.region.start + 31) / 32;
        EXPECT_EQ(Begins().back(), "Begin " + std::to_string(chunks) + " 0");
    }
}

TEST_F(CRadioUpgradePrepareTest, AModeOutsideTheTableOrAMissingCodeplugIsAnInvalidDataFile) {
    struct Case {
        int mode;
        bool withCodeplug;
        const char* logLine;
    };
    const Case cases[] = {
        {4, true, "Syntax error in patch script file : RADIO_MATCHING_BLOCK"},
        {1, false, "Read firmware S-Record file failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        options_.codeplugMode = c.mode;
        if (!c.withCodeplug)
            codeplugText_.clear();
        EXPECT_EQ(Run(), UpgradeStatus::InvalidDataFile);
        EXPECT_TRUE(LogHas(c.logLine));
    }
    EXPECT_TRUE(Begins().empty());
    EXPECT_TRUE(Radio().Requests().empty());
}

TEST_F(CRadioUpgradePrepareTest, PatchStepsCountTheRecordsBeforeTheEndRecord) {
    options_.patchCodeplug = true;
    patchRecords_ = {
        {0x10, 4, 0, 0x5A, 0, 0}, {0x20, 0, 0, 5, 0, 0}, {0x99, 0, 0, 0, 0, 0}, {0x30, 0, 0, 0, 0, 0}};
    Run();
    EXPECT_EQ(Begins(), std::vector<std::string>{"Begin 2 0"});
}

}  // namespace
