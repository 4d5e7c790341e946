#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>

#include "engine/RadioSavedData.h"

// The backup file of a radio's saved data, written before every codeplug write so that a crash or power
// cut between the write and the restore never costs the radio its tuning and serial data. Plain text,
// one item a line:
//
//     Corvida radio data 2
//     layout 3
//     mode 1
//     variant-code 01
//     identity E58EC154199D11D180180060B03C8AFF       the identity bytes of status 15
//     serial SN00001234                               the serial text of status 11, odd bytes as \xHH
//     restored no                                     "yes" once the data went back into the radio
//     piece 0x8000 0 0 0 00081A2B...      block list entry offset, then the bytes as hex digits
//     end
//
// Block ids are hex, the other numbers decimal; the identity and serial lines are absent when unknown,
// and the variant-code line is left out when empty. The first format ("Corvida radio data 1") is still
// read: its "identity" line held the serial text, made safe for a file name, and it kept no restored
// line; such data count as not at risk.
class SavedDataFile {
public:
    static constexpr const char* kFirstLine = "Corvida radio data 2";
    static constexpr const char* kFirstFormatLine = "Corvida radio data 1";
    static constexpr const char* kExtension = ".radiodata";
    // Larger files are refused unread: a whole codeplug's pieces take a few kilobytes.
    static constexpr std::size_t kMaxFileBytes = 256 * 1024;

    // "restored no" while the data are at risk, "restored yes" once they went back.
    static std::string Format(const RadioSavedData& data);
    // Raises CGenError 3 naming the line that is not part of the format. Data whose file says
    // "restored no" come back at risk.
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
    // Raises CGenError 3 when the file cannot be read or is not a backup of radio data. The data know
    // their file.
    static RadioSavedData Read(const std::filesystem::path& path);
    // Rewrites the backup `path` to say that its data went back into the radio. Raises CGenError 3 when
    // it cannot be read or rewritten.
    static void MarkRestored(const std::filesystem::path& path);
};
