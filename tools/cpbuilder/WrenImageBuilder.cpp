#include "WrenImageBuilder.h"

#include <algorithm>
#include <span>
#include <stdexcept>

namespace {

bool In(std::span<const std::uint16_t> group, std::uint16_t id) {
    return std::find(group.begin(), group.end(), id) != group.end();
}

}  // namespace

WrenImageBuilder& WrenImageBuilder::Word(std::uint32_t address, std::uint16_t value) {
    return Put(address, {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

WrenImageBuilder& WrenImageBuilder::Put(std::uint32_t address, const Bytes& bytes) {
    if (address + bytes.size() > bytes_.size())
        throw std::invalid_argument("the bytes do not fit the image");
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + address);
    return *this;
}

WrenImageBuilder& WrenImageBuilder::Block(std::uint16_t id, std::uint32_t address, const Bytes& payload) {
    return Put(address, Encode(id, payload));
}

Bytes WrenImageBuilder::Encode(std::uint16_t id, const Bytes& payload) {
    const auto type = static_cast<std::uint8_t>(id);
    Bytes block;
    std::uint32_t sum = 0;
    if (In(kGroupA, id)) {
        const std::size_t size = payload.size() + 1;
        if (size > 0xFFFF)
            throw std::invalid_argument("the payload does not fit the size field");
        block.assign(3 + payload.size() + 2, 0);
        block[0] = static_cast<std::uint8_t>(size >> 8);
        block[1] = static_cast<std::uint8_t>(size);
        block[2] = type;
        std::copy(payload.begin(), payload.end(), block.begin() + 3);
        for (std::size_t i = 0; i + 2 < block.size(); ++i)
            sum += block[i];
        sum += 0xAAAB;
        block[block.size() - 2] = static_cast<std::uint8_t>(sum >> 8);
        block[block.size() - 1] = static_cast<std::uint8_t>(sum);
        return block;
    }
    const bool groupB = In(kGroupB, id);
    const std::size_t size = groupB ? payload.size() : payload.size() + 1;
    if (size > 0xFF)
        throw std::invalid_argument("the payload does not fit the size field");
    // Group B's two bytes after the type are not summed; they stay 0 here.
    const std::size_t header = groupB ? 4 : 2;
    block.assign(header + payload.size(), 0);
    block[0] = static_cast<std::uint8_t>(size);
    block[1] = type;
    std::copy(payload.begin(), payload.end(), block.begin() + static_cast<std::ptrdiff_t>(header));
    // Group B sums its type byte and its payload; the others every byte.
    sum = groupB ? type : 0;
    for (std::size_t i = groupB ? header : 0; i < block.size(); ++i)
        sum += block[i];
    block.push_back(static_cast<std::uint8_t>(sum + 0xAB));
    return block;
}
