#include "codeplug/BlockWalker.h"

bool BlockWalker::Walk(std::uint32_t lists, const std::function<bool(const ListSpan&)>& visit) {
    ListSpan span{0, 0, 0, block_.firstQuantity};
    for (std::uint32_t i = 0; i < lists; ++i) {
        span.index = i;
        if (block_.VariableLists()) {
            if (i > 0) {
                // The quantity byte follows the previous list; the list's entries follow it.
                const std::uint64_t quantityAt = span.offset + span.bytes;
                const std::optional<std::uint8_t> quantity =
                    reader_(CodeplugBlock::kListDataOffset + quantityAt);
                if (!quantity) {
                    failedList_ = i;
                    return false;
                }
                span.quantity = *quantity;
                span.offset = quantityAt + 1;
            }
        } else {
            span.offset = block_.FixedListOffset(i);
        }
        span.bytes = block_.ListBytes(span.quantity);
        if (!visit(span))
            break;
    }
    return true;
}

std::optional<std::uint64_t> BlockWalker::ListOffset(std::uint32_t list) {
    ListSpan found{};
    if (!Walk(list + 1, [&](const ListSpan& span) {
            found = span;
            return span.index < list;
        })) {
        return std::nullopt;
    }
    block_.entryQuantity = found.quantity;
    return found.offset;
}

std::optional<std::uint64_t> BlockWalker::BlockSize() {
    if (!block_.VariableLists())
        return block_.FixedBlockSize();
    // The list data's first byte is list 0's first entry; list 0's quantity sits in the entry header.
    std::uint64_t size = CodeplugBlock::kFirstQuantityOffset;
    if (!Walk(block_.listQuantity, [&](const ListSpan& span) {
            size += 1 + block_.EntryBytes(span.quantity) + (block_.listChecksums ? 1 : 0);
            return true;
        })) {
        return std::nullopt;
    }
    return size + block_.ChecksumByte();
}

std::optional<BlockWalker::ListSpan> BlockWalker::ListHolding(std::uint64_t offset) {
    std::optional<ListSpan> found;
    if (!Walk(block_.listQuantity, [&](const ListSpan& span) {
            if (offset >= span.offset && offset < span.offset + span.bytes)
                found = span;
            return !found && offset >= span.offset;
        })) {
        return std::nullopt;
    }
    return found;
}
