#include "SRecordWriter.h"

#include <algorithm>
#include <stdexcept>

#include "files/SRecord.h"

namespace {

constexpr std::string_view kEndRecord = "S9030000FC";

void AppendHex(std::string& text, std::uint32_t value, int bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = bytes - 1; i >= 0; --i) {
        const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
}

}  // namespace

std::string WriteSRecords(std::span<const std::uint8_t> image, const SRecordLayout& layout) {
    if (layout.type < 1 || layout.type > 3)
        throw std::invalid_argument("record size or type out of range");
    const int addressBytes = layout.type + 1;
    constexpr unsigned kMaxRecordBytes[] = {SRecordLayout::kMaxS1RecordBytes, SRecordLayout::kMaxS2RecordBytes,
                                            SRecordLayout::kMaxS3RecordBytes};
    const unsigned maxRecordBytes = kMaxRecordBytes[layout.type - 1];
    if (layout.recordBytes == 0 || layout.recordBytes > maxRecordBytes) {
        throw std::invalid_argument("record size or type out of range");
    }
    const std::uint64_t window = layout.windowFrom && *layout.windowFrom < image.size() ? layout.windowBase : 0;
    const std::uint64_t end = std::uint64_t{layout.address} + image.size() + window;
    if (end > (std::uint64_t{1} << (8 * addressBytes))) {
        throw std::invalid_argument("the image does not fit the record type's addresses");
    }

    std::string text;
    for (std::size_t offset = 0; offset < image.size(); offset += layout.recordBytes) {
        SRecordData record;
        record.length =
            static_cast<std::uint32_t>(std::min<std::size_t>(layout.recordBytes, image.size() - offset));
        const bool inWindow = layout.windowFrom && offset >= *layout.windowFrom;
        record.address = static_cast<std::uint32_t>(layout.address + offset + (inWindow ? layout.windowBase : 0));
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), record.length, record.data.begin());
        text += 'S';
        text += static_cast<char>('0' + layout.type);
        AppendHex(text, record.length + static_cast<std::uint32_t>(addressBytes) + 1, 1);
        AppendHex(text, record.address, addressBytes);
        for (std::uint32_t i = 0; i < record.length; ++i)
            AppendHex(text, record.data[i], 1);
        AppendHex(text, SRecord::Checksum(record, layout.type), 1);
        text += layout.lineEnd;
    }
    text += kEndRecord;
    text += layout.lineEnd;
    return text;
}
