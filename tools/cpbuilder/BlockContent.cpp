#include "BlockContent.h"

#include <stdexcept>

namespace {

BlockContent::List Concatenated(const std::vector<Bytes>& entries, std::uint32_t entrySize) {
    BlockContent::List list{static_cast<std::uint32_t>(entries.size()), {}};
    for (const Bytes& entry : entries) {
        if (entry.size() != entrySize)
            throw std::invalid_argument("every entry of a block has the block's entry size");
        list.data.insert(list.data.end(), entry.begin(), entry.end());
    }
    return list;
}

BlockContent WithLists(BlockContent::Kind kind, std::uint32_t entrySize,
                       const std::vector<std::vector<Bytes>>& lists) {
    BlockContent content;
    content.kind = kind;
    content.entrySize = entrySize;
    for (const std::vector<Bytes>& entries : lists)
        content.lists.push_back(Concatenated(entries, entrySize));
    return content;
}

}  // namespace

BlockContent BlockContent::Simple(std::uint32_t entrySize, const std::vector<Bytes>& entries) {
    return WithLists(Kind::kSimple, entrySize, {entries});
}

BlockContent BlockContent::FixedLists(std::uint32_t entrySize, const std::vector<std::vector<Bytes>>& lists) {
    for (const std::vector<Bytes>& list : lists) {
        if (list.size() != lists.front().size())
            throw std::invalid_argument("fixed-size lists hold the same number of entries");
    }
    return WithLists(Kind::kFixedLists, entrySize, lists);
}

BlockContent BlockContent::VariableLists(std::uint32_t entrySize,
                                         const std::vector<std::vector<Bytes>>& lists) {
    return WithLists(Kind::kVariableLists, entrySize, lists);
}

BlockContent BlockContent::Packed(std::uint32_t bits, const std::vector<std::uint32_t>& values) {
    BlockContent content;
    content.entrySize = bits;
    content.bitPacked = true;
    List list{static_cast<std::uint32_t>(values.size()), Bytes((values.size() * bits + 7) / 8, 0)};
    std::size_t bit = 0;
    for (const std::uint32_t value : values) {
        for (std::uint32_t b = bits; b-- > 0; ++bit) {
            if ((value >> b & 1) != 0)
                list.data[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        }
    }
    content.lists.push_back(std::move(list));
    return content;
}
