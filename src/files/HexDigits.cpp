#include "files/HexDigits.h"

namespace HexDigits {

std::optional<std::uint8_t> Strict(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

std::uint8_t Lenient(char c) {
    return Strict(c).value_or(0);
}

std::vector<std::uint8_t> LenientPairs(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const std::uint8_t low = i + 1 < text.size() ? Lenient(text[i + 1]) : 0;
        bytes.push_back(static_cast<std::uint8_t>(Lenient(text[i]) << 4 | low));
    }
    return bytes;
}

bool IsUpperHex(std::string_view text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> StrictPairs(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const std::optional<std::uint8_t> high = Strict(text[i]);
        const std::optional<std::uint8_t> low = Strict(text[i + 1]);
        if (!high || !low)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
    }
    return bytes;
}

}  // namespace HexDigits
