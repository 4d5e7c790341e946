#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
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
// A device path made absolute, so that it names the same device after the upgrade has made the kit
// folder current; a path that cannot be made absolute stays as it is.
std::string AbsolutePath(const std::string& path);

// Checks for CLI11 options and positionals taken as text.
CLI::Validator NumberIn(unsigned min, unsigned max);
CLI::Validator HexNumberUpTo(unsigned max);
CLI::Validator HexByteString();

}  // namespace CliArgument
