#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Writes a byte image as S-record text: S1 (16-bit), S2 (24-bit) or S3 (32-bit) data records of up to
// `recordBytes` bytes from `address` on, then the end record "S9030000FC".
struct SRecordLayout {
    static constexpr unsigned kMaxS1RecordBytes = 252;
    static constexpr unsigned kMaxS2RecordBytes = 251;
    static constexpr unsigned kMaxS3RecordBytes = 250;

    std::uint32_t address = 0;
    unsigned recordBytes = 32;
    int type = 1;  // 1, 2 or 3
    std::string_view lineEnd = "\r\n";
    // Records from this offset of the image on carry absolute addresses in a window at windowBase
    // (a flash window), those before it addresses relative to the image's start.
    std::optional<std::uint32_t> windowFrom = std::nullopt;
    std::uint32_t windowBase = 0x400000;
};

// Throws std::invalid_argument when the image does not fit the layout's address width or the record
// size is 0 or over the type's limit.
std::string WriteSRecords(std::span<const std::uint8_t> image, const SRecordLayout& layout);
