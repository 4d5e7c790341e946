#include "codeplug/CodeplugImage.h"

#include <algorithm>

#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/SRecord.h"

std::size_t CodeplugImage::CapacityFor(std::uint32_t records, std::uint32_t firstRecordBytes) {
    const std::size_t estimate = std::size_t{records} * firstRecordBytes;
    const std::size_t rounded = (estimate + kSizeGranule - 1) / kSizeGranule * kSizeGranule;
    for (const std::size_t capacity : kStandardCapacities) {
        if (rounded <= capacity)
            return capacity;
    }
    return rounded;
}

void CodeplugImage::Allocate(std::size_t capacity) {
    Free();
    bytes_.assign(capacity, 0);
}

bool CodeplugImage::ReadAll(SRecord& reader) {
    return reader.ReadAllData(bytes_, length_);
}

void CodeplugImage::Assign(std::span<const std::uint8_t> data, std::size_t capacity) {
    Allocate(std::max(capacity, data.size()));
    std::copy(data.begin(), data.end(), bytes_.begin());
    length_ = data.size();
}

void CodeplugImage::Free() {
    bytes_ = {};
    length_ = 0;
}

bool CodeplugImage::Holds(std::uint64_t address, std::uint64_t count) const {
    return address <= length_ && count <= length_ - address;
}

void CodeplugImage::CheckHolds(std::uint64_t address, std::uint64_t count) const {
    if (Holds(address, count))
        return;
    ErrorLog().Log("CCodeplug: %u bytes at address %X lie beyond the codeplug's %u bytes",
                   static_cast<unsigned>(count), static_cast<unsigned>(address),
                   static_cast<unsigned>(length_));
    throw CGenError(3, kOutOfImage);
}

void CodeplugImage::Read(std::uint64_t address, std::span<std::uint8_t> destination) const {
    CheckHolds(address, destination.size());
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(address), destination.size(),
                destination.begin());
}

void CodeplugImage::Write(std::uint64_t address, std::span<const std::uint8_t> source) {
    CheckHolds(address, source.size());
    std::copy(source.begin(), source.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(address));
}
