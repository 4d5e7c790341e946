#include "radio/BootstrapLoader.h"

#include <algorithm>

namespace {

std::size_t WholeBlocks(std::size_t bytes) {
    return (bytes + BootstrapLoader::kBlockBytes - 1) / BootstrapLoader::kBlockBytes *
           BootstrapLoader::kBlockBytes;
}

}  // namespace

BootstrapLoader::BootstrapLoader(Controller controller, std::uint8_t syncCharacter,
                                 std::vector<KnownBootcode> known)
    : controller_(controller), syncCharacter_(syncCharacter), known_(std::move(known)) {}

BootstrapLoader::Role BootstrapLoader::RoleOf(const SimCharacter& character) const {
    if (complete_ || overrun_)
        return Role::Unwanted;
    if (!synced_) {
        const bool sync = character.errors == 0 && character.byte == syncCharacter_;
        return sync ? Role::Sync : Role::Unwanted;
    }
    const bool blockEnd = controller_ == Controller::ZR5 && block_.size() + 1 == kBlockBytes;
    return blockEnd ? Role::BlockEnd : Role::Data;
}

BootstrapLoader::Step BootstrapLoader::Take(std::uint8_t byte) {
    Step step;
    if (!synced_) {
        synced_ = true;
        if (controller_ == Controller::ZR5)
            step.answer = {kSyncAnswer};
        return step;
    }
    if (controller_ == Controller::Q7) {
        received_.push_back(byte);
    } else {
        block_.push_back(byte);
        if (block_.size() < kBlockBytes)
            return step;
        step.answer = block_;
        for (const std::uint8_t sent : block_)
            step.answer.push_back(static_cast<std::uint8_t>(sent ^ kCheckMask));
        received_.insert(received_.end(), block_.begin(), block_.end());
        block_.clear();
    }
    step.runsAtBaud = MatchKnown();
    complete_ = step.runsAtBaud.has_value();
    return step;
}

std::optional<unsigned> BootstrapLoader::MatchKnown() const {
    for (const KnownBootcode& bootcode : known_) {
        const std::size_t loaded =
            controller_ == Controller::ZR5 ? WholeBlocks(bootcode.image.size()) : bootcode.image.size();
        if (received_.size() == loaded &&
            std::equal(bootcode.image.begin(), bootcode.image.end(), received_.begin()))
            return bootcode.flashBaud;
    }
    return std::nullopt;
}
