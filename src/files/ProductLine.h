#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The product lines a kit can serve, by id; a name in no row reads as kNoLine.
namespace ProductLine {

inline constexpr std::array<std::string_view, 12> kNames = {
    "BASIC",       "KESTAR02", "KESTAR03", "KDS",       "DUN",       "VOLANTE",
    "PL510/PL520", "PIK",      "ORBIS",    "DUN_KESTA", "FAR_VARNO", "NO_LINE",
};
inline constexpr std::int32_t kKestar02 = 1;
inline constexpr std::int32_t kKestar03 = 2;
inline constexpr std::int32_t kKds = 3;
inline constexpr std::int32_t kOrbis = 8;
inline constexpr std::int32_t kFarVarno = 10;
inline constexpr std::int32_t kNoLine = 11;

// The id of the row whose name equals `name` byte for byte; kNoLine for any other text.
std::int32_t IdOf(std::string_view name);

}  // namespace ProductLine
