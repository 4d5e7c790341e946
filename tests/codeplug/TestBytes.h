#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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
