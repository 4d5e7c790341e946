#include "PatchDataLinter.h"

#include <set>

#include "files/PatchSection.h"

namespace {

constexpr std::uint8_t kPreviousReply = 0xFF;  // CheckRadioType's status code that re-reads the last reply
constexpr std::uint32_t kPatchRecordFields = 6;
constexpr std::uint64_t kByte = ConfigLineChecker::kByteLimit;
constexpr std::uint64_t kWord = ConfigLineChecker::kWordLimit;

}  // namespace

void PatchDataLinter::Check(std::uint32_t g, const KitConfig::RadioGroup& group) {
    std::set<std::uint32_t> patchedEntries;
    for (const KitConfig::Line& row : group.matching.lines) {
        if (!row.present || KitConfig::IsBlockHeader(row.text))
            break;
        for (std::uint32_t e = 0; e < KitConfig::ModelsInRow(row, group.entriesPerSet); ++e) {
            if (KitConfig::MatchingValue(row, e, KitConfig::kUpgrade) != 0 &&
                KitConfig::MatchingValue(row, e, KitConfig::kPatch) != 0) {
                patchedEntries.insert(e);
            }
        }
    }
    if (!group.hasPatchData) {
        if (!patchedEntries.empty())
            checker_.Report(0, "radio group %u patches, but has no PATCHER_DATA_BLOCK", g);
        return;
    }
    for (std::uint32_t e = 0; e < group.patchSections.size(); ++e)
        CheckSection(e, group.patchSections[e]);
    for (const std::uint32_t e : patchedEntries) {
        if (e >= group.patchSections.size())
            checker_.Report(0, "radio group %u has no patch section for model entry %u", g, e);
    }
    if (group.patchSurplus > 0) {
        checker_.Report(group.patchSurplusLine,
                        "%u patch records follow the sections of the %u model entries and are never used",
                        group.patchSurplus, group.entriesPerSet);
    }
}

void PatchDataLinter::CheckSection(std::uint32_t e, const KitConfig::PatchLines& section) {
    static constexpr const char* kOperands[] = {"opcode",    "operand 1", "operand 2",
                                                "operand 3", "operand 4", "operand 5"};
    static constexpr std::uint64_t kLimits[] = {kByte, kByte, kByte, kWord, kByte, kByte};
    bool blockSelected = false;
    bool statusRequested = false;
    for (std::size_t i = 0; i < section.lines.size(); ++i) {
        const KitConfig::Line& line = section.lines[i];
        const PatchRecord& record = section.records[i];
        if (KitConfig::IsBlockHeader(line.text)) {
            checker_.Report(
                line.fileLine,
                "the patch section of model entry %u runs into the next block: it has no 99 record", e);
            return;
        }
        if (line.fields.size() != kPatchRecordFields) {
            checker_.Report(line.fileLine, "a patch record has 6 fields, this one %u",
                            static_cast<unsigned>(line.fields.size()));
        }
        for (std::uint32_t f = 1; f <= kPatchRecordFields && f <= line.fields.size(); ++f) {
            checker_.CheckNumber(line, f, kOperands[f - 1], kLimits[f - 1]);
        }
        switch (static_cast<PatchOpcode>(record.opcode)) {
            case PatchOpcode::kCheckRadioType:
                if (record.operand2 >= kPatchReplyBytes) {
                    checker_.Report(line.fileLine, "reply index %u lies outside the %u-byte status reply",
                                    record.operand2, kPatchReplyBytes);
                }
                if (record.operand1 == kPreviousReply && !statusRequested) {
                    checker_.Report(line.fileLine,
                                    "status code FF re-examines a reply, but no status was requested before");
                }
                statusRequested = statusRequested || record.operand1 != kPreviousReply;
                break;
            case PatchOpcode::kSelectBlock:
                blockSelected = true;
                break;
            case PatchOpcode::kSetFieldBits:
            case PatchOpcode::kWriteBlock:
                if (!blockSelected)
                    checker_.Report(line.fileLine, "no SelectBlock (20) record comes before this record");
                break;
            case PatchOpcode::kEnd:
                break;
            default:
                checker_.Report(line.fileLine, "unknown patch opcode %X: the patcher stops there",
                                record.opcode);
                break;
        }
    }
    if (!section.closed) {
        const std::uint32_t line = section.lines.empty() ? 0 : section.lines.back().fileLine;
        checker_.Report(line,
                        "the patch section of model entry %u has no 99 record before the end of the data", e);
    }
}
