#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/UpgradeOptions.h"
#include "files/PatchSection.h"

// What a successful verification found out about the attached radio and chose for it.
struct VerifiedRadio {
    std::array<std::uint8_t, 16> identity{};
    std::string release;           // status 3
    std::string serialText;        // status 11, cut at its first blank
    std::string variantCode;       // the first two bytes of the status 4 reply, when the kit asked for it
    std::uint32_t group = 0;       // 1-based
    std::uint32_t modelIndex = 0;  // within its model set
    std::string codeplugFile;      // as the model entry names it; "#" for none
    UpgradeOptions options;
    std::optional<std::string> codeplugText;
    std::optional<std::vector<PatchRecord>> patchRecords;
};
