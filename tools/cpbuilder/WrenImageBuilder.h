#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "BlockContent.h"

// Lays out a Wren-layout codeplug image: blocks with their size-and-type headers and checksums by
// group, and the pointer words that lead to them, which the caller places (the layout keeps them at
// fixed addresses and inside other blocks):
//
//     WrenImageBuilder image(0x800);
//     image.Block(48, 0x300, serialBlock).Word(0x300 + 44, 0x400).Block(54, 0x400, payload);
//
//   group A (20, 55, 56, 58, 84, 85, 87, 89, 115, 116, 143, 145, 147):
//       [size high, size low, type] payload [checksum high, checksum low], size = payload + 1
//   group B (51, 91, 109, 110, 155, 158, 181):
//       [size, type, 0, 0] payload [checksum], size = payload
//   every other block: [size, type] payload [checksum], size = payload + 1
class WrenImageBuilder {
public:
    // The groups as this builder lays them out, kept apart from the codeplug layer's own table so that
    // tests can hold one against the other.
    static constexpr std::array<std::uint16_t, 13> kGroupA = {20, 55,  56,  58,  84,  85, 87,
                                                              89, 115, 116, 143, 145, 147};
    static constexpr std::array<std::uint16_t, 7> kGroupB = {51, 91, 109, 110, 155, 158, 181};

    explicit WrenImageBuilder(std::size_t size) : bytes_(size, 0) {}

    // A 16-bit big-endian word.
    WrenImageBuilder& Word(std::uint32_t address, std::uint16_t value);
    WrenImageBuilder& Put(std::uint32_t address, const Bytes& bytes);
    // The block `id` at `address`: header, payload, checksum. Throws std::invalid_argument when it does
    // not fit the image or its size field.
    WrenImageBuilder& Block(std::uint16_t id, std::uint32_t address, const Bytes& payload);
    // The whole block as Block lays it out.
    static Bytes Encode(std::uint16_t id, const Bytes& payload);

    const Bytes& Image() const { return bytes_; }

private:
    Bytes bytes_;
};
