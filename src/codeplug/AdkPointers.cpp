#include "codeplug/AdkPointers.h"

#include <array>

#include "errors/CGenError.h"

namespace {

constexpr std::uint32_t kRegion2StartAddress = 0;
constexpr std::uint32_t kHeaderWord9Address = 9;
constexpr std::size_t kHeaderBytes = 11;        // A0 to header word 9
constexpr std::size_t kRegion3HeaderBytes = 8;  // flags, -, L2, word A1+4, V
constexpr std::size_t kRegion3LengthOffset = 2;
constexpr std::size_t kWordA1Plus4Offset = 4;
constexpr std::size_t kVectorOffset = 6;
constexpr std::uint8_t kRegion3ChecksumFlag = 0x04;

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

std::uint16_t ReadWord(CodeplugMemory& memory, std::uint64_t address) {
    std::array<std::uint8_t, 2> bytes{};
    memory.Fetch(address, bytes);
    return Word(bytes, 0);
}

}  // namespace

CodeplugPointers ReadAdkPointers(CodeplugMemory& memory) {
    const bool fromImage = memory.GetSource() == CodeplugMemory::Source::kImage;
    const auto checkInImage = [&](std::uint64_t end) {
        if (fromImage && end > memory.Image().Length())
            throw CGenError(3, "%s", CodeplugImage::kOutOfImage);
    };

    std::array<std::uint8_t, kHeaderBytes> header{};
    memory.Fetch(kRegion2StartAddress, header);
    CodeplugPointers pointers;
    pointers.region2Start = Word(header, kRegion2StartAddress);
    pointers.headerWord9 = Word(header, kHeaderWord9Address);
    checkInImage(pointers.region2Start);

    pointers.region2Length = ReadWord(memory, pointers.region2Start);
    pointers.region3Start = pointers.region2Start + pointers.region2Length;
    checkInImage(pointers.region3Start);

    std::array<std::uint8_t, kRegion3HeaderBytes> region3{};
    memory.Fetch(pointers.region3Start, region3);
    pointers.region3Checksum = (region3[0] & kRegion3ChecksumFlag) != 0 ? 1 : 0;
    pointers.region3Length = Word(region3, kRegion3LengthOffset);
    pointers.headerWordA1Plus4 = Word(region3, kWordA1Plus4Offset);
    const std::uint32_t vector = Word(region3, kVectorOffset);
    pointers.codeplugEnd = pointers.region3Start + pointers.region3Length;
    // Programming the whole codeplug writes the byte at the end too, with or without region 3's
    // checksum byte there.
    checkInImage(std::uint64_t{pointers.codeplugEnd} + 1);
    if (!fromImage && pointers.region3Checksum != 0)
        ++pointers.codeplugEnd;

    pointers.blockCount = ReadWord(memory, vector);
    pointers.vectorTable = vector + 2;
    pointers.boundary = pointers.region2Start;
    return pointers;
}
