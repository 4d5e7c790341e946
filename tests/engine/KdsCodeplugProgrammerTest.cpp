#include <gtest/gtest.h>

#include <numeric>

#include "ProgrammerTest.h"
#include "TestCodeplugs.h"
#include "RaisedError.h"
#include "codeplug/CCodeplug.h"

namespace {

using namespace KdsTestCodeplug;

struct KdsCase {
    int mode;
    const char* variantCode;
};

class KdsProgrammerTest : public ProgrammerTest, public testing::WithParamInterface<KdsCase> {
public:
    KdsProgrammerTest() {
        Setup(KdsImage(0x11), KdsImage(0x80), CCodeplug::kKdsFormat);
        job_.mode = GetParam().mode;
        job_.variantCode = GetParam().variantCode;
        job_.region = Region(job_.mode);
    }
    bool Moved() const { return job_.variantCode[1] == '1'; }
};

TEST_P(KdsProgrammerTest, KeepsTheRadiosTuningMigratedWhereTheVariantCodeMovedIt) {
    Program();
    Bytes expected = radioImage_;
    std::copy(kitImage_.begin() + job_.region.start, kitImage_.begin() + job_.region.end,
              expected.begin() + job_.region.start);
    if (job_.mode != 2) {
        const auto radioEntry = radioImage_.begin() + kTuningEntry;
        if (Moved()) {
            std::copy_n(radioEntry + 1, 40, expected.begin() + kTuningEntry + 1);
            std::copy_n(radioEntry + 41, 2, expected.begin() + kTuningEntry + 47);
            expected[kTuningEntry + 50] = radioEntry[43];
            expected[kTuningEntry + 49] = radioEntry[44];
            std::copy_n(radioEntry + 45, 47, expected.begin() + kTuningEntry + 51);
        } else {
            std::copy_n(radioEntry, kTuningBytes, expected.begin() + kTuningEntry);
        }
        const std::uint32_t savedFrom = Moved() ? kOldPlace : kNewPlace;
        for (const auto& [offset, length] : {std::pair{4u, 10u}, {64u, 5u}, {59u, 1u}})
            std::copy_n(radioImage_.begin() + savedFrom + offset, length, expected.begin() + kNewPlace + offset);
    }
    const std::span<const std::uint8_t> now = Radio().Codeplug();
    for (std::uint32_t address = 0; address < kImageBytes; ++address) {
        if (address == kTuningEntry + kTuningBytes || address == kNewPlaceChecksum)
            continue;
        ASSERT_EQ(now[address], expected[address]) << "at address " << address;
    }
    const auto sum = std::accumulate(now.begin() + kTuningEntry, now.begin() + kTuningEntry + kTuningBytes + 1, 0u);
    EXPECT_EQ(sum % 256, 0u) << "the tuning entry's checksum";
    const auto blockSum = std::accumulate(now.begin() + kNewPlace, now.begin() + kNewPlace + 72, 0u);
    EXPECT_EQ(job_.mode == 2 ? 0x5Au : blockSum % 256, 0x5Au) << "block 0x8B's checksum";
}

INSTANTIATE_TEST_SUITE_P(ModesAndVariantCodes, KdsProgrammerTest,
                         testing::Values(KdsCase{1, "00"}, KdsCase{1, "01"}, KdsCase{2, "00"}, KdsCase{3, "00"},
                                         KdsCase{3, "01"}),
                         [](const testing::TestParamInfo<KdsCase>& info) {
                             return "mode" + std::to_string(info.param.mode) + "_code" + info.param.variantCode;
                         });

class KdsFaultTest : public ProgrammerTest {
public:
    KdsFaultTest() {
        Setup(KdsImage(0x11), KdsImage(0x80), CCodeplug::kKdsFormat);
        job_.mode = 1;
        job_.variantCode = "00";
        job_.region = {0, kInternalEnd};
    }
};

TEST_F(KdsFaultTest, ShowsItsStepAndNamesTheInternalRegionWhenAChunkFails) {
    RecordingNotifications notifications;
    FailWrites(2);
    EXPECT_EQ(RaisedBy([&] { Program(); }), KwipError(1, "Received NACK from external device"));
    EXPECT_TRUE(LogHas("CRadioUpgrade::DoProgCp: Programming internal region of the codeplug"));
    EXPECT_TRUE(LogHas("Write radio codeplug failed at address 20"));
    EXPECT_EQ(notifications.CallsOf("Status"), std::vector<std::string>{"Status 4"});
    EXPECT_EQ(notifications.CallsOf("Message"), std::vector<std::string>{"Message Programming Codeplug..."});
    EXPECT_TRUE(saved_.AtRisk());
}

// The moved fields take 92 bytes of the saved entry: a shorter one is refused before the codeplug is
// written, not found out when the radio already holds the kit's generic tuning.
TEST_F(KdsFaultTest, ASavedTuningEntryTooShortForTheMovedFieldsIsRefusedBeforeTheWrite) {
    Setup(KdsImage(0x11, 80), KdsImage(0x80), CCodeplug::kKdsFormat);
    job_.variantCode = "01";
    const RaisedError raised = RaisedBy([&] { Program(); });
    EXPECT_EQ(raised, GenError(3, "The kit's codeplug cannot take back the radio's own data: the radio's tuning entry "
                                  "has 80 bytes, the moved fields need 92"));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(saved_.AtRisk());
}

TEST_F(KdsFaultTest, ARegionPastItsSmallerImageIsRefused) {
    job_.mode = 3;
    job_.region = {0, 16385};
    EXPECT_EQ(RaisedBy([&] { Program(); }),
              GenError(3, "The programmable codeplug region reaches beyond the codeplug image"));
    EXPECT_TRUE(Radio().Requests().empty());
}

}  // namespace
