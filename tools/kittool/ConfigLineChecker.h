#pragma once

#include <cstdint>

#include "KitConfig.h"
#include "KitProblem.h"

// Reports problems of patcher.dat lines and checks the fields and counts every block shares.
class ConfigLineChecker {
public:
    static constexpr std::uint32_t kMaxNumberDigits = 8;  // a number keeps its last four digit pairs
    static constexpr std::uint64_t kByteLimit = 0xFF;
    static constexpr std::uint64_t kWordLimit = 0xFFFF;

    explicit ConfigLineChecker(KitProblems& problems) : problems_(problems) {}

    void Report(std::uint32_t line, const char* format, ...) CORVIDA_PRINTF(3, 4);
    // Checks field f (1-based) of a line as a number no larger than `limit`; false when it is absent.
    bool CheckNumber(const KitConfig::Line& line, std::uint32_t f, const char* what,
                     std::uint64_t limit = UINT32_MAX);
    // Checks that a count announces exactly the lines its block holds.
    void CheckCount(const KitConfig::CountedLines& counted, const char* what);

private:
    KitProblems& problems_;
};
