#include <gtest/gtest.h>

#include "KitFileWriter.h"
#include "TempDir.h"
#include "app/ProductLineLookup.h"
#include "files/ProductLine.h"
#include "files/ProgramKey.h"

namespace {

TEST(ProductLineLookupTest, ReadsTheKitsProductLine) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"PATCH-D01.01.07\nPRODUCT_LINE\nBASIC\n", 0},
        {"PATCH-D01.01.07\nPRODUCT_LINE\nFAR_VARNO\n", 10},
        {"PATCH-D01.01.07\nPRODUCT_LINE\nbasic\n", ProductLine::kNoLine},
        {"PATCH-D01.01.07\nRADIO_GROUP_REGION\n", ProductLine::kNoLine},
    };
    for (const auto& [config, id] : cases) {
        TempDir kit;
        kit.WriteFile("patcher.dat", EncipherForKit(config, kProgramKey));
        EXPECT_EQ(LookUpProductLine(kit.Path()), id) << config;
    }
}

TEST(ProductLineLookupTest, AMissingOrUnreadableFileIsNoLine) {
    TempDir kit;
    EXPECT_EQ(LookUpProductLine(kit.Path()), ProductLine::kNoLine);
    kit.WriteFile("patcher.dat", "odd");
    EXPECT_EQ(LookUpProductLine(kit.Path()), ProductLine::kNoLine);
}

}  // namespace
