#include "codeplug/CodeplugBlock.h"

namespace {

struct SizedHeader {
    std::uint8_t flags;
    std::uint32_t size;
    std::uint32_t quantity;
};

// flags, a size of 1 or 2 bytes (by the flags' own bit 0), a quantity byte.
std::optional<SizedHeader> ReadSizedHeader(std::span<const std::uint8_t> bytes, std::uint32_t offset) {
    if (offset >= bytes.size())
        return std::nullopt;
    const std::uint8_t flags = bytes[offset];
    const bool wide = (flags & CodeplugBlock::kWideSize) != 0;
    const std::uint32_t length = wide ? CodeplugBlock::kWideHeaderBytes : CodeplugBlock::kNarrowHeaderBytes;
    if (bytes.size() - offset < length)
        return std::nullopt;
    const std::uint32_t size = wide ? (bytes[offset + 1] << 8 | bytes[offset + 2]) : bytes[offset + 1];
    return SizedHeader{flags, size, bytes[offset + length - 1]};
}

std::uint64_t Ceil8(std::uint64_t bits) {
    return (bits + 7) / 8;
}

}  // namespace

std::uint32_t CodeplugBlock::EntryHeaderOffset(std::uint8_t listFlags) {
    return (listFlags & kWideSize) != 0 ? kWideHeaderBytes : kNarrowHeaderBytes;
}

bool CodeplugBlock::ParseHeader(std::span<const std::uint8_t> bytes) {
    const std::optional<SizedHeader> first = ReadSizedHeader(bytes, 0);
    if (!first)
        return false;
    bitPacked = (first->flags & kBitPacked) != 0;
    blockChecksum = (first->flags & kBlockChecksum) != 0;
    listBlock = (first->flags & kListBlock) != 0;
    listChecksums = listBlock && (first->flags & kItemChecksums) != 0;
    listSize = listBlock ? first->size : 0;
    listQuantity = listBlock ? first->quantity : 0;

    const std::optional<SizedHeader> entries =
        listBlock ? ReadSizedHeader(bytes, EntryHeaderOffset(first->flags)) : first;
    if (!entries)
        return false;
    wideEntryHeader = (entries->flags & kWideSize) != 0;
    entryChecksums = (entries->flags & kItemChecksums) != 0;
    entrySize = entries->size;
    entryQuantity = entries->quantity;
    firstQuantity = entries->quantity;
    return true;
}

std::uint32_t CodeplugBlock::DataOffset() const {
    if (listBlock)
        return kListDataOffset;
    return wideEntryHeader ? kWideHeaderBytes : kNarrowHeaderBytes;
}

std::uint64_t CodeplugBlock::EntryOffset(std::uint64_t entry) const {
    return bitPacked ? Ceil8(entry * entrySize) : entry * EntryStride();
}

std::uint64_t CodeplugBlock::EntryBytes(std::uint64_t quantity) const {
    return bitPacked ? Ceil8(quantity * entrySize) : quantity * EntryStride();
}

std::uint64_t CodeplugBlock::ListBytes(std::uint64_t quantity) const {
    const std::uint64_t data = bitPacked ? Ceil8(quantity * entrySize) : quantity * entrySize;
    return (entryChecksums ? quantity : 0) + data + (listChecksums ? 1 : 0);
}

std::uint64_t CodeplugBlock::FixedListOffset(std::uint64_t list) const {
    return list * (listChecksums ? std::uint64_t{listSize} + 1 : listSize);
}

std::uint64_t CodeplugBlock::FixedBlockSize() const {
    if (!listBlock)
        return DataOffset() + EntryBytes(firstQuantity) + ChecksumByte();
    return std::uint64_t{listQuantity} * listSize + kListDataOffset + (entryChecksums ? firstQuantity : 0) +
           (listChecksums ? listQuantity : 0) + ChecksumByte();
}
