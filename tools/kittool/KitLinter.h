#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CodeplugLinter.h"
#include "ConfigLineChecker.h"
#include "ImageLinter.h"
#include "KitConfig.h"
#include "KitFolder.h"
#include "KitProblem.h"

// Finds every problem the program would meet with a kit: its configuration's structure, counts,
// numbers and limits, and the S-record files it names. Each problem names its file and line.
class KitLinter {
public:
    explicit KitLinter(KitFolder& kit);

    std::vector<KitProblem> Run();

    // Limits of the program's readers.
    static constexpr std::uint32_t kIdentityBytes = 16;
    static constexpr std::uint32_t kMaxExpectedValueBytes = 255;
    static constexpr std::uint32_t kStatusReplyBytes = 256;
    static constexpr std::uint32_t kMaxCodeplugMode = 3;
    static constexpr std::uint32_t kLastCodeplugType = 3;

private:
    void CheckVersion();
    void CheckProductLine();
    void CheckBlockCounts();
    void CheckGroup(std::uint32_t g, const KitConfig::RadioGroup& group);
    void CheckRegion(std::uint32_t g, const KitConfig::RadioGroup& group);
    void CheckVerification(const KitConfig::RadioGroup& group);
    void CheckVerificationEntry(const KitConfig::Line& line);
    void CheckModels(const KitConfig::RadioGroup& group);
    void CheckMatching(const KitConfig::RadioGroup& group);
    void CheckFirmware();
    // Reports a file name that is not one plain name in the kit folder; true when it is one.
    bool FileNameIsPlain(const KitConfig::Line& line, const char* role, const std::string& name);

    KitFolder& kit_;
    KitConfig::Kit config_;
    KitProblems problems_;
    ConfigLineChecker checker_;
    ImageLinter images_;
    std::optional<CodeplugLinter> codeplugs_;  // once the codeplug type is known
    bool flashesFirmware_ = false;
};
