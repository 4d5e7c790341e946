#include "codeplug/ChecksumLocator.h"

namespace {

constexpr std::uint64_t kNonStandardBlock = 2;

}  // namespace

std::optional<std::uint64_t> ChecksumLocator::Find(std::uint64_t address, std::uint64_t length,
                                                   bool regionRule) {
    if (block_.address == kNonStandardBlock)
        return std::nullopt;
    const bool ownChecksum = block_.entryChecksums || block_.listChecksums || block_.blockChecksum;
    std::optional<Area> area;
    if (ownChecksum)
        area = BlockArea(address);
    else if (regionRule && address >= block_.address + block_.DataOffset())
        area = RegionArea(address);
    const std::uint64_t end = address + length;
    if (!area || address < area->start || end > area->end || area->location == 0 ||
        (area->location >= address && area->location < end)) {
        return std::nullopt;
    }
    return area->location;
}

std::optional<ChecksumLocator::Area> ChecksumLocator::BlockArea(std::uint64_t address) {
    const std::uint64_t b = block_.address;
    const std::uint64_t dataStart = b + block_.DataOffset();
    if (address < dataStart)
        return std::nullopt;
    std::uint64_t listStart = dataStart;
    std::uint64_t listBytes = 0;
    if (block_.listBlock && (block_.entryChecksums || block_.listChecksums)) {
        const std::optional<BlockWalker::ListSpan> list = walker_.ListHolding(address - dataStart);
        if (!list)
            return std::nullopt;
        listStart = dataStart + list->offset;
        listBytes = list->bytes;
        block_.entryQuantity = list->quantity;
    }
    if (block_.entryChecksums) {
        const std::uint64_t stride = block_.EntryStride();
        if (stride == 0)
            return std::nullopt;
        const std::uint64_t entry = (address - listStart) / stride;
        if (entry >= block_.entryQuantity)
            return std::nullopt;
        const std::uint64_t start = listStart + entry * stride;
        return Area{start, start + stride, start + block_.entrySize};
    }
    if (block_.listChecksums)
        return Area{listStart, listStart + listBytes, listStart + listBytes - 1};
    if (block_.blockChecksum)
        return Area{b, b + block_.blockSize, b + block_.blockSize - 1};
    return std::nullopt;
}

std::optional<ChecksumLocator::Area> ChecksumLocator::RegionArea(std::uint64_t address) const {
    const std::uint64_t a0 = pointers_.region2Start;
    const std::uint64_t a1 = pointers_.region3Start;
    const std::uint64_t region3End = a1 + pointers_.region3Length;
    if (address < a0)
        return Area{0, a0, a0 - 1};
    if (address < a1)
        return Area{a0, a1, a1 - 1};
    if (pointers_.region3Checksum != 0 && address < region3End + 1)
        return Area{a1, region3End + 1, region3End};
    return std::nullopt;
}

void ChecksumLocator::Adjust(std::span<const std::uint8_t> oldBytes, std::span<const std::uint8_t> newBytes,
                             std::uint8_t& checksum) {
    for (std::size_t i = 0; i < newBytes.size(); ++i)
        checksum = static_cast<std::uint8_t>(checksum + oldBytes[i] - newBytes[i]);
}
