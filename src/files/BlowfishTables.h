#pragma once

#include <array>
#include <cstdint>

#include "files/BlowfishCipher.h"

// The standard initial contents: the fractional hexadecimal digits of pi, the subkeys first.
extern const std::array<std::uint32_t, BlowfishCipher::kSubkeyCount> kInitialSubkeys;
extern const std::array<std::array<std::uint32_t, BlowfishCipher::kSboxSize>, BlowfishCipher::kSboxCount>
    kInitialSboxes;
