#pragma once

#include <cstdint>

#include "ConfigLineChecker.h"
#include "KitConfig.h"

// Checks a radio group's PATCHER_DATA_BLOCK: a closed section for every model entry that patches,
// known opcodes, operands within their widths, and records in an order the patcher can carry out.
class PatchDataLinter {
public:
    static constexpr std::uint32_t kPatchReplyBytes = 30;  // the patcher's status reply buffer

    explicit PatchDataLinter(ConfigLineChecker& checker) : checker_(checker) {}

    void Check(std::uint32_t g, const KitConfig::RadioGroup& group);

private:
    void CheckSection(std::uint32_t e, const KitConfig::PatchLines& section);

    ConfigLineChecker& checker_;
};
