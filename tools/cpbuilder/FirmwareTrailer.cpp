#include "FirmwareTrailer.h"

#include <stdexcept>

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;

std::uint32_t ReadBigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = (value << 8) | byte;
    return value;
}

}  // namespace

std::uint32_t FirmwareTrailer::Crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) != 0 ? kPolynomial : 0);
    }
    return ~crc;
}

void FirmwareTrailer::Seal(std::span<std::uint8_t> image) {
    if (image.size() <= kBytes)
        throw std::invalid_argument("a firmware image is longer than its check value");
    const std::size_t body = image.size() - kBytes;
    const std::uint32_t crc = Crc32(image.first(body));
    for (std::size_t i = 0; i < kBytes; ++i)
        image[body + i] = static_cast<std::uint8_t>(crc >> (8 * (kBytes - 1 - i)));
}

bool FirmwareTrailer::Holds(std::span<const std::uint8_t> image) {
    if (image.size() <= kBytes)
        return false;
    const std::size_t body = image.size() - kBytes;
    return Crc32(image.first(body)) == ReadBigEndian(image.subspan(body));
}
