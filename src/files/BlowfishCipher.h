#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The Blowfish block cipher as kit files use it: 16 rounds, electronic codebook, and each 8-byte
// block read as two 32-bit halves in little-endian order (bytes 0-3 the left half, byte 0 its least
// significant byte). Published test vectors, which read the halves big-endian, match once each half is
// byte-reversed. A context holds its tables by value (about 4 KiB) and serves one decryption.
class BlowfishCipher {
public:
    static constexpr std::size_t kBlockSize = 8;
    static constexpr std::size_t kSubkeyCount = 18;
    static constexpr std::size_t kSboxCount = 4;
    static constexpr std::size_t kSboxSize = 256;
    // Key bytes past this many cannot affect the schedule.
    static constexpr std::size_t kMaxEffectiveKeyBytes = kSubkeyCount * 4;

    // Keys the cipher with every byte of `key`, taken as unsigned values. An empty key leaves the
    // initial subkeys as they are before the expansion (the schedule has no byte to wrap over).
    explicit BlowfishCipher(std::span<const std::uint8_t> key);
    explicit BlowfishCipher(std::string_view key);

    // Both work in place on whole blocks. A size that is not a multiple of 8 changes nothing and
    // returns false; an empty buffer succeeds.
    bool EncryptBuffer(std::span<std::uint8_t> buffer) const;
    bool DecryptBuffer(std::span<std::uint8_t> buffer) const;

    void EncryptBlock(std::uint32_t& left, std::uint32_t& right) const;
    void DecryptBlock(std::uint32_t& left, std::uint32_t& right) const;

private:
    void Schedule(std::span<const std::uint8_t> key);
    std::uint32_t Round(std::uint32_t x) const;

    std::array<std::uint32_t, kSubkeyCount> subkeys_;
    std::array<std::array<std::uint32_t, kSboxSize>, kSboxCount> sboxes_;
};
