#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

class RegularFile;

// Why a kit file could not be read. Callers turn the kind into their own message.
enum class KitFileFailure {
    kNone,
    kOpen,        // missing, not readable, or not a regular file (a link, FIFO, device or folder)
    kCorrupt,     // size 0, a size that is not a multiple of 8, or a failed read
    kAllocation,  // no memory for the buffer
    kTooLarge,    // larger than any file of its kind can be
};

// What a kit file holds; each kind has its own size cap.
enum class KitFileKind { kConfig, kFirmware, kBootCode, kCodeplug };

// The largest file of each kind that is read. The caps hold the largest real file with room to spare
// (a 512 KiB firmware as S-records of one data byte each is under 10 MiB) and keep a press from reading
// a hostile file for seconds. The boot-code cap is the form's buffer.
inline constexpr std::uint64_t kMaxConfigFileBytes = 1024 * 1024;
inline constexpr std::uint64_t kMaxFirmwareFileBytes = 16 * 1024 * 1024;
inline constexpr std::uint64_t kMaxBootCodeFileBytes = 10000;
inline constexpr std::uint64_t kMaxCodeplugFileBytes = 2 * 1024 * 1024;
std::uint64_t MaxKitFileBytes(KitFileKind kind);

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
// for every other file). The file must be a regular file no larger than the cap of its kind. Nothing
// is handed on after a failure.
KitFileResult ReadKitFile(const std::filesystem::path& name, std::string_view key, KitFileKind kind);

// The same from a file the caller has opened (and keeps open), read from its start.
KitFileResult ReadKitFile(const RegularFile& file, std::string_view key, KitFileKind kind);
