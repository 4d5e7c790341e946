#include "files/PatchSection.h"

#include "files/FileManager.h"

namespace {

constexpr std::uint32_t kOpcodeField = 1;

}  // namespace

std::string_view PatchOpcodeName(std::uint32_t opcode) {
    switch (static_cast<PatchOpcode>(opcode)) {
        case PatchOpcode::kCheckRadioType:
            return "CheckRadioType";
        case PatchOpcode::kSelectBlock:
            return "SelectBlock";
        case PatchOpcode::kSetFieldBits:
            return "SetFieldBits";
        case PatchOpcode::kWriteBlock:
            return "WriteBlock";
        case PatchOpcode::kEnd:
            return "End";
    }
    return {};
}

PatchRecord ReadPatchRecord(const FileManager& config, std::uint32_t line) {
    PatchRecord record;
    record.opcode = config.ReadNumber(line, kOpcodeField);
    record.operand1 = static_cast<std::uint8_t>(config.ReadNumber(line, 2));
    record.operand2 = static_cast<std::uint8_t>(config.ReadNumber(line, 3));
    record.operand3 = static_cast<std::uint16_t>(config.ReadNumber(line, 4));
    record.operand4 = static_cast<std::uint8_t>(config.ReadNumber(line, 5));
    record.operand5 = static_cast<std::uint8_t>(config.ReadNumber(line, 6));
    return record;
}

PatchSection LoadPatchSection(const FileManager& config, std::uint32_t modelIndex) {
    constexpr auto kEnd = static_cast<std::uint32_t>(PatchOpcode::kEnd);
    std::uint32_t line = 1;
    for (std::uint32_t skipped = 0; skipped < modelIndex && config.HasLine(line); ++line) {
        if (config.ReadNumber(line, kOpcodeField) == kEnd)
            ++skipped;
    }
    PatchSection section;
    section.firstLine = line;
    for (; config.HasLine(line); ++line) {
        section.records.push_back(ReadPatchRecord(config, line));
        if (section.records.back().opcode == kEnd) {
            section.closed = true;
            break;
        }
    }
    return section;
}
