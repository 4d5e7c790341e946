#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/KitFile.h"
#include "files/ProgramKey.h"
#include "files/RegularFile.h"

// The kit's configuration and patch-script file "patcher.dat": deciphered once, held whole, and
// queried by block, line and field. Lines end at LF or CR (a CR always takes the byte after it as
// its LF); blocks start after a line that equals their name; fields are separated by commas. Lines
// and fields count from 1 and every read starts again from the current block's start. The text ends
// at its first zero byte; every scan stops there, so a missing block is an empty block and a line or
// field past the end reads as empty (0 as a number).
class FileManager {
public:
    static constexpr const char* kConfigFileName = "patcher.dat";
    // Longest field ReadBytes accepts: its users' work areas hold 100 bytes.
    static constexpr std::size_t kMaxByteStringLength = 100;
    static constexpr const char* kProductLineBlock = "PRODUCT_LINE";

    FileManager() = default;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;
    FileManager(FileManager&&) = default;
    FileManager& operator=(FileManager&&) = default;

    // Opens the file (default: "patcher.dat" in the current directory) and keeps it open until the
    // object ends. False when it cannot be opened or is no regular file.
    bool OpenConfigFile(const std::filesystem::path& name = kConfigFileName);
    // Reads and deciphers the opened file. False on any failure (LastFailure tells which); an
    // allocation failure also writes its log line.
    bool LoadConfigFile(std::string_view key = kProgramKey);
    KitFileFailure LastFailure() const { return lastFailure_; }
    // Takes an already plain text instead (kit sources, tests).
    void LoadText(std::string_view text);

    // Line 1, field 1 of the first PRODUCT_LINE block, as written. Makes that block current.
    std::string GetProductLine();
    // Lines of the whole text that equal `name`.
    std::uint32_t CountBlocks(std::string_view name) const;
    // Makes the occurrence-th block of that name current (1 = the first). False, and an empty current
    // block, when the text has fewer.
    bool FindBlock(std::string_view name, std::uint32_t occurrence = 1);

    std::string ReadFirstLine() const;
    // Line n of the current block, commas included.
    std::string ReadLine(std::uint32_t line) const;
    // Field f of line n. With `decode`, the field's hex digit pairs are written over the start of its
    // own text: the result begins with the decoded bytes and keeps the field's length.
    std::string ReadField(std::uint32_t line, std::uint32_t field, bool decode = false) const;
    // Field f of line n as hex byte pairs, most significant first, 32 bits wide: a single trailing digit
    // is ignored and a field of fewer than two digits reads as 0. Digits other than 0-9 and A-F read
    // as HexDigits::Lenient says.
    std::uint32_t ReadNumber(std::uint32_t line, std::uint32_t field) const;
    // Writes the bytes that field f of line n denotes to `destination` and returns their count; none
    // when the field is longer than kMaxByteStringLength characters or its bytes do not fit.
    std::optional<std::size_t> ReadBytes(std::uint32_t line, std::uint32_t field,
                                         std::span<std::uint8_t> destination) const;

    // A field's text read as ReadNumber reads it.
    static std::uint32_t DecodeNumber(std::string_view text);

    // True when line n of the current block starts before the end of the text.
    bool HasLine(std::uint32_t line) const;
    // Line n of the current block as a line number of the whole text (1-based), for messages.
    std::uint32_t TextLineNumber(std::uint32_t line) const;

private:
    std::string_view Text() const { return {data_.data(), textLength_}; }
    std::size_t NextLineStart(std::size_t position) const;
    std::string_view LineAt(std::size_t position) const;
    // Start of line n of the current block; the end of the text when there is no such line.
    std::size_t LineStart(std::uint32_t line) const;
    std::string_view FieldText(std::uint32_t line, std::uint32_t field) const;
    void TakeBuffer(std::vector<char> buffer);

    RegularFile file_;
    std::vector<char> data_;
    std::size_t textLength_ = 0;
    std::size_t blockStart_ = 0;
    KitFileFailure lastFailure_ = KitFileFailure::kNone;
};
