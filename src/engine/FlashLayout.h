#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Where the radio's flash ROM lies in its address space, and how the engine tells its size.
namespace FlashLayout {

inline constexpr std::uint32_t kStart = 0x400000;
inline constexpr std::size_t kKiB = 1024;

// Firmware records hold addresses relative to the flash start or absolute flash addresses; OR-ing the
// start in maps both into the flash window.
constexpr std::uint32_t FlashAddress(std::uint32_t recordAddress) {
    return recordAddress | kStart;
}

// One row of the size probe: a byte written at `address`, 64 KiB below the end of a flash of `bytes`,
// succeeds only on a flash at least that large; the row names the firmware file for that size.
struct Probe {
    std::uint32_t address;
    std::size_t bytes;
    const char* firmwareFile;
};

// Largest first, so the first write that succeeds tells the size.
inline constexpr std::array<Probe, 3> kProbes = {{
    {0x470000, 512 * kKiB, "fw_512k"},
    {0x430000, 256 * kKiB, "fw_256k"},
    {0x410000, 128 * kKiB, "fw_128k"},
}};
inline constexpr int kTriesPerProbe = 3;
// A byte programs once per erase, and a try whose answer is lost may have programmed its byte: each try
// writes a byte of its own, a sector further on, all within the last 64 KiB of a flash of that size.
inline constexpr std::uint32_t kProbeTryStride = 0x1000;
inline constexpr std::uint8_t kProbeByte = 0xAA;

}  // namespace FlashLayout
