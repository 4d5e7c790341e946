#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/ProgramKey.h"

// Builds an enciphered kit from its plain sources: "patcher.txt" becomes "patcher.dat" under the
// program key; every other file keeps its name and is enciphered under the kit key that the plain
// configuration names. Texts are padded with zero bytes to a multiple of 8.
class KitBuilder {
public:
    static constexpr const char* kPlainConfigName = "patcher.txt";

    explicit KitBuilder(std::string_view programKey = kProgramKey) : programKey_(programKey) {}

    // Writes the kit into `output` (created when missing); returns the files written. Throws
    // std::runtime_error when the sources lack patcher.txt or a kit key, hold a folder, or a file
    // cannot be read or written.
    std::vector<std::string> Build(const std::filesystem::path& sources,
                                   const std::filesystem::path& output) const;

private:
    std::string programKey_;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, std::string_view content);
