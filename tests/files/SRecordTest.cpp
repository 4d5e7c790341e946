#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/SRecord.h"

namespace {

// Records with correct checksums: 16 bytes 00..0F at 0x0000, 16 bytes 10..1F at 0x1000, and the end.
constexpr const char* kFirst = "S1130000000102030405060708090A0B0C0D0E0F74";
constexpr const char* kSecond = "S1131000101112131415161718191A1B1C1D1E1F64";
constexpr const char* kEnd = "S9030000FC";
constexpr const char* kHeader = "S00F000068656C6C6F202020202000003C";

std::string Lines(const std::vector<std::string>& records, const std::string& lineEnd = "\r\n") {
    std::string text;
    for (const std::string& record : records)
        text += record + lineEnd;
    return text;
}

std::vector<std::uint8_t> Range(std::uint8_t first, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

std::vector<std::uint8_t> DataOf(const SRecordData& record) {
    return {record.data.begin(), record.data.begin() + record.length};
}

TEST(SRecordTest, ReadsAnS1RecordAndChecksItsChecksum) {
    const std::string text = Lines({kFirst, kEnd});
    SRecord reader;
    reader.AttachText(text);
    SRecordData record;
    EXPECT_TRUE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.type, '1');
    EXPECT_EQ(record.address, 0u);
    EXPECT_EQ(record.length, 16u);
    EXPECT_EQ(DataOf(record), Range(0, 16));

    std::string changed = text;
    changed[10] = '7';  // one data digit
    reader.AttachText(changed);
    EXPECT_FALSE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.length, 16u) << "a bad checksum still consumes and decodes the record";
    EXPECT_FALSE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.type, 0);
}

TEST(SRecordTest, EveryLineEndReadsTheSameRecords) {
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        const std::string text = Lines({kFirst, kSecond, kEnd}, lineEnd);
        SRecord reader;
        reader.AttachText(text);
        EXPECT_EQ(reader.CountRecords(), 2u);
        EXPECT_TRUE(reader.CheckFirstRecord());
        SRecordData record;
        ASSERT_TRUE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.address, 0x0000u);
        ASSERT_TRUE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.address, 0x1000u);
        EXPECT_EQ(DataOf(record), Range(0x10, 16));
        EXPECT_FALSE(reader.ReadNextRecord(record));
    }
}

TEST(SRecordTest, TheImageConcatenatesDataAndLeavesGapsUnfilled) {
    const std::string text = Lines({kFirst, kSecond, kEnd}, "\n");
    SRecord reader;
    reader.AttachText(text);
    std::vector<std::uint8_t> image(64, 0xEE);
    std::size_t length = 0;
    ASSERT_TRUE(reader.ReadAllData(image, length));
    EXPECT_EQ(length, 32u);
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 32), Range(0, 32));
    EXPECT_EQ(image[32], 0xEE);
}

TEST(SRecordTest, ReadAllDataStopsAtItsCapacity) {
    const std::string text = Lines({kFirst, kSecond, kEnd});
    SRecord reader;
    reader.AttachText(text);
    std::vector<std::uint8_t> buffer(32, 0xEE);
    std::size_t length = 0;
    EXPECT_FALSE(reader.ReadAllData(std::span(buffer).first(20), length));
    EXPECT_EQ(length, 20u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 20), Range(0, 20));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 20, buffer.end()),
              std::vector<std::uint8_t>(12, 0xEE));

    reader.AttachText(text);
    EXPECT_TRUE(reader.ReadAllData(std::span(buffer).first(32), length)) << "exactly full is not past it";
}

TEST(SRecordTest, ATextThatStartsWithItsEndHasNoRecords) {
    const std::string text = Lines({kEnd, kFirst});
    SRecord reader;
    reader.AttachText(text);
    EXPECT_EQ(reader.CountRecords(), 0u);
    EXPECT_FALSE(reader.CheckFirstRecord());
    EXPECT_EQ(reader.FirstRecordDataLength(), 0u);
    std::vector<std::uint8_t> image(16);
    std::size_t length = 99;
    EXPECT_TRUE(reader.ReadAllData(image, length));
    EXPECT_EQ(length, 0u);
}

TEST(SRecordTest, TheEndIsReportedAgainAndAgain) {
    const std::string text = Lines({kFirst, kEnd});
    SRecord reader;
    reader.AttachText(text);
    SRecordData record;
    ASSERT_TRUE(reader.ReadNextRecord(record));
    for (int call = 0; call < 3; ++call) {
        record.data[0] = 0x55;
        EXPECT_FALSE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.type, 0);
        EXPECT_EQ(record.length, 0u);
        EXPECT_EQ(record.address, 0u);
        EXPECT_EQ(record.data[0], 0);
    }
}

TEST(SRecordTest, AnS2ChecksumCoversThreeAddressBytesAndAnS1ChecksumTwo) {
    const std::string text = Lines({"S206123456AABBF8", "S1053456AABB0B", kEnd});
    SRecord reader;
    reader.AttachText(text);
    SRecordData record;
    ASSERT_TRUE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.type, '2');
    EXPECT_EQ(record.address, 0x123456u);
    EXPECT_EQ(SRecord::Checksum(record, 2), 0xF8);
    EXPECT_EQ(SRecord::Checksum(record, 1), 0x0B) << "an S1 checksum ignores the top address byte";
    ASSERT_TRUE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.address, 0x3456u);
}

TEST(SRecordTest, QueriesLeaveThePositionAtTheStart) {
    const std::string text = Lines({kFirst, kSecond, kEnd});
    SRecord reader;
    reader.AttachText(text);
    SRecordData record;
    ASSERT_TRUE(reader.ReadNextRecord(record));
    EXPECT_EQ(reader.FirstRecordDataLength(), 16u) << "the record at the position: the second one";
    EXPECT_EQ(reader.Position(), 0u);
    ASSERT_TRUE(reader.ReadNextRecord(record));
    EXPECT_TRUE(reader.CheckFirstRecord());
    EXPECT_EQ(reader.Position(), 0u);
    EXPECT_EQ(reader.CountRecords(), 2u);
    EXPECT_EQ(reader.Position(), 0u);
}

TEST(SRecordTest, RecordTypesOtherThanDataAreReadAsTheirKindSays) {
    SRecordData record;
    {
        // A header record is no data record: the image skips it and the first-record check refuses it.
        const std::string text = Lines({kHeader, kFirst, "S5030001FB", kEnd});
        SRecord reader;
        reader.AttachText(text);
        EXPECT_FALSE(reader.CheckFirstRecord());
        EXPECT_EQ(reader.CountRecords(), 3u);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_TRUE(reader.ReadAllData(image, length));
        EXPECT_EQ(length, 16u);
        reader.AttachText(text);
        EXPECT_FALSE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.type, '0');
        EXPECT_EQ(record.length, 0u);
        EXPECT_TRUE(reader.ReadNextRecord(record));
    }
    {
        // An S3 record holds a 32-bit address, which its checksum covers whole.
        const std::string text = Lines({"S30800401000AABBCC76", kFirst, kEnd});
        SRecord reader;
        reader.AttachText(text);
        EXPECT_TRUE(reader.CheckFirstRecord());
        EXPECT_EQ(reader.FirstRecordDataLength(), 3u);
        ASSERT_TRUE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.type, '3');
        EXPECT_EQ(record.address, 0x00401000u);
        EXPECT_EQ(record.length, 3u);
        EXPECT_EQ(record.data[2], 0xCC);
        reader.AttachText(text);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_TRUE(reader.ReadAllData(image, length));
        EXPECT_EQ(length, 19u);
    }
    {
        // S4 is no data record: the image refuses it, the record reader hands it back empty.
        const std::string text = Lines({kFirst, "S40900001000AABBCC00", kEnd});
        SRecord reader;
        reader.AttachText(text);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_FALSE(reader.ReadAllData(image, length));
        reader.AttachText(text);
        EXPECT_TRUE(reader.ReadNextRecord(record));
        EXPECT_FALSE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.type, '4');
        EXPECT_EQ(record.length, 0u);
    }
}

TEST(SRecordTest, MalformedRecordsAreRefusedWithoutReadingPastTheText) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"cut short", std::string(kFirst).substr(0, 30) + "\r\n" + kEnd},
        {"cut at the end of the text", std::string(kFirst).substr(0, 30)},
        {"non-hex data digit", "S11300000001020304050607G8090A0B0C0D0E0F74\r\n" + std::string(kEnd)},
        {"count too small for the address", "S1020000\r\n" + std::string(kEnd)},
        {"no S", "X1130000000102030405060708090A0B0C0D0E0F74\r\n" + std::string(kEnd)},
    };
    for (const Case& c : cases) {
        SRecord reader;
        reader.AttachText(c.text);
        EXPECT_FALSE(reader.CheckFirstRecord()) << c.name;
        SRecordData record;
        EXPECT_FALSE(reader.ReadNextRecord(record)) << c.name;
        EXPECT_EQ(record.length, 0u) << c.name;
        reader.AttachText(c.text);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_FALSE(reader.ReadAllData(image, length)) << c.name;
    }
}

TEST(SRecordTest, AnImageRefusesARecordWithAWrongChecksum) {
    std::string damaged = kSecond;
    damaged[20] = '5';  // one data digit
    std::string countOneShort = kSecond;
    countOneShort[3] = '2';  // 0x12: the reader would take 15 data bytes and shift the rest
    for (const std::string& second : {damaged, countOneShort}) {
        const std::string text = Lines({kFirst, second, kEnd});
        SRecord reader;
        reader.AttachText(text);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_FALSE(reader.ReadAllData(image, length)) << second;
    }
}

TEST(SRecordTest, ARecordWithoutALineEndIsStillRead) {
    const std::string text = std::string(kFirst) + kSecond + "\r\n" + kEnd;
    SRecord reader;
    reader.AttachText(text);
    EXPECT_EQ(reader.CountRecords(), 2u);
    SRecordData record;
    ASSERT_TRUE(reader.ReadNextRecord(record));
    ASSERT_TRUE(reader.ReadNextRecord(record)) << "the second record follows right after the first";
    EXPECT_EQ(record.address, 0x1000u);
    reader.AttachText(text);
    std::vector<std::uint8_t> image(64);
    std::size_t length = 0;
    ASSERT_TRUE(reader.ReadAllData(image, length));
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 32), Range(0, 32));
}

TEST(SRecordTest, CharactersOtherThanLineEndsBetweenRecordsAreMalformed) {
    std::string lowerCase = kSecond;
    lowerCase[0] = 's';
    const std::string cases[] = {
        Lines({kFirst, lowerCase, kEnd}),
        Lines({std::string(kFirst) + "XX", kSecond, kEnd}),
        Lines({kFirst, std::string(" ") + kSecond, kEnd}),
        Lines({kFirst, "x9030000FC", kSecond, kEnd}),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        SRecord reader;
        reader.AttachText(text);
        std::vector<std::uint8_t> image(64);
        std::size_t length = 0;
        EXPECT_FALSE(reader.ReadAllData(image, length));

        // Record by record, as firmware is read: the stray characters are reported, not stepped over.
        reader.AttachText(text);
        SRecordData record;
        ASSERT_TRUE(reader.ReadNextRecord(record));
        EXPECT_FALSE(reader.ReadNextRecord(record));
        EXPECT_EQ(record.type, '?');
        EXPECT_EQ(record.length, 0u);
    }
}

TEST(SRecordTest, AnImageNeedsItsEndRecord) {
    const std::string text = Lines({kFirst, kSecond});
    SRecord reader;
    reader.AttachText(text);
    std::vector<std::uint8_t> image(64);
    std::size_t length = 0;
    EXPECT_FALSE(reader.ReadAllData(image, length));
    EXPECT_EQ(length, 32u);
}

TEST(SRecordTest, LowerCaseDigitsAreHexToo) {
    const std::string text = Lines({"S206123456aabbf8", kEnd});
    SRecord reader;
    reader.AttachText(text);
    EXPECT_TRUE(reader.CheckFirstRecord());
}

TEST(SRecordTest, WithoutATextThereIsNothingToRead) {
    SRecord reader;
    EXPECT_FALSE(reader.CheckFirstRecord());
    EXPECT_EQ(reader.CountRecords(), 0u);
    SRecordData record;
    EXPECT_FALSE(reader.ReadNextRecord(record));
    EXPECT_EQ(record.type, 0);
}

TEST(SRecordTest, AttachAndDetach) {
    std::string text = Lines({kFirst, kEnd}) + std::string("\0S1", 3);
    SRecord reader;
    reader.AttachString(text);
    EXPECT_TRUE(reader.IsAttached());
    EXPECT_EQ(reader.Size(), text.find('\0')) << "the text ends at its first zero byte";
    EXPECT_GE(text.capacity(), text.size() + FileModule::kStringSlack);
    SRecordData record;
    ASSERT_TRUE(reader.ReadNextRecord(record));
    reader.AttachText(text);  // the same string again, through a view taken before the detach
    EXPECT_TRUE(reader.CheckFirstRecord());
    reader.Detach();
    EXPECT_FALSE(reader.IsAttached());
    EXPECT_EQ(reader.Size(), 0u);
    EXPECT_EQ(reader.Position(), 0u);
    EXPECT_FALSE(reader.CheckFirstRecord());
}

}  // namespace
