#pragma once

#include <filesystem>

// The programs and files the real-time rows run: corvida-cli against radiosim playing a demo radio,
// on the demo kit.
struct BenchPrograms {
    std::filesystem::path cli;
    std::filesystem::path radiosim;
    std::filesystem::path kit;       // the enciphered kit, copied before each run that may change it
    std::filesystem::path kitFiles;  // its plain images, where radiosim finds the profile's files
    std::filesystem::path profile;   // the radio radiosim plays
};
