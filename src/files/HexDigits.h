#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Hexadecimal digits as the kit files write them.
namespace HexDigits {

// 0-9, A-F and a-f; anything else is no digit.
std::optional<std::uint8_t> Strict(char c);

// The configuration file's lenient reading: 0-9, A-F (and a-f) as usual, every other character as the
// digit 0. The rule is fixed so that a faulty field reads the same on every run; kittool lint reports
// such characters.
std::uint8_t Lenient(char c);

// The byte pairs of `text`, high digit first, read leniently; a single trailing digit gives a final
// byte with that digit as its high half and 0 as its low half.
std::vector<std::uint8_t> LenientPairs(std::string_view text);

// The byte pairs of `text`, high digit first, either case; none when its length is odd or a character is
// no digit. Empty text gives no bytes.
std::optional<std::vector<std::uint8_t>> StrictPairs(std::string_view text);

// True when every character is 0-9 or A-F, the only digits the configuration file defines.
bool IsUpperHex(std::string_view text);

}  // namespace HexDigits
