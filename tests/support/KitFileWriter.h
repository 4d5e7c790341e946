#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/BlowfishCipher.h"

// Enciphers `plain` as a kit author would, for tests that need an enciphered kit file: zero bytes up
// to a multiple of 8, then the cipher.
inline std::string EncipherForKit(std::string plain, std::string_view key) {
    plain.resize((plain.size() + 7) / 8 * 8, '\0');
    BlowfishCipher(key).EncryptBuffer(std::span(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size()));
    return plain;
}
