#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class FileManager;

// The opcodes of PATCHER_DATA_BLOCK records, written 10, 20, 30, 50 and 99 in the file.
enum class PatchOpcode : std::uint32_t {
    kCheckRadioType = 0x10,
    kSelectBlock = 0x20,
    kSetFieldBits = 0x30,
    kWriteBlock = 0x50,
    kEnd = 0x99,
};

// The opcode's name, or an empty text for an opcode the patcher does not know.
std::string_view PatchOpcodeName(std::uint32_t opcode);

// One patch record; a value wider than its field keeps its low-order bits.
struct PatchRecord {
    std::uint32_t opcode = 0;
    std::uint8_t operand1 = 0;
    std::uint8_t operand2 = 0;
    std::uint16_t operand3 = 0;
    std::uint8_t operand4 = 0;
    std::uint8_t operand5 = 0;

    bool operator==(const PatchRecord&) const = default;
};

// The records of one model entry's section, its end record included when the data has one.
struct PatchSection {
    std::vector<PatchRecord> records;
    bool closed = false;          // false when the text ended before the section's end record
    std::uint32_t firstLine = 0;  // the section's first line within the block (1-based)
};

// Section `modelIndex` (0-based) of the current block of `config`, which the caller has made a
// PATCHER_DATA_BLOCK with FindBlock: the sections before it are skipped by their end records. Stops at
// the end of the data: a section that is cut short comes back with closed false.
PatchSection LoadPatchSection(const FileManager& config, std::uint32_t modelIndex);

// Line n of the current block read as a patch record.
PatchRecord ReadPatchRecord(const FileManager& config, std::uint32_t line);
