#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The check value that the demo kit's firmware images carry: their last kBytes hold the CRC-32 (the
// reflected 0xEDB88320 polynomial, as zlib and PKZIP compute it) of every byte before them, big-endian.
// The simulated radio starts a flash only when the trailer holds, so a flash that was left erased, half
// written or written with another image stays dead.
struct FirmwareTrailer {
    static constexpr std::size_t kBytes = 4;

    static std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
    // Writes the check value of the bytes before the trailer into the image's last kBytes. Throws
    // std::invalid_argument for an image too short to hold more than the trailer.
    static void Seal(std::span<std::uint8_t> image);
    static bool Holds(std::span<const std::uint8_t> image);
};
