#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "engine/RadioSavedData.h"

// The backup file of a radio's saved data, written before every codeplug write so that a crash or power
// cut between the write and the restore never costs the radio its tuning and serial data. Plain text,
// one item a line:
//
//     Corvida radio data 1
//     layout 3
//     mode 1
//     variant-code 01
//     identity SN00001234
//     piece 0x8000 0 0 0 00081A2B...      block list entry offset, then the bytes as hex digits
//     end
//
// Block ids are hex, the other numbers decimal; the identity line is absent when unknown, and the
// variant-code line is left out when empty.
class SavedDataFile {
public:
    static constexpr const char* kFirstLine = "Corvida radio data 1";
    static constexpr const char* kExtension = ".radiodata";

    static std::string Format(const RadioSavedData& data);
    // Raises CGenError 3 naming the line that is not part of the format.
    static RadioSavedData Parse(const std::string& text);

    // The name of the backup file for `data` written at `when`: date, time (local) and the radio's
    // identity, e.g. "20261210-143501-SN00001234.radiodata".
    static std::string FileName(const RadioSavedData& data, std::chrono::system_clock::time_point when);
    // Writes the backup durably into `folder` under a name FileName gives (with "-2", "-3" ... when a
    // file of that name is there) and returns its path. The folder is made when missing; it and the file
    // are for their owner only, and a link in its or the file's place is refused (SafeFolder). Raises
    // CGenError 3 when the backup cannot be written.
    static std::filesystem::path Write(const std::filesystem::path& folder, const RadioSavedData& data,
                                       std::chrono::system_clock::time_point when);
    // Raises CGenError 3 when the file cannot be read or is not a backup of radio data.
    static RadioSavedData Read(const std::filesystem::path& path);
};
