#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The Wren layout's block header and checksum rules, which differ by block group.
//
//   group A: [size high, size low, type], block = size + 4, checksum = 16-bit sum of bytes 0 .. n-3
//            plus 0xAAAB, big-endian in the last two bytes;
//   group B: [size, type], block = size + 5, checksum = byte 1 plus bytes 4 .. n-2 plus 0xAB;
//   others:  [size, type], block = size + 2, checksum = bytes 0 .. n-2 plus 0xAB.
namespace WrenBlockRules {

enum class Group { kA, kB, kOther };

inline constexpr std::size_t kMaxHeaderBytes = 3;
inline constexpr std::uint16_t kGroupAChecksumBias = 0xAAAB;
inline constexpr std::uint8_t kChecksumBias = 0xAB;

Group GroupOf(std::uint16_t id);
// Bytes that hold the size and the type.
std::size_t HeaderBytes(Group group);
// The block's length from its header bytes.
std::size_t BlockSize(Group group, std::span<const std::uint8_t> header);
std::uint8_t TypeByte(Group group, std::span<const std::uint8_t> header);
// Recomputes the checksum at the block's end; a block too short to hold one is left as it is.
void StoreChecksum(Group group, std::span<std::uint8_t> block);

}  // namespace WrenBlockRules
