#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The bytes a bootcode download sends, from the boot-code S-record text: none when the text does not
// begin with a sound data record, holds a damaged record, or passes CBootstrap::kMaxImageBytes.
std::optional<std::vector<std::uint8_t>> BootcodeImage(std::string_view text);
