#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/UpgradeOptions.h"

class FileManager;

// The RADIO_MATCHING_BLOCK of a radio group: rows of a release text (or "*" for any) and, per model
// entry, the operations the kit prescribes.
class RadioMatchingBlock {
public:
    static constexpr const char* kBlock = "RADIO_MATCHING_BLOCK";
    static constexpr const char* kAnyRelease = "*";

    RadioMatchingBlock(FileManager& config, std::uint32_t group) : config_(config), group_(group) {}

    // The options of the first row, in file order, whose release is `release` or "*", for model entry
    // `modelIndex` (model code left empty); none when no row matches. A missing row line is a kit error.
    std::optional<UpgradeOptions> Select(const std::string& release, std::uint32_t modelIndex);

private:
    static constexpr std::uint32_t kCountLine = 1;
    static constexpr std::uint32_t kFirstRowLine = 2;
    static constexpr std::uint32_t kFieldsPerModel = 4;

    UpgradeOptions ReadOptions(std::uint32_t line, std::uint32_t modelIndex) const;

    FileManager& config_;
    std::uint32_t group_;
};
