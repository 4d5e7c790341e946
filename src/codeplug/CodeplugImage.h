#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class SRecord;

// A codeplug held in memory as the concatenated data of its S-record text: image offset = codeplug
// address. The buffer is sized from the text's first record and zero-filled past the data; reads and
// writes are bounded by the data length and raise CGenError 3 "Access out of codeplug" beyond it.
class CodeplugImage {
public:
    static constexpr std::size_t kSizeGranule = 16;
    static constexpr std::size_t kStandardCapacities[] = {4096, 8192, 16384, 32768};
    static constexpr std::size_t kChunkBytes = 32;

    // The buffer for `records` records of `firstRecordBytes` data bytes: rounded up to kSizeGranule,
    // then to the smallest standard capacity that holds it (a larger size stays as it is).
    static std::size_t CapacityFor(std::uint32_t records, std::uint32_t firstRecordBytes);

    // Replaces the image by a zero-filled buffer of `capacity` bytes holding no data yet. Throws
    // std::bad_alloc when there is no memory for it (the image is then empty).
    void Allocate(std::size_t capacity);
    // Reads the reader's data from its position into the buffer; false when the data do not fit or the
    // text cannot be read (the data read so far stay).
    bool ReadAll(SRecord& reader);
    // Replaces the image by `data` in a buffer of `capacity` bytes (at least the data's size).
    void Assign(std::span<const std::uint8_t> data, std::size_t capacity);
    void Free();

    std::size_t Capacity() const { return bytes_.size(); }
    std::size_t Length() const { return length_; }
    std::span<const std::uint8_t> Data() const { return std::span(bytes_).first(length_); }
    std::size_t ChunkCount() const { return (Capacity() + kChunkBytes - 1) / kChunkBytes; }
    bool Holds(std::uint64_t address, std::uint64_t count) const;

    void Read(std::uint64_t address, std::span<std::uint8_t> destination) const;
    void Write(std::uint64_t address, std::span<const std::uint8_t> source);

    static constexpr const char* kOutOfImage = "Access out of codeplug";

private:
    void CheckHolds(std::uint64_t address, std::uint64_t count) const;

    std::vector<std::uint8_t> bytes_;
    std::size_t length_ = 0;
};
