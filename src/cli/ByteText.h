#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

// How corvida-cli shows bytes from the radio.
namespace ByteText {

inline constexpr std::size_t kDumpBytesPerLine = 16;

// Two upper-case hex digits a byte, with the separator between them: Hex({5A, A5}) is "5A A5".
std::string Hex(std::span<const std::uint8_t> bytes, std::string_view separator = " ");
// The text in double quotes; quotes, backslashes and bytes outside printable ASCII as escapes.
std::string Quoted(std::string_view text);
// Lines of kDumpBytesPerLine bytes: the address of the first (six hex digits), the bytes in hex and
// the printable ones as characters.
void Dump(std::ostream& out, std::span<const std::uint8_t> bytes, unsigned firstAddress);

}  // namespace ByteText
