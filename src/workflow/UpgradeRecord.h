#pragma once

#include <chrono>
#include <filesystem>
#include <string>

// One Program press as the bench's record keeps it: one row of "upgrades.csv" in the kit folder.
struct UpgradeRecord {
    static constexpr const char* kFileName = "upgrades.csv";

    std::chrono::system_clock::time_point started;
    std::string port;  // "COM3", or the path of a device named by its path
    std::string identity;  // 32 hex digits
    std::string serialText;
    std::string modelCode;
    std::string releaseBefore;
    std::string operations;  // as Operations() writes them
    int attempts = 0;
    int finalStatus = -1;  // the last UpgradeStatus; -1 when no engine ran
    std::string finalText;
    double durationSeconds = 0;
    std::string backupFile;

    // "firmware", "codeplug 3", "patch" joined by "+", or "none".
    static std::string Operations(bool firmware, int codeplugMode, bool patch);
    // Appends the record as one row, with the header row in the same write when the file is new or
    // empty, under a lock that keeps the rows of parallel presses whole (SafeFolder::AppendLocked; a
    // link in the file's place is refused). A failure is logged and reported false; it never stops an
    // upgrade.
    bool AppendTo(const std::filesystem::path& folder) const;
};
