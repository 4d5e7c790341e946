#include "files/BlowfishCipher.h"

#include <utility>

#include "files/BlowfishTables.h"

namespace {

constexpr unsigned kRounds = 16;

std::uint32_t LoadLittleEndian(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void StoreLittleEndian(std::uint32_t word, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
}

template <typename BlockOperation>
bool ForEachBlock(std::span<std::uint8_t> buffer, BlockOperation operation) {
    if (buffer.size() % BlowfishCipher::kBlockSize != 0)
        return false;
    for (std::size_t offset = 0; offset < buffer.size(); offset += BlowfishCipher::kBlockSize) {
        std::uint8_t* block = buffer.data() + offset;
        std::uint32_t left = LoadLittleEndian(block);
        std::uint32_t right = LoadLittleEndian(block + 4);
        operation(left, right);
        StoreLittleEndian(left, block);
        StoreLittleEndian(right, block + 4);
    }
    return true;
}

}  // namespace

BlowfishCipher::BlowfishCipher(std::span<const std::uint8_t> key)
    : subkeys_(kInitialSubkeys), sboxes_(kInitialSboxes) {
    Schedule(key);
}

BlowfishCipher::BlowfishCipher(std::string_view key)
    : BlowfishCipher(std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size())) {}

void BlowfishCipher::Schedule(std::span<const std::uint8_t> key) {
    if (!key.empty()) {
        std::size_t index = 0;
        for (std::uint32_t& subkey : subkeys_) {
            std::uint32_t word = 0;
            for (int i = 0; i < 4; ++i) {
                word = word << 8 | key[index];
                index = (index + 1) % key.size();
            }
            subkey ^= word;
        }
    }
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    for (std::size_t i = 0; i < kSubkeyCount; i += 2) {
        EncryptBlock(left, right);
        subkeys_[i] = left;
        subkeys_[i + 1] = right;
    }
    for (auto& sbox : sboxes_) {
        for (std::size_t i = 0; i < kSboxSize; i += 2) {
            EncryptBlock(left, right);
            sbox[i] = left;
            sbox[i + 1] = right;
        }
    }
}

std::uint32_t BlowfishCipher::Round(std::uint32_t x) const {
    return ((sboxes_[0][x >> 24] + sboxes_[1][(x >> 16) & 0xFF]) ^ sboxes_[2][(x >> 8) & 0xFF]) +
           sboxes_[3][x & 0xFF];
}

void BlowfishCipher::EncryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (unsigned i = 0; i < kRounds; ++i) {
        l ^= subkeys_[i];
        r ^= Round(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    right = r ^ subkeys_[kRounds];
    left = l ^ subkeys_[kRounds + 1];
}

void BlowfishCipher::DecryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (unsigned i = kRounds + 1; i > 1; --i) {
        l ^= subkeys_[i];
        r ^= Round(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    right = r ^ subkeys_[1];
    left = l ^ subkeys_[0];
}

bool BlowfishCipher::EncryptBuffer(std::span<std::uint8_t> buffer) const {
    return ForEachBlock(buffer, [this](std::uint32_t& l, std::uint32_t& r) { EncryptBlock(l, r); });
}

bool BlowfishCipher::DecryptBuffer(std::span<std::uint8_t> buffer) const {
    return ForEachBlock(buffer, [this](std::uint32_t& l, std::uint32_t& r) { DecryptBlock(l, r); });
}
