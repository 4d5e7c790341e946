#include <gtest/gtest.h>

#include "TempDir.h"
#include "VirtualTimeTest.h"
#include "workflow/UpgradeRecord.h"

namespace {

class UpgradeRecordTest : public VirtualTimeTest {
protected:
    static UpgradeRecord Record() {
        UpgradeRecord record;
        record.started = std::chrono::system_clock::now();
        record.port = 3;
        record.identity = "E58EC154199D11D180180060B03C8AFF";
        record.serialText = "4000123";
        record.modelCode = "02";
        record.releaseBefore = "R05.00";
        record.operations = UpgradeRecord::Operations(true, 0, true);
        record.attempts = 2;
        record.finalStatus = 5;
        record.finalText = "Radio Update is successful";
        record.durationSeconds = 61.25;
        record.backupFile = "backup/4000123, first.bin";
        return record;
    }
    TempDir kit_;
};

TEST_F(UpgradeRecordTest, WritesTheHeaderOnceAndOneRowPerPress) {
    ASSERT_TRUE(Record().AppendTo(kit_.Path()));
    ASSERT_TRUE(Record().AppendTo(kit_.Path()));

    const std::string csv = kit_.ReadFile("upgrades.csv");
    EXPECT_EQ(csv.find("date and time,port,radio identity,serial text,model code,release before,operations,"
                       "attempts,final status,final status text,duration (s),backup file\r\n"),
              0u);
    const std::string row =
        ",COM3,E58EC154199D11D180180060B03C8AFF,4000123,02,R05.00,firmware+patch,2,5,"
        "Radio Update is successful,61.2,\"backup/4000123, first.bin\"\r\n";
    const std::size_t first = csv.find(row);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(csv.find(row, first + row.size()), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
}

TEST_F(UpgradeRecordTest, AFolderThatCannotBeWrittenIsLoggedNotRaised) {
    EXPECT_FALSE(Record().AppendTo(kit_.Path() / "missing"));
    EXPECT_TRUE(LogHas("UpgradeRecord::AppendTo: Unable to write " +
                       (kit_.Path() / "missing" / "upgrades.csv").string()));
}

TEST(UpgradeRecordOperationsTest, NamesTheSelectedOperations) {
    EXPECT_EQ(UpgradeRecord::Operations(false, 0, false), "none");
    EXPECT_EQ(UpgradeRecord::Operations(true, 3, true), "firmware+codeplug 3+patch");
    EXPECT_EQ(UpgradeRecord::Operations(false, 2, false), "codeplug 2");
}

}  // namespace
