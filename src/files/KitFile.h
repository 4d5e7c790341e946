#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

// Why a kit file could not be read. Callers turn the kind into their own message.
enum class KitFileFailure {
    kNone,
    kOpen,        // missing, not a regular file, or not readable
    kCorrupt,     // size 0, a size that is not a multiple of 8, or a failed read
    kAllocation,  // no memory for the buffer
};

// A deciphered kit file: the file's bytes deciphered in place, followed by kSlackBytes zero bytes, so
// the text always ends within the buffer even when the plain text fills the file.
struct KitFileResult {
    static constexpr std::size_t kSlackBytes = 10;

    KitFileFailure failure = KitFileFailure::kNone;
    std::vector<char> buffer;  // empty after a failure
    std::size_t fileSize = 0;  // bytes read from the file

    bool Ok() const { return failure == KitFileFailure::kNone; }
    // The plain text: up to the first zero byte.
    std::string_view Text() const;
};

// Reads a whole kit file and deciphers it with `key` (the program key for "patcher.dat", the kit key
// for every other file). Nothing is handed on after a failure.
KitFileResult ReadKitFile(const std::filesystem::path& name, std::string_view key);

// The same from a file the caller has opened (and keeps open), read from its start.
KitFileResult ReadKitFile(std::FILE* file, std::string_view key);
