#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// A memory image from a file, for radio profiles: S-record text (S1, S2 and S3 data records, each checked)
// or, when the file is not S-record text, its raw bytes. Read by the simulator's own code, so that a
// radio never takes the program's S-record reader on trust.
class ImageFile {
public:
    // ByAddress: each record's data at its address from 0, gaps 0xFF (a codeplug, a flash). InFileOrder:
    // the records' data one after the other (a bootcode, as the program sends it).
    enum class Placement { ByAddress, InFileOrder };

    static constexpr std::uint8_t kGapByte = 0xFF;
    static constexpr std::uint32_t kMaxImageBytes = 16 * 1024 * 1024;

    // Throws std::runtime_error naming the file, and the line for a bad record.
    static std::vector<std::uint8_t> Read(const std::filesystem::path& path, Placement placement);
    // The same for text already in memory; `name` appears in errors.
    static std::vector<std::uint8_t> FromText(std::string_view content, Placement placement,
                                              const std::string& name);
};
