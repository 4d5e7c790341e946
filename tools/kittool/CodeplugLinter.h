#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "ConfigLineChecker.h"
#include "KitConfig.h"
#include "KitFolder.h"
#include "KitProblem.h"
#include "codeplug/CCodeplug.h"

// Checks a kit's codeplug images through the codeplug layer, as the engine and the patcher will use
// them: that the program can derive their pointers in the kit's codeplug type, and that every field a
// patch record changes lies in its block as the model entry's codeplug holds it. A block the codeplug
// lacks is no problem: the patcher skips it on purpose, for kits that serve several codeplugs.
class CodeplugLinter {
public:
    static constexpr std::size_t kWorkingBlockBytes = 2048;  // the patcher's working block

    CodeplugLinter(const KitFolder& kit, KitProblems& problems, ConfigLineChecker& checker, int codeplugType)
        : kit_(kit), problems_(problems), checker_(checker), type_(codeplugType) {}

    void Check(const KitConfig::RadioGroup& group);

private:
    struct Loaded {
        std::string text;  // the KDS layout borrows it
        std::unique_ptr<CCodeplug> codeplug;
    };

    // The codeplug of a file, loaded once; null when it cannot be read (the image check reports that).
    CCodeplug* Load(const std::string& name);
    void CheckPatches(const std::string& name, CCodeplug& codeplug, const KitConfig::PatchLines& section);

    const KitFolder& kit_;
    KitProblems& problems_;
    ConfigLineChecker& checker_;
    int type_;
    std::map<std::string, Loaded> loaded_;
};
