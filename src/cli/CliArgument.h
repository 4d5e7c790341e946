#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The numbers and byte strings of corvida-cli's command lines. Radio addresses are written in hex as
// the error log writes them (1234 or 0x1234); other numbers are decimal unless they start with 0x. A
// leading 0 never means octal.
namespace CliArgument {

inline constexpr unsigned kMaxPort = 255;

std::optional<unsigned> Number(std::string_view text);
std::optional<unsigned> HexNumber(std::string_view text);
// Pairs of hex digits, optionally separated by blanks or colons ("AABB", "AA BB", "aa:bb"); at least one.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text);

// Checks for CLI11 options and positionals taken as text.
CLI::Validator NumberIn(unsigned min, unsigned max);
CLI::Validator HexNumberUpTo(unsigned max);
CLI::Validator HexByteString();

}  // namespace CliArgument
