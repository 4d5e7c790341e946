#include "BuiltCodeplug.h"

#include <numeric>
#include <stdexcept>

const BuiltCodeplug::Block* BuiltCodeplug::Find(std::uint16_t id) const {
    for (const Block& block : blocks) {
        if (block.id == id)
            return &block;
    }
    return nullptr;
}

std::uint32_t BuiltCodeplug::EntryAddress(std::uint16_t id, std::uint32_t list, std::uint32_t entry) const {
    const Block* block = Find(id);
    if (block == nullptr)
        throw std::out_of_range("the codeplug has no such block");
    return block->entryAddresses.at(list).at(entry);
}

std::vector<std::uint8_t> BuiltCodeplug::AreaSums(std::span<const std::uint8_t> image) const {
    std::vector<std::uint8_t> sums;
    for (const ChecksumArea& area : areas) {
        const std::span<const std::uint8_t> bytes = image.subspan(area.start, area.end - area.start);
        sums.push_back(static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u)));
    }
    return sums;
}
