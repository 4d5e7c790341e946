#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "CodeplugFile.h"
#include "RaisedError.h"
#include "TestBytes.h"
#include "VirtualTimeTest.h"
#include "codeplug/CKDScodeplug.h"

namespace {

constexpr std::size_t kImageBytes = 800;
constexpr std::uint32_t kTuningBlock = 0x24;
// The internal part ends at s = c + k * m + 5, c = a + (word at a) + 8: a = 0x20, word 0x10, k = 3,
// m = 4: c = 0x38, s = 0x49.
constexpr std::uint32_t kInternalEnd = 0x49;

// A KDS codeplug: the pointer structure, the tuning block 0x8000 in the standard format (no checksum
// of its own), and ascending bytes elsewhere, where block 139 lies in its two places.
Bytes Sample() {
    Bytes image = Ascending(0, kImageBytes);
    std::fill(image.begin(), image.begin() + kInternalEnd, 0);
    PutWord(image, 0, 0x20);
    PutWord(image, 0x20, 0x10);
    PutWord(image, 0x39, 3);
    image[0x3B] = 4;
    PutWord(image, 11, kTuningBlock);
    const Bytes tuning = {0x00, 0x08, 0x01, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78};
    std::copy(tuning.begin(), tuning.end(), image.begin() + kTuningBlock);
    image[kInternalEnd - 1] = 0x40;
    return image;
}

class CKDScodeplugTest : public VirtualTimeTest {
protected:
    // The image and the external codeplug are the same text, as when the engine reads the kit's file.
    void Load(const Bytes& image, int mode = 0, std::string_view code = "00") {
        file_.emplace(image);
        codeplug_.SetExternalCodeplug(file_->Text(), code);
        codeplug_.SetCpMode(mode);
        result_ = file_->LoadInto(codeplug_);
    }
    Bytes Image() const { return Bytes(codeplug_.ImageData().begin(), codeplug_.ImageData().end()); }

    std::optional<CodeplugFile> file_;
    std::uint32_t result_ = 0;
    CKDScodeplug codeplug_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(72, 0xEE);
};

TEST_F(CKDScodeplugTest, Block139LiesWhereTheModeAndTheVariantCodeSay) {
    struct Case {
        int mode;
        const char* code;
        std::uint32_t address;
        std::size_t size;
    };
    const Case cases[] = {{1, "01", 523, 70}, {0, "01", 651, 72}, {1, "00", 651, 72},
                          {1, "11", 523, 70}, {1, "1", 651, 72},  {1, "10", 651, 72}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " code \"" << c.code << "\"");
        Load(Sample(), c.mode, c.code);
        EXPECT_EQ(codeplug_.GetBlockVector(139), c.address);
        ASSERT_EQ(codeplug_.ReadCpBlock(buffer_, 139), c.size);
        EXPECT_TRUE(std::equal(buffer_.begin(), buffer_.begin() + c.size, Sample().begin() + c.address));
    }
}

TEST_F(CKDScodeplugTest, Block139IsWrittenWithItsBytesSummingTo0x5A) {
    Load(Sample());
    std::fill(buffer_.begin(), buffer_.end(), 0);
    buffer_[0] = 0x10;
    buffer_[70] = 0x20;  // the first 71 bytes sum to 0x30
    EXPECT_EQ(codeplug_.WriteCpBlock(buffer_, 139), 72u);
    EXPECT_EQ(buffer_[71], 0x2A);
    const Bytes image = Image();
    EXPECT_TRUE(std::equal(buffer_.begin(), buffer_.end(), image.begin() + 651));
    EXPECT_EQ(image[650], Sample()[650]);
    EXPECT_EQ(image[723], Sample()[723]);
}

TEST_F(CKDScodeplugTest, OnlyBlock139AndTheTuningBlockExist) {
    Load(Sample());
    EXPECT_EQ(codeplug_.GetBlockVector(0x8000), kTuningBlock);
    for (const std::uint16_t id : {0, 1, 138, 140, 0x8001})
        EXPECT_EQ(codeplug_.GetBlockVector(id), 0u) << id;
    EXPECT_EQ(codeplug_.ReadCpBlock(buffer_, 0), std::nullopt);
    EXPECT_EQ(RaisedBy([&] { codeplug_.WriteCpBlock(buffer_, 140); }),
              GenError(3, "Unable to find codeplug block id = 140"));
    EXPECT_EQ(LogLines().back(), "CCodeplug::WriteCpBlock: Unable to find codeplug block");
}

TEST_F(CKDScodeplugTest, ThePointersDescribeTheExternalCodeplug) {
    Load(Sample());
    EXPECT_EQ(result_, 1u);
    CodeplugPointers expected;
    expected.boundary = kInternalEnd;
    expected.region2Start = kInternalEnd;
    expected.region2Length = kImageBytes - kInternalEnd;
    expected.codeplugEnd = kImageBytes - 1;
    EXPECT_EQ(codeplug_.GetRdkPtrs(), expected);

    struct Case {
        const char* what;
        Bytes image;
    };
    Bytes farK = Sample();
    PutWord(farK, 0x39, 0x00FF);  // s = 0x38 + 255 * 4 + 5, past the data
    Bytes farA = Sample();
    PutWord(farA, 0, 0x7000);
    Bytes tooLong = Sample();
    tooLong.resize(CKDScodeplug::kExternalImageBytes + 1);
    for (const Case& c :
         {Case{"s past the data", farK}, Case{"a past the data", farA}, Case{"over 10000 bytes", tooLong}}) {
        SCOPED_TRACE(c.what);
        Load(c.image);
        EXPECT_EQ(result_, 0u);
        EXPECT_EQ(codeplug_.GetRdkPtrs(), std::nullopt);
    }
    CKDScodeplug withoutText;
    EXPECT_FALSE(withoutText.InitRdkPtrs());
}

TEST_F(CKDScodeplugTest, TheTuningBlockHasTheStandardFormatAndTheExternalRegionsChecksum) {
    Load(Sample());
    std::array<std::uint8_t, 8> tuning{};
    EXPECT_EQ(codeplug_.ReadCpEntry(tuning, 0x8000, 0, 0), 8u);
    EXPECT_EQ(tuning, (std::array<std::uint8_t, 8>{0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78}));
    // Below s the checksum byte is at s - 1: 0x40 + (0x71 - 0x70) + (0x72 - 0x70) = 0x43.
    codeplug_.WriteCpField(Bytes{0x70, 0x70}, std::uint16_t{0x8000}, 0, 0, 0);
    EXPECT_EQ(codeplug_.CurrentBlock().checksumLocation, kInternalEnd - 1);
    const Bytes image = Image();
    EXPECT_EQ(image[kTuningBlock + 3], 0x70);
    EXPECT_EQ(image[kInternalEnd - 1], 0x43);
}

TEST_F(CKDScodeplugTest, FieldsArePlainOffsets) {
    Load(Sample());
    const std::size_t length = *codeplug_.ReadCpBlock(buffer_, 139);
    std::array<std::uint8_t, 5> field{};
    codeplug_.ReadCpField(field, std::span(buffer_).first(length), 1, 1, 64);
    EXPECT_TRUE(std::equal(field.begin(), field.end(), Sample().begin() + 651 + 64));
    codeplug_.WriteCpField(Bytes{0xAB}, std::span(buffer_).first(length), 2, 2, 59);
    EXPECT_EQ(buffer_[59], 0xAB);
}

}  // namespace
