#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "files/ProductLine.h"

namespace {

// The ids are those of the product-line table that kits and settings were written against.
TEST(ProductLineTest, EachNameHasItsIdAndTheNamedIdsAreTheirRows) {
    struct Row {
        std::int32_t id;
        std::string name;
    };
    const Row table[] = {
        {0, "BASIC"}, {1, "KESTAR02"},  {2, "KESTAR03"},    {3, "KDS"},
        {4, "DUN"},   {5, "VOLANTE"},   {6, "PL510/PL520"}, {7, "PIK"},
        {8, "ORBIS"}, {9, "DUN_KESTA"}, {10, "FAR_VARNO"},  {11, "NO_LINE"},
    };
    for (const Row& row : table)
        EXPECT_EQ(ProductLine::IdOf(row.name), row.id) << row.name;
    EXPECT_EQ(ProductLine::kKestar02, 1);
    EXPECT_EQ(ProductLine::kKestar03, 2);
    EXPECT_EQ(ProductLine::kKds, 3);
    EXPECT_EQ(ProductLine::kOrbis, 8);
    EXPECT_EQ(ProductLine::kFarVarno, 10);
    EXPECT_EQ(ProductLine::kNoLine, 11);
}

TEST(ProductLineTest, AnyOtherTextIsNoLine) {
    for (const std::string name : {"basic", "BASIC ", "", "PL510", "KESTAR04"})
        EXPECT_EQ(ProductLine::IdOf(name), 11) << name;
}

}  // namespace
