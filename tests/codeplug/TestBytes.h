#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Bytes that differ from each other, so a shifted copy shows.
inline std::vector<std::uint8_t> Ascending(std::uint8_t first, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// An address as the log lines write it: upper-case hex without leading zeros.
inline std::string LoggedAddress(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", address);
    return text;
}

// A 16-bit big-endian word, as codeplugs hold them.
inline void PutWord(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}
