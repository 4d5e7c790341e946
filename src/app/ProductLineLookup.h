#pragma once

#include <cstdint>
#include <filesystem>

// The product line the kit in `kitFolder` serves, from its patcher.dat: ProductLine::kNoLine when the
// file is missing, unreadable or names no known line (the upgrade form reports the file itself).
std::int32_t LookUpProductLine(const std::filesystem::path& kitFolder);
