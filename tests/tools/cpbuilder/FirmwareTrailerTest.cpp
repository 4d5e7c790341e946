#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>
#include <vector>

#include "FirmwareTrailer.h"

namespace {

TEST(FirmwareTrailerTest, IsTheCrc32OfTheBytesBeforeItThatAnyChangeBreaks) {
    constexpr std::string_view kCheck = "123456789";  // the CRC-32's published check input
    EXPECT_EQ(FirmwareTrailer::Crc32({reinterpret_cast<const std::uint8_t*>(kCheck.data()), kCheck.size()}),
              0xCBF43926u);

    std::vector<std::uint8_t> image(kCheck.begin(), kCheck.end());
    image.resize(image.size() + FirmwareTrailer::kBytes);
    EXPECT_FALSE(FirmwareTrailer::Holds(image));
    FirmwareTrailer::Seal(image);
    EXPECT_EQ(std::vector<std::uint8_t>(image.end() - 4, image.end()),
              (std::vector<std::uint8_t>{0xCB, 0xF4, 0x39, 0x26}));
    EXPECT_TRUE(FirmwareTrailer::Holds(image));
    image[3] ^= 0x01;
    EXPECT_FALSE(FirmwareTrailer::Holds(image));

    std::vector<std::uint8_t> tooShort(FirmwareTrailer::kBytes);
    EXPECT_THROW(FirmwareTrailer::Seal(tooShort), std::invalid_argument);
    EXPECT_FALSE(FirmwareTrailer::Holds(tooShort));
}

}  // namespace
