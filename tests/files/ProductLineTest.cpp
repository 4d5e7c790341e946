#include <gtest/gtest.h>

#include "files/ProductLine.h"

namespace {

TEST(ProductLineTest, NamesMapToTheirRowAndAnythingElseToNoLine) {
    EXPECT_EQ(ProductLine::IdOf("BASIC"), 0);
    EXPECT_EQ(ProductLine::IdOf("PL510/PL520"), 6);
    EXPECT_EQ(ProductLine::IdOf("FAR_VARNO"), ProductLine::kFarVarno);
    EXPECT_EQ(ProductLine::IdOf("NO_LINE"), ProductLine::kNoLine);
    EXPECT_EQ(ProductLine::IdOf("basic"), ProductLine::kNoLine);
    EXPECT_EQ(ProductLine::IdOf("BASIC "), ProductLine::kNoLine);
    EXPECT_EQ(ProductLine::IdOf(""), ProductLine::kNoLine);
}

}  // namespace
