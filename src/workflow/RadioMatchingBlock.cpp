#include "workflow/RadioMatchingBlock.h"

#include "files/FileManager.h"
#include "workflow/KitSyntaxError.h"

std::optional<UpgradeOptions> RadioMatchingBlock::Select(const std::string& release,
                                                         std::uint32_t modelIndex) {
    config_.FindBlock(kBlock, group_);
    const std::uint32_t rows = config_.ReadNumber(kCountLine, 1);
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::uint32_t line = kFirstRowLine + row;
        if (line < row || !config_.HasLine(line))
            RaiseKitSyntaxError(config_, kBlock, line, "matching row missing");
        const std::string rowRelease = config_.ReadField(line, 1);
        if (rowRelease == release || rowRelease == kAnyRelease)
            return ReadOptions(line, modelIndex);
    }
    return std::nullopt;
}

UpgradeOptions RadioMatchingBlock::ReadOptions(std::uint32_t line, std::uint32_t modelIndex) const {
    const std::uint32_t first = 2 + kFieldsPerModel * modelIndex;
    UpgradeOptions options;
    options.upgradePermitted = config_.ReadNumber(line, first) != 0;
    options.flashFirmware = config_.ReadNumber(line, first + 1) != 0;
    options.codeplugMode = static_cast<int>(config_.ReadNumber(line, first + 2));
    options.patchCodeplug = config_.ReadNumber(line, first + 3) != 0;
    return options;
}
