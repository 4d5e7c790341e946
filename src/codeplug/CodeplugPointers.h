#pragma once

#include <cstdint>

// The codeplug's region boundaries and block-vector location, as InitRdkPtrs derives them and GetRdkPtrs
// hands them out, in the order users know them. Addresses are codeplug addresses.
//
// Standard layout: region 1 is [0, A0) with its checksum byte at A0 - 1, region 2 is [A0, A1) with its
// checksum byte at A1 - 1, region 3 runs L2 bytes from A1 and, when region3Checksum is set, ends with
// its own checksum byte at A1 + L2. The variants fill the same fields their own way.
struct CodeplugPointers {
    std::uint32_t codeplugEnd = 0;
    std::uint32_t vectorTable = 0;  // address of block 0's vector entry (V + 2)
    std::uint32_t blockCount = 0;
    std::uint16_t headerWordA1Plus4 = 0;
    std::uint16_t headerWord9 = 0;
    std::uint32_t region3Start = 0;    // A1
    std::uint32_t region2Start = 0;    // A0
    std::uint32_t region3Length = 0;   // L2
    std::uint32_t region2Length = 0;   // L1
    std::uint32_t boundary = 0;        // A0 again: where codeplug programming splits the codeplug
    std::uint8_t region3Checksum = 0;  // 1 when region 3 ends with its own checksum byte

    bool operator==(const CodeplugPointers&) const = default;
};
