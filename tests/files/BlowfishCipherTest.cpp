#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "files/BlowfishCipher.h"

namespace {

std::vector<std::uint8_t> Bytes(std::uint64_t value) {
    std::vector<std::uint8_t> bytes(8);
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (56 - 8 * i));
    return bytes;
}

// Big-endian halves, as published vectors and most libraries read a block.
std::uint64_t EncryptBigEndian(const BlowfishCipher& cipher, std::uint64_t block) {
    auto left = static_cast<std::uint32_t>(block >> 32);
    auto right = static_cast<std::uint32_t>(block);
    cipher.EncryptBlock(left, right);
    return std::uint64_t{left} << 32 | right;
}

std::vector<std::uint8_t> LittleEndianBlock(std::uint32_t left, std::uint32_t right) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t half : {left, right}) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(half >> (8 * i)));
    }
    return bytes;
}

void ReverseHalves(std::vector<std::uint8_t>& block) {
    std::reverse(block.begin(), block.begin() + 4);
    std::reverse(block.begin() + 4, block.end());
}

struct Vector {
    std::uint64_t key;
    std::uint64_t plain;
    std::uint64_t cipher;
};

// Published Blowfish test vectors (8-byte keys).
constexpr Vector kPublished[] = {
    {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
    {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
    {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
    {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
    {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
    {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
};

TEST(BlowfishCipherTest, BlocksMatchThePublishedVectors) {
    for (const Vector& v : kPublished) {
        const BlowfishCipher cipher(Bytes(v.key));
        EXPECT_EQ(EncryptBigEndian(cipher, v.plain), v.cipher) << std::hex << v.key;
        auto left = static_cast<std::uint32_t>(v.cipher >> 32);
        auto right = static_cast<std::uint32_t>(v.cipher);
        cipher.DecryptBlock(left, right);
        EXPECT_EQ(std::uint64_t{left} << 32 | right, v.plain);
    }
}

TEST(BlowfishCipherTest, MatchesAnIndependentImplementationWithASixteenByteKey) {
    // From a widely used command-line implementation (ECB, no padding), key 00112233...EEFF.
    std::vector<std::uint8_t> key;
    for (int i = 0; i < 16; ++i)
        key.push_back(static_cast<std::uint8_t>(0x11 * i));
    const BlowfishCipher cipher(key);
    EXPECT_EQ(EncryptBigEndian(cipher, 0x0000000000000000), 0x36D4E2502B003630u);
    EXPECT_EQ(EncryptBigEndian(cipher, 0x1111111111111111), 0x6C5246A34E249AFAu);
}

TEST(BlowfishCipherTest, BuffersReadEachHalfLittleEndian) {
    const Vector& v = kPublished[5];
    const BlowfishCipher cipher(Bytes(v.key));

    std::vector<std::uint8_t> buffer = Bytes(v.plain);
    ASSERT_TRUE(cipher.EncryptBuffer(buffer));
    EXPECT_NE(buffer, Bytes(v.cipher)) << "the halves are not big-endian";

    buffer = Bytes(v.plain);
    ReverseHalves(buffer);
    ASSERT_TRUE(cipher.EncryptBuffer(buffer));
    ReverseHalves(buffer);
    EXPECT_EQ(buffer, Bytes(v.cipher));

    // Byte 0 is the least significant byte of the left half, byte 4 that of the right half.
    std::vector<std::uint8_t> bytes = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    std::uint32_t left = 0x67452301;
    std::uint32_t right = 0xEFCDAB89;
    cipher.DecryptBlock(left, right);
    ASSERT_TRUE(cipher.DecryptBuffer(bytes));
    EXPECT_EQ(bytes, LittleEndianBlock(left, right));
}

TEST(BlowfishCipherTest, EveryBlockStandsAlone) {
    const BlowfishCipher cipher(std::string_view("kit key"));
    std::vector<std::uint8_t> buffer(24, 0x5A);
    ASSERT_TRUE(cipher.EncryptBuffer(buffer));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 8, buffer.begin() + 8));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 8, buffer.begin() + 16));
    ASSERT_TRUE(cipher.DecryptBuffer(buffer));
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(24, 0x5A));
}

TEST(BlowfishCipherTest, ALengthThatIsNoMultipleOfEightChangesNothing) {
    const BlowfishCipher cipher(std::string_view("kit key"));
    std::vector<std::uint8_t> buffer(13);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::uint8_t>(i);
    const std::vector<std::uint8_t> before = buffer;
    EXPECT_FALSE(cipher.DecryptBuffer(buffer));
    EXPECT_FALSE(cipher.EncryptBuffer(buffer));
    EXPECT_EQ(buffer, before);
    EXPECT_TRUE(cipher.DecryptBuffer(std::span<std::uint8_t>()));
    EXPECT_TRUE(cipher.EncryptBuffer(std::span<std::uint8_t>()));
}

TEST(BlowfishCipherTest, OnlyTheFirst72KeyBytesCountAndAShortKeyWrapsByteByByte) {
    std::string key72(72, ' ');
    for (std::size_t i = 0; i < key72.size(); ++i)
        key72[i] = static_cast<char>('!' + i);
    std::string lastChanged = key72;
    lastChanged.back() = 'x';
    std::string abc;
    while (abc.size() < 72)
        abc += "abc";
    struct Case {
        const char* what;
        std::string key;
        std::string other;
        bool alike;
    };
    const Case cases[] = {
        {"bytes after the 72nd", key72 + "these bytes have no effect on the schedule", key72, true},
        {"the 72nd byte", lastChanged, key72, false},
        {"one byte repeated through the schedule", "Q", std::string(72, 'Q'), true},
        {"three bytes, wrapping in the middle of a word", "abc", abc, true},
    };
    for (const Case& c : cases) {
        std::uint32_t l1 = 7, r1 = 9, l2 = 7, r2 = 9;
        BlowfishCipher(std::string_view(c.key)).EncryptBlock(l1, r1);
        BlowfishCipher(std::string_view(c.other)).EncryptBlock(l2, r2);
        EXPECT_EQ(l1 == l2 && r1 == r2, c.alike) << c.what;
    }
}

TEST(BlowfishCipherTest, AnEmptyKeyStillCiphers) {
    const BlowfishCipher cipher{std::string_view()};
    std::array<std::uint8_t, 8> block{1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(cipher.EncryptBuffer(block));
    EXPECT_NE(block, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(cipher.DecryptBuffer(block));
    EXPECT_EQ(block, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
