#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/FileManager.h"
#include "files/KitFile.h"

// An enciphered kit: its folder, its configuration deciphered with the program key, and its other
// files deciphered with the kit key (line 3 of the version block).
class KitFolder {
public:
    explicit KitFolder(std::filesystem::path path, std::string_view programKey = kProgramKey);
    // A kit whose configuration is already plain text (its other files still come from `path`).
    static KitFolder WithPlainConfig(std::filesystem::path path, std::string_view configText);

    const std::filesystem::path& Path() const { return path_; }
    // False when "patcher.dat" could not be read; ConfigFailure tells why.
    bool HasConfig() const { return configFailure_ == KitFileFailure::kNone; }
    KitFileFailure ConfigFailure() const { return configFailure_; }
    FileManager& Config() { return config_; }
    const std::string& KitKey() const { return kitKey_; }

    // A file of the kit folder; a name that is not one plain component is refused as kOpen.
    KitFileResult ReadFile(const std::string& name, KitFileKind kind) const;

private:
    KitFolder() = default;
    void TakeKitKey();

    std::filesystem::path path_;
    FileManager config_;
    KitFileFailure configFailure_ = KitFileFailure::kOpen;
    std::string kitKey_;
};

// The kit key of a configuration: the whole third line of its version block.
std::string KitKeyOf(FileManager& config);

// A short description of a failure, for kittool's messages.
std::string_view DescribeFailure(KitFileFailure failure);
