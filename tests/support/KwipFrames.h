#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kwip/CKwipMessage.h"

// Frames and acknowledges as a radio sends them, for scripting peers in KWIP tests:
//
//     Peer().Answer({0xF2, 0x23, 0x05, 0xE5}, Acked(KwipFrame(0x8B, {0x05, 'O', 'K'})));

// Any byte but the negative acknowledge 0x60 is a positive acknowledge.
inline constexpr std::uint8_t kPositiveAck = 0x06;
inline constexpr std::uint8_t kNegativeAck = 0x60;

inline std::vector<std::uint8_t> KwipFrame(std::uint8_t opcode, const std::vector<std::uint8_t>& payload,
                                           KwipForm form = KwipForm::Auto) {
    CKwipMessage message;
    message.Build(opcode, payload, form);
    const std::span<const std::uint8_t> frame = message.GetFrame();
    return {frame.begin(), frame.end()};
}

// The positive acknowledge followed by the reply.
inline std::vector<std::uint8_t> Acked(const std::vector<std::uint8_t>& reply) {
    std::vector<std::uint8_t> bytes(reply.size() + 1, kPositiveAck);
    std::copy(reply.begin(), reply.end(), bytes.begin() + 1);
    return bytes;
}

// The bytes as the error log writes them: two upper-case hex digits each, no separators.
inline std::string HexLine(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    for (const std::uint8_t byte : bytes) {
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    return line;
}

inline std::vector<std::uint8_t> BytesOf(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}
