#include "workflow/RadioGroupRegion.h"

#include <algorithm>

#include "files/FileManager.h"
#include "workflow/KitSyntaxError.h"

std::optional<std::uint32_t> RadioGroupRegion::FindGroup(
    std::span<const std::uint8_t, kIdentityBytes> identity, IdentityBuffer& matched) {
    const std::uint32_t groups = config_.CountBlocks(kBlock);
    for (std::uint32_t group = 1; group <= groups; ++group) {
        config_.FindBlock(kBlock, group);
        const std::uint32_t count = config_.ReadNumber(kIdentityCountLine, 1);
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint32_t line = kFirstIdentityLine + k;
            matched.fill(0);
            if (!config_.ReadBytes(line, 1, matched))
                RaiseKitSyntaxError(config_, kBlock, line, "radio identity longer than 100 characters");
            if (std::equal(identity.begin(), identity.end(), matched.begin()))
                return group;
        }
    }
    return std::nullopt;
}

bool RadioGroupRegion::IsTestKit() {
    config_.FindBlock(kBlock);
    const std::string line = config_.ReadLine(kFirstBootCodeLine);
    return !line.empty() && (line.front() == 't' || line.front() == 'T');
}

std::string RadioGroupRegion::BootCodeFileName(std::uint32_t group, unsigned rateChoice) {
    config_.FindBlock(kBlock, group);
    return config_.ReadField(kFirstBootCodeLine + rateChoice, 1);
}
