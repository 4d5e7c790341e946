#include "files/SRecord.h"

#include <algorithm>

#include "files/HexDigits.h"

namespace {

constexpr char kRecordStart = 'S';
constexpr char kEndType = '9';
constexpr std::size_t kTypeOffset = 1;
constexpr char kNoType = '?';  // characters that start no record: no "S", or no type after it
constexpr std::size_t kCountOffset = 2;
constexpr std::size_t kAddressOffset = 4;
constexpr const char* kLineEnds = "\r\n";

// Characters of a record with `count` bytes after its count byte: "S", type, count, then the bytes.
std::size_t RecordChars(std::uint8_t count) {
    return 2 * std::size_t{count} + 4;
}

// Address bytes of a record type: S1 has 2, S3 4; every other type is read with 3.
std::size_t AddressBytes(char type) {
    switch (type) {
        case '1':
            return 2;
        case '3':
            return 4;
        default:
            return 3;
    }
}

std::optional<std::uint8_t> HexByte(std::string_view chars, std::size_t offset) {
    if (offset + 2 > chars.size())
        return std::nullopt;
    const auto high = HexDigits::Strict(chars[offset]);
    const auto low = HexDigits::Strict(chars[offset + 1]);
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint8_t>(*high << 4 | *low);
}

void ClearRecord(SRecordData& record, char type) {
    record.data[0] = 0;
    record.length = 0;
    record.address = 0;
    record.type = type;
}

}  // namespace

bool SRecord::IsEnd(std::string_view text, std::size_t position) {
    return position >= text.size() ||
           (position + kTypeOffset < text.size() && text[position] == kRecordStart &&
            text[position + kTypeOffset] == kEndType);
}

std::optional<SRecord::RecordLine> SRecord::NextRecordLine() {
    const std::string_view text = Text();
    if (IsEnd(text, Position()))
        return std::nullopt;

    RecordLine line;
    const std::string_view rest = text.substr(Position());
    line.chars = rest.substr(0, std::min({rest.find_first_of(kLineEnds), kMaxLineLength - 1}));
    line.count = HexByte(line.chars, kCountOffset);
    // A record ends where its count says. Whatever follows it up to the line end is read as the next
    // record, so a record written without a line end is read, and anything else there is refused as
    // malformed instead of being stepped over.
    if (!line.chars.empty() && line.chars[0] == kRecordStart && line.count)
        line.chars = line.chars.substr(0, std::min(line.chars.size(), RecordChars(*line.count)));
    const std::size_t next = text.find_first_not_of(kLineEnds, Position() + line.chars.size());
    SetPosition(next == std::string_view::npos ? text.size() : next);
    return line;
}

SRecord::Decoded SRecord::Decode(const RecordLine& line, SRecordData& record) {
    const bool startsRecord = line.chars.size() > kTypeOffset && line.chars[0] == kRecordStart;
    const char type = startsRecord ? line.chars[kTypeOffset] : kNoType;
    ClearRecord(record, type);
    const std::size_t addressBytes = AddressBytes(type);
    if (!startsRecord || !line.count)
        return Decoded::kMalformed;
    const std::size_t count = *line.count;
    if (count < addressBytes + 1 || line.chars.size() < RecordChars(*line.count))
        return Decoded::kMalformed;

    std::uint32_t address = 0;
    for (std::size_t i = 0; i < addressBytes; ++i) {
        const auto byte = HexByte(line.chars, kAddressOffset + 2 * i);
        if (!byte)
            return Decoded::kMalformed;
        address = address << 8 | *byte;
    }
    const std::size_t dataLength = count - addressBytes - 1;
    const std::size_t dataOffset = kAddressOffset + 2 * addressBytes;
    for (std::size_t i = 0; i < dataLength; ++i) {
        const auto byte = HexByte(line.chars, dataOffset + 2 * i);
        if (!byte)
            return Decoded::kMalformed;
        record.data[i] = *byte;
    }
    const auto checksum = HexByte(line.chars, dataOffset + 2 * dataLength);
    if (!checksum)
        return Decoded::kMalformed;
    record.length = static_cast<std::uint32_t>(dataLength);
    record.address = address;
    return *checksum == Checksum(record, type - '0') ? Decoded::kGood : Decoded::kBadChecksum;
}

bool SRecord::IsDataRecord(char type) {
    return type == '1' || type == '2' || type == '3';
}

std::uint32_t SRecord::CountRecords() {
    Rewind();
    std::uint32_t count = 0;
    while (NextRecordLine())
        ++count;
    Rewind();
    return count;
}

std::uint32_t SRecord::FirstRecordDataLength() {
    const std::optional<RecordLine> line = NextRecordLine();
    Rewind();
    if (!line || !line->count || line->chars.size() <= kTypeOffset)
        return 0;
    const std::size_t overhead = AddressBytes(line->chars[kTypeOffset]) + 1;
    return *line->count > overhead ? static_cast<std::uint32_t>(*line->count - overhead) : 0;
}

bool SRecord::CheckFirstRecord() {
    if (Size() == 0)
        return false;
    const std::optional<RecordLine> line = NextRecordLine();
    Rewind();
    SRecordData record;
    return line && Decode(*line, record) == Decoded::kGood && IsDataRecord(record.type);
}

bool SRecord::ReadNextRecord(SRecordData& record) {
    const std::optional<RecordLine> line = NextRecordLine();
    if (!line) {
        ClearRecord(record, 0);
        return false;
    }
    const Decoded decoded = Decode(*line, record);
    if (!IsDataRecord(record.type)) {
        ClearRecord(record, record.type);
        return false;
    }
    return decoded == Decoded::kGood;
}

bool SRecord::ReadAllData(std::span<std::uint8_t> image, std::size_t& length) {
    length = 0;
    SRecordData record;
    while (const std::optional<RecordLine> line = NextRecordLine()) {
        const Decoded decoded = Decode(*line, record);
        if (record.type == '0' || record.type == '5' || record.type == '6')
            continue;
        // A wrong checksum most often means a damaged digit or a count that shifts every later byte.
        if (!IsDataRecord(record.type) || decoded != Decoded::kGood)
            return false;
        const std::size_t room = image.size() - length;
        const std::size_t copied = std::min<std::size_t>(record.length, room);
        std::copy_n(record.data.begin(), copied, image.begin() + static_cast<std::ptrdiff_t>(length));
        length += copied;
        if (copied < record.length)
            return false;
    }
    // Stopped at the end record, or ran out of text without one.
    return Position() < Size();
}

std::uint8_t SRecord::Checksum(const SRecordData& record, int type) {
    const std::size_t addressBytes = AddressBytes(static_cast<char>('0' + type));
    const std::size_t dataLength = std::min<std::size_t>(record.length, record.data.size());
    unsigned sum = static_cast<unsigned>(dataLength + addressBytes + 1);
    for (std::size_t i = 0; i < addressBytes; ++i)
        sum += (record.address >> (8 * i)) & 0xFF;
    for (std::size_t i = 0; i < dataLength; ++i)
        sum += record.data[i];
    return static_cast<std::uint8_t>(~sum);
}
