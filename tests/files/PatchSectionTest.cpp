#include <gtest/gtest.h>

#include "files/FileManager.h"
#include "files/PatchSection.h"

namespace {

constexpr const char* kBlock =
    "PATCHER_DATA_BLOCK\r\n"
    "20,00,2C,0000,00,00\r\n"
    "99,00,00,0000,00,00\r\n"
    "99,00,00,0000,00,00\r\n"  // the second model entry patches nothing
    "10,04,01,0031,00,00\r\n"
    "30,01,02,0104,0C,04\r\n"
    "99,00,00,0000,00,00\r\n"
    "20,00,2D,0000,00,00\r\n";  // a section cut short by the end of the data

TEST(PatchSectionTest, SkipsTheSectionsBeforeTheSelectedOneByTheirEndRecords) {
    FileManager config;
    config.LoadText(kBlock);
    ASSERT_TRUE(config.FindBlock("PATCHER_DATA_BLOCK"));

    const PatchSection third = LoadPatchSection(config, 2);
    EXPECT_TRUE(third.closed);
    EXPECT_EQ(third.firstLine, 4u);
    const std::vector<PatchRecord> expected = {
        {0x10, 0x04, 0x01, 0x0031, 0x00, 0x00},
        {0x30, 0x01, 0x02, 0x0104, 0x0C, 0x04},
        {0x99, 0x00, 0x00, 0x0000, 0x00, 0x00},
    };
    EXPECT_EQ(third.records, expected);

    const PatchSection second = LoadPatchSection(config, 1);
    ASSERT_EQ(second.records.size(), 1u);
    EXPECT_EQ(second.records[0].opcode, 0x99u);
}

TEST(PatchSectionTest, ASectionWithoutItsEndRecordStopsAtTheEndOfTheData) {
    FileManager config;
    config.LoadText(kBlock);
    ASSERT_TRUE(config.FindBlock("PATCHER_DATA_BLOCK"));
    const PatchSection cut = LoadPatchSection(config, 3);
    EXPECT_FALSE(cut.closed);
    ASSERT_EQ(cut.records.size(), 1u);
    EXPECT_EQ(cut.records[0].operand2, 0x2D);

    const PatchSection absent = LoadPatchSection(config, 7);
    EXPECT_FALSE(absent.closed);
    EXPECT_TRUE(absent.records.empty());
}

TEST(PatchSectionTest, WideValuesKeepTheirLowOrderBits) {
    FileManager config;
    config.LoadText("P\n0123456789,1FF,0102,123456,ABCD,99\n");
    ASSERT_TRUE(config.FindBlock("P"));
    const PatchRecord record = ReadPatchRecord(config, 1);
    EXPECT_EQ(record.opcode, 0x23456789u);
    EXPECT_EQ(record.operand1, 0x1F) << "1FF reads as 0x1F: a trailing digit is ignored";
    EXPECT_EQ(record.operand2, 0x02);
    EXPECT_EQ(record.operand3, 0x3456);
    EXPECT_EQ(record.operand4, 0xCD);
    EXPECT_EQ(record.operand5, 0x99);
}

TEST(PatchSectionTest, OpcodesHaveTheirNames) {
    EXPECT_EQ(PatchOpcodeName(0x10), "CheckRadioType");
    EXPECT_EQ(PatchOpcodeName(0x20), "SelectBlock");
    EXPECT_EQ(PatchOpcodeName(0x30), "SetFieldBits");
    EXPECT_EQ(PatchOpcodeName(0x50), "WriteBlock");
    EXPECT_EQ(PatchOpcodeName(0x99), "End");
    EXPECT_EQ(PatchOpcodeName(0x40), "");
}

}  // namespace
