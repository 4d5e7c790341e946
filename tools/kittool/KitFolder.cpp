#include "KitFolder.h"

#include "KitConfig.h"
#include "files/KitFileName.h"

namespace {

constexpr std::uint32_t kKitKeyLine = 3;

}  // namespace

std::string KitKeyOf(FileManager& config) {
    if (!config.FindBlock(KitConfig::kVersionTag))
        return {};
    return config.ReadLine(kKitKeyLine);
}

std::string_view DescribeFailure(KitFileFailure failure) {
    switch (failure) {
        case KitFileFailure::kNone:
            return "read";
        case KitFileFailure::kOpen:
            return "missing or not readable";
        case KitFileFailure::kCorrupt:
            return "empty, not a multiple of 8 bytes long, or not readable in full";
        case KitFileFailure::kAllocation:
            return "too large to hold in memory";
        case KitFileFailure::kTooLarge:
            return "larger than a file of its kind may be";
    }
    return "unknown failure";
}

KitFolder::KitFolder(std::filesystem::path path, std::string_view programKey) : path_(std::move(path)) {
    if (!config_.OpenConfigFile(path_ / FileManager::kConfigFileName))
        return;
    config_.LoadConfigFile(programKey);
    configFailure_ = config_.LastFailure();
    TakeKitKey();
}

KitFolder KitFolder::WithPlainConfig(std::filesystem::path path, std::string_view configText) {
    KitFolder kit;
    kit.path_ = std::move(path);
    kit.config_.LoadText(configText);
    kit.configFailure_ = KitFileFailure::kNone;
    kit.TakeKitKey();
    return kit;
}

void KitFolder::TakeKitKey() {
    if (HasConfig())
        kitKey_ = KitKeyOf(config_);
}

KitFileResult KitFolder::ReadFile(const std::string& name, KitFileKind kind) const {
    // A name that leaves the folder is reported by the lint; it is never opened.
    if (KitFileNameFault(name)) {
        KitFileResult refused;
        refused.failure = KitFileFailure::kOpen;
        return refused;
    }
    return ReadKitFile(path_ / name, kitKey_, kind);
}
