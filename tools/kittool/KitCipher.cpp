#include "KitCipher.h"

#include <cstdint>
#include <span>

#include "files/BlowfishCipher.h"

namespace KitCipher {
namespace {

std::span<std::uint8_t> Bytes(std::string& text) {
    return {reinterpret_cast<std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::string Encipher(std::string plain, std::string_view key) {
    constexpr std::size_t kBlock = BlowfishCipher::kBlockSize;
    plain.resize((plain.size() + kBlock - 1) / kBlock * kBlock, '\0');
    BlowfishCipher(key).EncryptBuffer(Bytes(plain));
    return plain;
}

bool Decipher(std::string_view cipherText, std::string_view key, std::string& plain) {
    std::string text(cipherText);
    if (!BlowfishCipher(key).DecryptBuffer(Bytes(text)))
        return false;
    plain = std::move(text);
    return true;
}

}  // namespace KitCipher
