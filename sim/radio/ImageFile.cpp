#include "radio/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <numeric>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

struct Record {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
};

constexpr std::size_t kCountBytes = 1;
constexpr std::size_t kChecksumBytes = 1;

// Address bytes of the data records S1, S2, S3; other types carry no data for the image.
std::optional<std::size_t> DataAddressBytes(char type) {
    switch (type) {
        case '1':
            return 2;
        case '2':
            return 3;
        case '3':
            return 4;
        default:
            return std::nullopt;
    }
}

bool IsSRecordText(std::string_view content) {
    const std::size_t first = content.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && first + 1 < content.size() && content[first] == 'S' &&
           std::isdigit(static_cast<unsigned char>(content[first + 1]));
}

std::vector<std::uint8_t> HexBytes(std::string_view hex) {
    if (hex.size() % 2 != 0)
        throw std::invalid_argument("an odd number of hex digits");
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < hex.size(); at += 2) {
        const std::string pair(hex.substr(at, 2));
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
            throw std::invalid_argument("not hex: " + pair);
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

// Nothing for the records without data (header, counts, end).
std::optional<Record> ParseRecord(std::string_view line) {
    if (line.size() < 2 || line[0] != 'S')
        throw std::invalid_argument("not an S-record");
    const std::vector<std::uint8_t> bytes = HexBytes(line.substr(2));
    if (bytes.empty() || bytes[0] != bytes.size() - kCountBytes)
        throw std::invalid_argument("the count is wrong");
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end() - kChecksumBytes, 0u);
    if (static_cast<std::uint8_t>(~sum) != bytes.back())
        throw std::invalid_argument("the checksum is wrong");
    const std::optional<std::size_t> addressBytes = DataAddressBytes(line[1]);
    if (!addressBytes)
        return std::nullopt;
    if (bytes.size() < kCountBytes + *addressBytes + kChecksumBytes)
        throw std::invalid_argument("too short");
    Record record;
    for (std::size_t at = 0; at < *addressBytes; ++at)
        record.address = (record.address << 8) | bytes[kCountBytes + at];
    record.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(kCountBytes + *addressBytes),
                       bytes.end() - kChecksumBytes);
    return record;
}

std::vector<std::uint8_t> Place(const std::vector<Record>& records, ImageFile::Placement placement) {
    std::vector<std::uint8_t> image;
    for (const Record& record : records) {
        if (placement == ImageFile::Placement::InFileOrder) {
            image.insert(image.end(), record.data.begin(), record.data.end());
            continue;
        }
        const std::uint64_t end = std::uint64_t{record.address} + record.data.size();
        if (end > ImageFile::kMaxImageBytes)
            throw std::invalid_argument("a record lies beyond 16 MiB");
        if (image.size() < end)
            image.resize(end, ImageFile::kGapByte);
        std::copy(record.data.begin(), record.data.end(), image.begin() + record.address);
    }
    return image;
}

}  // namespace

std::vector<std::uint8_t> ImageFile::Read(const std::filesystem::path& path, Placement placement) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return FromText(content, placement, path.string());
}

std::vector<std::uint8_t> ImageFile::FromText(std::string_view content, Placement placement,
                                              const std::string& name) {
    if (!IsSRecordText(content))
        return {content.begin(), content.end()};
    std::vector<Record> records;
    std::istringstream lines{std::string(content)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty())
            continue;
        try {
            if (std::optional<Record> record = ParseRecord(line))
                records.push_back(std::move(*record));
        } catch (const std::invalid_argument& error) {
            throw std::runtime_error(name + ":" + std::to_string(number) + ": " + error.what());
        }
    }
    try {
        return Place(records, placement);
    } catch (const std::invalid_argument& error) {
        throw std::runtime_error(name + ": " + error.what());
    }
}
