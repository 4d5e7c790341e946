#include <gtest/gtest.h>

#include "DemoCodeplugs.h"
#include "RecordingMessageBox.h"
#include "RecordingNotifications.h"
#include "SimRadioTest.h"
#include "engine/CPatcher.h"
#include "notify/CancelSignal.h"

namespace {

PatchRecord Record(std::uint32_t opcode, std::uint8_t operand1 = 0, std::uint8_t operand2 = 0,
                   std::uint16_t operand3 = 0, std::uint8_t operand4 = 0, std::uint8_t operand5 = 0) {
    return {opcode, operand1, operand2, operand3, operand4, operand5};
}

const PatchRecord kEnd = Record(0x99);
constexpr std::uint16_t kSettings = DemoCodeplugs::kSettingsBlock;  // present, 24-byte entry
constexpr std::uint16_t kAbsent = 0x21;

PatchRecord Select(std::uint16_t block) { return Record(0x20, block >> 8, block & 0xFF); }
PatchRecord Write(std::uint16_t block) { return Record(0x50, block >> 8, block & 0xFF); }
PatchRecord SetBits(std::uint8_t offset, std::uint8_t mask, std::uint8_t values) {
    return Record(0x30, 0, 0, offset, mask, values);
}
PatchRecord Check(std::uint8_t code, std::uint8_t index, char expected) {
    return Record(0x10, code, index, static_cast<std::uint8_t>(expected));
}

// The patcher on the demo kit's KX-400 codeplug in a simulated radio whose status 4 is "Z5"; the
// settings block's bytes 3 and 4 hold 0xFF and 0x00.
class CPatcherTest : public SimRadioTest {
protected:
    CPatcherTest() : codeplug_(DemoCodeplugs::Build(DemoCodeplugs::Models()[0])) {
        std::vector<std::uint8_t> memory = codeplug_.bytes;
        memory[Field(3)] = 0xFF;
        memory[Field(4)] = 0x00;
        memory.resize(4096, 0xFF);
        Profile().codeplug = memory;
    }
    bool Run(std::vector<PatchRecord> records) {
        CPatcher patcher(1);
        return patcher.UpdateRadio(records, kPort, 0, 9600);
    }
    std::uint32_t Field(std::uint32_t offset) const { return codeplug_.EntryAddress(kSettings, 0, 0) + offset; }
    std::uint8_t BlockSum(std::span<const std::uint8_t> memory) const {
        const BuiltCodeplug::Block& block = *codeplug_.Find(kSettings);
        unsigned sum = 0;
        for (std::uint32_t a = block.address; a < block.address + block.size; ++a)
            sum += memory[a];
        return static_cast<std::uint8_t>(sum);
    }
    std::uint8_t RadioByte(std::uint32_t address) { return Radio().Codeplug()[address]; }
    bool WroteAnything() {
        for (const RadioRequest& request : Radio().Requests())
            if (request.kind == RequestKind::Write)
                return true;
        return false;
    }
    RequestKind LastRequest() { return Radio().Requests().back().kind; }

    BuiltCodeplug codeplug_;
    RecordingNotifications notifications_;
    RecordingMessageBox boxes_;
};

TEST_F(CPatcherTest, AnEmptySectionOpensAndClosesTheProgressAndResetsTheRadio) {
    CPatcher patcher(1);
    EXPECT_TRUE(patcher.UpdateRadio(std::vector<PatchRecord>{kEnd}, kPort, 0, 9600));
    EXPECT_EQ(notifications_.Calls(), (std::vector<std::string>{"Begin 0 1", "End"}));
    EXPECT_EQ(LastRequest(), RequestKind::Reset);
    EXPECT_FALSE(patcher.RestartFailed());
}

TEST_F(CPatcherTest, AResetTheRadioDoesNotTakeLeavesTheRunSucceededButSaysSo) {
    for (unsigned n = 1; n <= 10; ++n)
        Radio().ScheduleFault({RequestKind::Reset, n, ScheduledFault::Kind::NegativeAck});
    CPatcher patcher(1);
    EXPECT_TRUE(patcher.UpdateRadio(std::vector<PatchRecord>{kEnd}, kPort, 0, 9600));
    EXPECT_TRUE(patcher.RestartFailed());
}

TEST_F(CPatcherTest, SetsTheFieldBitsOfAPresentBlockAndSkipsTheRecordsOfAnAbsentOne) {
    EXPECT_TRUE(Run({Select(kAbsent), SetBits(3, 0xFF, 0x11), Write(kAbsent), Select(kSettings),
                     SetBits(3, 0x0C, 0x04), SetBits(4, 0x0C, 0x04), Write(kSettings), kEnd}));
    EXPECT_EQ(RadioByte(Field(3)), 0xF7);
    EXPECT_EQ(RadioByte(Field(4)), 0x04);
    EXPECT_EQ(BlockSum(Radio().Codeplug()), BlockSum(Profile().codeplug))
        << "the block's checksum follows its changed bytes";
    EXPECT_EQ(notifications_.CallsOf("Begin"), std::vector<std::string>{"Begin 7 1"});
    EXPECT_EQ(notifications_.Steps(), 5) << "the skipped records are not stepped";
    EXPECT_EQ(LastRequest(), RequestKind::Reset);
}

TEST_F(CPatcherTest, ChecksAStatusReplyByteAndAgainWithoutANewRequest) {
    EXPECT_TRUE(Run({Check(4, 1, '5'), Check(0xFF, 0, 'Z'), kEnd}));
    int statusRequests = 0;
    for (const RadioRequest& request : Radio().Requests())
        statusRequests += request.kind == RequestKind::RadioStatus ? 1 : 0;
    EXPECT_EQ(statusRequests, 1);
}

TEST_F(CPatcherTest, AFailedCheckEndsTheRunBeforeTheRecordsAfterIt) {
    struct Case {
        const char* name;
        PatchRecord check;
        const char* line;
    };
    const Case cases[] = {
        {"a different byte", Check(4, 1, '6'), "Verification of radio type failed"},
        {"an index past the reply", Check(4, 30, '5'), "CPatcher::UpdateRadio: Status reply index 30 lies outside the reply"},
        {"no reply to examine again", Check(0xFF, 0, 'Z'), "CPatcher::UpdateRadio: No status reply to examine again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Run({c.check, Select(kSettings), SetBits(3, 0xFF, 0), Write(kSettings), kEnd}));
        EXPECT_TRUE(LogHas(c.line));
        EXPECT_FALSE(WroteAnything());
        EXPECT_EQ(LastRequest(), RequestKind::Reset);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(CPatcherTest, AnUnknownOpcodeFailsTheRunBeforeAnyRecordRuns) {
    EXPECT_FALSE(Run({Select(kSettings), SetBits(3, 0xFF, 0), Write(kSettings), Record(0x40), SetBits(4, 0xFF, 1),
                      Write(kSettings), kEnd}));
    EXPECT_TRUE(LogHas("CPatcher::UpdateRadio: Patch record 4 has the unknown operation 40"));
    EXPECT_TRUE(Radio().Requests().empty()) << "a script that would stop half way is not begun";
    EXPECT_TRUE(notifications_.Calls().empty());
}

TEST_F(CPatcherTest, CancelTakesEffectAfterTheRecordInProgress) {
    notifications_.CancelAtStep(1);
    EXPECT_FALSE(Run({Select(kSettings), SetBits(3, 0xFF, 0), Write(kSettings), kEnd}));
    EXPECT_TRUE(LogHas("CPatcher::UpdateRadio: Operation Interrupted"));
    EXPECT_FALSE(WroteAnything());
    EXPECT_FALSE(CancelSignal::Global().Poll()) << "the patcher reset the signal";
    EXPECT_EQ(LastRequest(), RequestKind::Reset);
}

TEST_F(CPatcherTest, AnErrorOfTheRadioIsShownInAnOkBoxWithoutIcon) {
    for (unsigned n = 1; n <= 4; ++n)
        Radio().ScheduleFault({RequestKind::Write, n, ScheduledFault::Kind::NegativeAck});
    EXPECT_FALSE(Run({Select(kSettings), Write(kSettings), kEnd}));
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "General communication error while writing codeplug");
    EXPECT_EQ(boxes_.Boxes()[0].icon, MessageIcon::None);
    EXPECT_EQ(boxes_.Boxes()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(notifications_.Calls().back(), "End");
    EXPECT_EQ(LastRequest(), RequestKind::Reset);
}

TEST_F(CPatcherTest, ARadioWhoseCodeplugHasNoValidPointersIsRefusedQuietly) {
    Profile().codeplug = std::vector<std::uint8_t>(4096, 0xFF);
    EXPECT_FALSE(Run({Select(kSettings), kEnd}));
    EXPECT_TRUE(notifications_.Calls().empty());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

}  // namespace
