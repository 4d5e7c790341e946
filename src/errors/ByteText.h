#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

// How bytes from a radio, a kit or an adapter are shown: on a terminal and in a spreadsheet cell.
namespace ByteText {

inline constexpr std::size_t kDumpBytesPerLine = 16;

enum class LineFeeds { kEscape, kKeep };

// The text with every byte that could steer a terminal or a spreadsheet written as \xNN: control bytes
// (C0, DEL, and C1 whether raw or UTF-8 encoded) and bytes that are no part of valid UTF-8. Valid UTF-8
// stays as it is, and so does escaped text: escaping it again changes nothing. LineFeeds::kKeep keeps
// LF, for messages of several lines.
std::string Escaped(std::string_view text, LineFeeds lineFeeds = LineFeeds::kEscape);
// Two upper-case hex digits a byte, with the separator between them: Hex({5A, A5}) is "5A A5".
std::string Hex(std::span<const std::uint8_t> bytes, std::string_view separator = " ");
// The text in double quotes; quotes and backslashes as \" and \\, the rest as Escaped.
std::string Quoted(std::string_view text);
// Lines of kDumpBytesPerLine bytes: the address of the first (six hex digits), the bytes in hex and
// the printable ones as characters.
void Dump(std::ostream& out, std::span<const std::uint8_t> bytes, unsigned firstAddress);

}  // namespace ByteText
