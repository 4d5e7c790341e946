#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "radio/RadioMemory.h"

// radiosim's --state: the radio's memory in a file, so that radiosim can be killed and started again as
// the same radio. A header line, then each part as a line "name size" followed by its bytes:
//
//     radiosim radio state 1
//     reprogrammed 0|1
//     codeplug N      N bytes
//     flash N         N bytes
//     written N       which flash cells are written, a bit each, lowest bit first: (N + 7) / 8 bytes
//
// The first Write puts the whole state in a file beside FILE and renames it over FILE, so that a kill
// leaves either the previous state or the new one. Later Writes, with every part the same size, change
// only the bytes that changed, in place: a firmware download saves its state thousands of times.
class RadioStateFile {
public:
    explicit RadioStateFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }
    // Nothing when the file does not exist; throws std::runtime_error when it holds no radio state.
    std::optional<RadioMemory::Saved> Read() const;
    // Throws std::runtime_error when the file cannot be written.
    void Write(const RadioMemory::Saved& saved);

private:
    void Replace(const std::string& image);
    void Update(const std::string& image);

    std::filesystem::path path_;
    std::fstream file_;
    std::string written_;  // what the file holds since this object last wrote it
};
