#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    static constexpr std::uint32_t kMaxNumberDigits = 8;
    static constexpr std::uint32_t kIdentityBytes = 16;
    static constexpr std::uint32_t kMaxExpectedValueBytes = 255;
    static constexpr std::uint32_t kStatusReplyBytes = 256;
    static constexpr std::uint32_t kPatchReplyBytes = 30;
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
    void CheckPatchData(std::uint32_t g, const KitConfig::RadioGroup& group);
    void CheckPatchSection(std::uint32_t e, const KitConfig::PatchLines& section);
    void CheckFirmware();

    void CheckCount(const KitConfig::CountedLines& counted, const char* what);
    // Checks field f (1-based) of a line as a number no larger than `limit`; false when it is absent.
    bool CheckNumber(const KitConfig::Line& line, std::uint32_t f, const char* what,
                     std::uint64_t limit = UINT32_MAX);
    void Report(std::uint32_t line, const char* format, ...) CORVIDA_PRINTF(3, 4);

    KitFolder& kit_;
    KitConfig::Kit config_;
    KitProblems problems_;
    ImageLinter images_;
    bool flashesFirmware_ = false;
};
