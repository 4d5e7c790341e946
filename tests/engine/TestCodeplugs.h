#pragma once

#include <cstdint>
#include <numeric>
#include <set>
#include <vector>

#include "ProgrammerTest.h"
#include "WrenImageBuilder.h"

// Small codeplugs of the KDS and Wren layouts for the programmer tests, laid out so that every byte of
// a radio's image (seed) differs from the kit's (another seed).
using Bytes = std::vector<std::uint8_t>;

namespace KdsTestCodeplug {

inline void PutWord(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

constexpr std::uint32_t kImageBytes = 1024;
// The internal part ends at s = c + k * m + 5, c = a + (word at a) + 8: a = 0x100, word 0x10, k = 3,
// m = 4: c = 0x118, s = 0x129.
constexpr std::uint32_t kInternalEnd = 0x129;
constexpr std::uint32_t kTuningBlock = 0x20;  // flags 0x40, E 100, Q 1: the entry, then its checksum
constexpr std::uint32_t kTuningEntry = kTuningBlock + 3;
constexpr std::uint32_t kTuningBytes = 100;
constexpr std::uint32_t kOldPlace = 523;
constexpr std::uint32_t kNewPlace = 651;
constexpr std::uint32_t kNewPlaceChecksum = kNewPlace + 71;

// A KDS codeplug whose bytes all start from `seed`, so the radio's and the kit's differ everywhere;
// its tuning entry has `tuningBytes` bytes.
inline Bytes KdsImage(std::uint8_t seed, std::uint32_t tuningBytes = kTuningBytes) {
    Bytes image(kImageBytes);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(seed + i * 13);
    std::fill(image.begin(), image.begin() + kTuningBlock, 0);
    std::fill(image.begin() + 0x100, image.begin() + kInternalEnd, 0);
    PutWord(image, 0, 0x100);
    PutWord(image, 0x100, 0x10);
    PutWord(image, 0x119, 3);
    image[0x11B] = 4;
    PutWord(image, 11, kTuningBlock);
    image[kTuningBlock] = 0x40;
    image[kTuningBlock + 1] = static_cast<std::uint8_t>(tuningBytes);
    image[kTuningBlock + 2] = 1;
    const auto sum = std::accumulate(image.begin() + kTuningEntry, image.begin() + kTuningEntry + tuningBytes, 0u);
    image[kTuningEntry + tuningBytes] = static_cast<std::uint8_t>(-sum);
    return image;
}

// The tuning entry, and block 0x8B's fields where a variant code that did not move them keeps them.
inline std::vector<ProgrammerTest::Span> Kept(int mode) {
    if (mode == 2)
        return {};
    return {{kTuningEntry, kTuningBytes}, {kNewPlace + 4, 10}, {kNewPlace + 64, 5}, {kNewPlace + 59, 1}};
}
inline std::set<std::uint32_t> Checksums() { return {kTuningEntry + kTuningBytes, kNewPlaceChecksum}; }
inline CodeplugRegion Region(int mode) { return {mode == 2 ? kInternalEnd : 0, mode == 1 ? kInternalEnd : kImageBytes}; }

}  // namespace KdsTestCodeplug

namespace WrenTestCodeplug {

constexpr std::uint32_t kImageBytes = 0x500;
constexpr std::uint32_t kBoundary = 0x300;   // block 48, the region-3 start
constexpr std::uint32_t kRegionEnd = 0x401;  // the codeplug end (0x300 + L2 0x100) + 1
constexpr std::uint32_t kBlock16 = 0x080;    // [size, type] 100 bytes [checksum]
constexpr std::uint32_t kBlock16Bytes = 103;
constexpr std::uint32_t kBlock20 = 0x100;  // group A: [size high, size low, type] 470 bytes [checksum x2]
constexpr std::uint32_t kBlock20Checksum = kBlock20 + 3 + 470;
constexpr std::uint32_t kBlock48Checksum = kBoundary + 2 + 60;

inline Bytes Payload(std::uint8_t seed, std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// A Wren codeplug with the tuning blocks 16 (of `block16Payload` bytes between its header and its
// checksum, at most 125) and 20 in the internal region and the serial number in block 48; everything the
// radio and the kit hold differently comes from `seed`.
inline Bytes WrenImage(std::uint8_t seed, std::size_t block16Payload = kBlock16Bytes - 3) {
    Bytes root = Payload(seed, 60);
    for (const std::size_t pointer : {44 - 2, 52 - 2})  // no blocks 54 and 51
        root[pointer] = root[pointer + 1] = 0;
    WrenImageBuilder image(kImageBytes);
    image.Word(2, 0x0130).Word(38, 0x0100).Word(46, kBlock16).Word(60, kBlock20);
    image.Block(16, kBlock16, Payload(seed + 1, block16Payload))
        .Block(20, kBlock20, Payload(seed + 2, 470))
        .Block(48, kBoundary, root);
    return image.Image();
}

inline std::vector<ProgrammerTest::Span> Kept(int mode) {
    const std::vector<ProgrammerTest::Span> tuning = {
        {kBlock16, kBlock16Bytes}, {kBlock20 + 7, 97}, {kBlock20 + 457, 1}, {kBlock20 + 459, 1}};
    const ProgrammerTest::Span serial = {kBoundary + 4, 10};
    switch (mode) {
        case 1:
            return tuning;
        case 2:
            return {serial};
        default:
            return {tuning[0], tuning[1], tuning[2], tuning[3], serial};
    }
}
inline std::set<std::uint32_t> Checksums() {
    return {kBlock20Checksum, kBlock20Checksum + 1, kBlock48Checksum};
}
inline CodeplugRegion Region(int mode) { return {mode == 2 ? kBoundary : 0, mode == 1 ? kBoundary : kRegionEnd}; }

}  // namespace WrenTestCodeplug
