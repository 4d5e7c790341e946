#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "RaisedError.h"
#include "VirtualTimeTest.h"
#include "codeplug/CodeplugImage.h"

namespace {

TEST(CodeplugImageTest, TheBufferHoldsTheRecordsRaisedToAStandardSize) {
    struct Case {
        std::uint32_t records;
        std::uint32_t firstRecordBytes;
        std::size_t capacity;
    };
    const Case cases[] = {
        {0, 0, 4096},     {1, 17, 4096},     {128, 32, 4096},   {257, 16, 8192},   {129, 32, 8192},
        {512, 32, 16384}, {1024, 32, 32768}, {1025, 32, 32800}, {1000, 33, 33008},  // larger sizes stay,
                                                                                    // rounded to 16
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodeplugImage::CapacityFor(c.records, c.firstRecordBytes), c.capacity)
            << c.records << " records of " << c.firstRecordBytes;
    }
}

class CodeplugImageBoundsTest : public VirtualTimeTest {};

TEST_F(CodeplugImageBoundsTest, AccessIsBoundedByTheDataNotTheBuffer) {
    CodeplugImage image;
    image.Allocate(4096);
    EXPECT_EQ(image.ChunkCount(), 128u);
    std::array<std::uint8_t, 2> two{};
    // The buffer is 4096 bytes, but no data have been read into it.
    EXPECT_EQ(RaisedBy([&] { image.Read(0, two); }), GenError(3, "Access out of codeplug"));
    EXPECT_EQ(RaisedBy([&] { image.Write(4094, two); }), GenError(3, "Access out of codeplug"));
    EXPECT_FALSE(image.Holds(0xFFFFFFFFFFFFFFFFull, 2));
    EXPECT_TRUE(image.Holds(0, 0));
}

}  // namespace
