#pragma once

#include <cstdint>
#include <optional>
#include <span>

// Where the Wren layout keeps each block's address: a 16-bit big-endian word at a fixed codeplug
// address, or at an offset into another block. Block 48 itself always lies at 0x300.
namespace WrenPointerTable {

inline constexpr std::uint16_t kRootBlock = 48;
inline constexpr std::uint32_t kRootAddress = 0x300;
inline constexpr std::uint16_t kFixedLocation = 0xFFFF;  // `base` of a pointer at a fixed address

struct Pointer {
    std::uint16_t id;
    std::uint16_t base;    // the block the offset is into, or kFixedLocation
    std::uint16_t offset;  // from the base block's address, or the fixed address itself
};

// The pointer to block `id`; none for ids the layout does not know (block 48 included).
std::optional<Pointer> Find(std::uint16_t id);
// Every pointer, for tools that list the layout's blocks.
std::span<const Pointer> All();

}  // namespace WrenPointerTable
