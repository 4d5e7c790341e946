#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"
#include "radio/ImageFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Placement = ImageFile::Placement;

// A header, S1, S2 and S3 data records out of address order, and the end record.
const std::string kRecords =
    "S00600004844521B\r\n"
    "S107001001020304DE\r\n"
    "S206000002AABB92\r\n"
    "S306000000205584\r\n"
    "S9030000FC\r\n";

TEST(ImageFileTest, PlacesRecordsByAddressOrOneAfterTheOther) {
    Bytes byAddress(0x21, 0xFF);
    byAddress[0x02] = 0xAA;
    byAddress[0x03] = 0xBB;
    byAddress[0x10] = 1;
    byAddress[0x11] = 2;
    byAddress[0x12] = 3;
    byAddress[0x13] = 4;
    byAddress[0x20] = 0x55;
    EXPECT_EQ(ImageFile::FromText(kRecords, Placement::ByAddress, "t"), byAddress);
    EXPECT_EQ(ImageFile::FromText(kRecords, Placement::InFileOrder, "t"),
              (Bytes{1, 2, 3, 4, 0xAA, 0xBB, 0x55}));
}

TEST(ImageFileTest, AFileThatIsNoSRecordTextIsTakenAsItsBytes) {
    TempDir folder;
    const std::string raw("\x00\x01\xFFS1", 5);
    folder.WriteFile("raw.bin", raw);
    EXPECT_EQ(ImageFile::Read(folder.Path() / "raw.bin", Placement::ByAddress),
              (Bytes{0x00, 0x01, 0xFF, 'S', '1'}));
    EXPECT_THROW(ImageFile::Read(folder.Path() / "missing.bin", Placement::ByAddress), std::runtime_error);
}

TEST(ImageFileTest, ABadRecordIsRefusedWithItsLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"S107001001020304DE\nS107001001020304DF\n", "image:2: the checksum is wrong"},
        {"S108001001020304DE\n", "image:1: the count is wrong"},
        {"S1070010010203G4DE\n", "image:1: not hex: G4"},
        {"S10200FD\n", "image:1: too short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ImageFile::FromText(c.text, Placement::ByAddress, "image");
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

}  // namespace
