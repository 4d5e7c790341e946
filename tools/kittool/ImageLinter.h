#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "KitFolder.h"
#include "KitProblem.h"

// Checks the S-record files of a kit, each once however often the configuration names it.
class ImageLinter {
public:
    enum class Role { kBootCode, kFirmware, kCodeplug };

    ImageLinter(const KitFolder& kit, KitProblems& problems) : kit_(kit), problems_(problems) {}

    // `flashBytes` is the flash size a firmware file is meant for (0 for other roles).
    void Check(const std::string& name, Role role, std::uint32_t flashBytes = 0);

    // Limits the program puts on the files.
    static constexpr std::size_t kMaxBootCodeImageBytes = 5000;  // the engine's boot-code image
    static constexpr std::size_t kMaxCodeplugImageBytes = 32768;
    static constexpr std::uint32_t kMaxKwipWriteBytes = 251;
    static constexpr std::uint32_t kFlashBase = 0x400000;

private:
    void CheckContent(const std::string& name, Role role, std::uint32_t flashBytes, std::string_view text);

    const KitFolder& kit_;
    KitProblems& problems_;
    std::map<std::string, bool> checked_;
};
