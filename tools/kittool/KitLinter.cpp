#include "KitLinter.h"

#include <cstdarg>
#include <set>

#include "files/HexDigits.h"
#include "files/PatchSection.h"
#include "files/ProductLine.h"

namespace {

constexpr const char* kConfigFile = FileManager::kConfigFileName;
constexpr std::string_view kAnyRelease = "*";
constexpr std::string_view kNoCodeplugFile = "#";
constexpr std::string_view kHexEncoding = "01";  // verification field 3: the value is hex pairs
constexpr std::uint64_t kByteLimit = 0xFF;
constexpr std::uint64_t kWordLimit = 0xFFFF;
constexpr std::uint8_t kPreviousReply = 0xFF;  // CheckRadioType's status code that re-reads the last reply
constexpr unsigned kMaxDecimalByte = 255;

struct FirmwareFile {
    const char* name;
    std::uint32_t flashBytes;
};
constexpr FirmwareFile kFirmwareFiles[] = {
    {"fw_512k", 512 * 1024},
    {"fw_256k", 256 * 1024},
    {"fw_128k", 128 * 1024},
};

// The value of one matching row for model entry e: upgrade, flash, codeplug mode, patch (k = 0..3).
std::uint32_t MatchingValue(const KitConfig::Line& row, std::uint32_t e, std::uint32_t k) {
    const std::size_t f = 1 + KitConfig::kMatchingValuesPerModel * e + k;
    return f < row.fields.size() ? FileManager::DecodeNumber(row.fields[f]) : 0;
}

bool IsDecimal(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

KitLinter::KitLinter(KitFolder& kit) : kit_(kit), images_(kit, problems_) {}

void KitLinter::Report(std::uint32_t line, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string message = FormatTextV(format, args);
    va_end(args);
    problems_.Add(kConfigFile, line, "%s", message.c_str());
}

std::vector<KitProblem> KitLinter::Run() {
    if (!kit_.HasConfig()) {
        problems_.Add(kConfigFile, 0, "the file is %s",
                      std::string(DescribeFailure(kit_.ConfigFailure())).c_str());
        return problems_.All();
    }
    config_ = KitConfig::Read(kit_.Config());
    CheckVersion();
    CheckProductLine();
    CheckBlockCounts();
    for (std::uint32_t g = 1; g <= config_.groups.size(); ++g)
        CheckGroup(g, config_.groups[g - 1]);
    if (flashesFirmware_)
        CheckFirmware();
    return problems_.All();
}

void KitLinter::CheckVersion() {
    if (config_.firstLine != KitConfig::kVersionTag) {
        Report(1, "the first line is \"%s\", not the version tag \"%s\"", config_.firstLine.c_str(),
               std::string(KitConfig::kVersionTag).c_str());
    }
    static constexpr const char* kVersionLines[] = {"title", "description", "kit key", "codeplug type"};
    for (std::size_t i = 0; i < config_.version.size(); ++i) {
        if (!config_.version[i].present)
            Report(0, "the version block has no %s line", kVersionLines[i]);
    }
    if (config_.version[2].present && config_.version[2].text.empty()) {
        Report(config_.version[2].fileLine, "the kit key is empty");
    }
    if (CheckNumber(config_.version[3], 1, "codeplug type") &&
        (config_.codeplugType < 1 || config_.codeplugType > kLastCodeplugType)) {
        Report(config_.version[3].fileLine, "codeplug type %u is none of 1, 2 and 3", config_.codeplugType);
    }
}

void KitLinter::CheckProductLine() {
    if (config_.productLineBlocks == 0) {
        Report(0, "there is no PRODUCT_LINE block: the program takes the kit for NO_LINE and refuses it");
        return;
    }
    const std::string name = config_.productLine.fields.empty() ? "" : config_.productLine.fields[0];
    const std::int32_t id = ProductLine::IdOf(name);
    if (id == ProductLine::kNoLine) {
        Report(
            config_.productLine.fileLine, "product line \"%s\" is %s: the program refuses the kit",
            name.c_str(),
            name == ProductLine::kNames[ProductLine::kNoLine] ? "NO_LINE" : "not in the product-line table");
    }
}

void KitLinter::CheckBlockCounts() {
    const std::size_t groups = config_.groups.size();
    if (groups == 0)
        Report(0, "there is no RADIO_GROUP_REGION block: no radio can be verified");
    for (std::size_t i = 0; i < KitConfig::kBlockNames.size(); ++i) {
        const std::string_view name = KitConfig::kBlockNames[i];
        const std::uint32_t count = config_.blockCounts[i];
        const bool single = name == KitConfig::kVersionTag || name == FileManager::kProductLineBlock;
        if (single && count > 1) {
            Report(0, "%s occurs %u times; only the first is read", std::string(name).c_str(), count);
        } else if (!single && name != KitConfig::kPatcherDataBlock && count != groups) {
            Report(0, "%s occurs %u times for %u radio groups", std::string(name).c_str(), count,
                   static_cast<unsigned>(groups));
        }
    }
}

void KitLinter::CheckCount(const KitConfig::CountedLines& counted, const char* what) {
    const std::uint32_t present = static_cast<std::uint32_t>(counted.lines.size()) -
                                  (!counted.lines.empty() && !counted.lines.back().present ? 1 : 0);
    std::uint32_t inBlock = present;
    for (std::uint32_t i = 0; i < present; ++i) {
        if (KitConfig::IsBlockHeader(counted.lines[i].text)) {
            inBlock = i;
            break;
        }
    }
    if (inBlock < counted.count) {
        Report(counted.countLine.fileLine, "the count of %s is %u, but the block holds %u", what,
               counted.count, inBlock);
    } else if (counted.surplus > 0) {
        Report(counted.surplusLine, "the count of %s is %u, but %u more lines follow it", what, counted.count,
               counted.surplus);
    }
}

bool KitLinter::CheckNumber(const KitConfig::Line& line, std::uint32_t f, const char* what,
                            std::uint64_t limit) {
    if (!line.present)
        return false;
    if (f > line.fields.size()) {
        Report(line.fileLine, "field %u (%s) is missing", f, what);
        return false;
    }
    const std::string& text = line.fields[f - 1];
    if (!HexDigits::IsUpperHex(text)) {
        Report(line.fileLine, "field %u (%s) \"%s\" holds characters other than 0-9 and A-F", f, what,
               text.c_str());
    } else if (text.size() % 2 != 0) {
        Report(line.fileLine, "field %u (%s) \"%s\" has an odd number of digits; the last is ignored", f,
               what, text.c_str());
    } else if (text.size() > kMaxNumberDigits) {
        Report(line.fileLine, "field %u (%s) \"%s\" has more than 8 digits; only the last 8 count", f, what,
               text.c_str());
    } else {
        std::uint64_t value = 0;
        for (const char c : text)
            value = value << 4 | *HexDigits::Strict(c);
        if (value > limit) {
            Report(line.fileLine, "field %u (%s) is 0x%llX, over its limit 0x%llX", f, what,
                   static_cast<unsigned long long>(value), static_cast<unsigned long long>(limit));
        }
    }
    return true;
}

void KitLinter::CheckGroup(std::uint32_t g, const KitConfig::RadioGroup& group) {
    CheckRegion(g, group);
    CheckVerification(group);
    CheckModels(group);
    CheckMatching(group);
    CheckPatchData(g, group);
}

void KitLinter::CheckRegion(std::uint32_t g, const KitConfig::RadioGroup& group) {
    for (std::size_t rate = 0; rate < group.bootFiles.size(); ++rate) {
        const KitConfig::Line& line = group.bootFiles[rate];
        const std::string name = line.fields.empty() ? "" : line.fields[0];
        if (name.empty()) {
            Report(line.fileLine, "radio group %u names no boot-code file for %u Bd", g,
                   KitConfig::kFlashRates[rate]);
        } else {
            images_.Check(name, ImageLinter::Role::kBootCode);
        }
    }
    CheckNumber(group.identities.countLine, 1, "number of radio identities");
    CheckCount(group.identities, "radio identities");
    for (const KitConfig::Line& identity : group.identities.lines) {
        if (!identity.present || KitConfig::IsBlockHeader(identity.text))
            break;
        const std::string& text = identity.fields[0];
        if (text.size() > FileManager::kMaxByteStringLength) {
            Report(
                identity.fileLine, "the radio identity has %u characters; the program refuses more than %u",
                static_cast<unsigned>(text.size()), static_cast<unsigned>(FileManager::kMaxByteStringLength));
        } else if (text.size() != 2 * kIdentityBytes || !HexDigits::IsUpperHex(text)) {
            Report(identity.fileLine, "a radio identity is 32 hex digits (0-9, A-F), not \"%s\"",
                   text.c_str());
        }
    }
}

void KitLinter::CheckVerification(const KitConfig::RadioGroup& group) {
    if (!group.hasVerification)
        return;
    CheckNumber(group.verification.countLine, 1, "number of verification entries");
    CheckCount(group.verification, "verification entries");
    std::set<std::string> finishedCodes;
    std::string runCode;
    for (const KitConfig::Line& entry : group.verification.lines) {
        if (!entry.present || KitConfig::IsBlockHeader(entry.text))
            break;
        CheckVerificationEntry(entry);
        const std::string code = entry.fields[0];
        if (code != runCode) {
            if (finishedCodes.count(code) != 0) {
                Report(entry.fileLine,
                       "status code %s is requested again: entries of one code must stand together",
                       code.c_str());
            }
            finishedCodes.insert(runCode);
            runCode = code;
        }
    }
}

void KitLinter::CheckVerificationEntry(const KitConfig::Line& line) {
    static constexpr const char* kFields[] = {"status code", "field 2", "value encoding", "field 4",
                                              "compare length"};
    for (std::uint32_t f = 1; f <= 5; ++f)
        CheckNumber(line, f, kFields[f - 1], f == 5 ? kStatusReplyBytes : kByteLimit);
    if (line.fields.size() < KitConfig::kVerificationFieldCount) {
        Report(line.fileLine, "a verification entry has 6 fields, this one %u",
               static_cast<unsigned>(line.fields.size()));
        return;
    }
    const std::string& value = line.fields[5];
    if (value.starts_with("*"))
        return;
    const bool hex = line.fields[2] == kHexEncoding;
    if (hex && !HexDigits::IsUpperHex(value)) {
        Report(line.fileLine, "the expected value \"%s\" is to be hex digits (encoding 01)", value.c_str());
    }
    const std::size_t valueBytes = hex ? (value.size() + 1) / 2 : value.size();
    if (valueBytes > kMaxExpectedValueBytes) {
        Report(line.fileLine, "the expected value has %u bytes; the program refuses more than %u",
               static_cast<unsigned>(valueBytes), kMaxExpectedValueBytes);
    }
    std::uint32_t compare = 0;
    for (const std::uint8_t byte : HexDigits::LenientPairs(line.fields[4]))
        compare = compare << 8 | byte;
    if (compare > valueBytes) {
        Report(line.fileLine, "the entry compares %u bytes, but its value has %u", compare,
               static_cast<unsigned>(valueBytes));
    }
}

void KitLinter::CheckModels(const KitConfig::RadioGroup& group) {
    if (!group.hasModels)
        return;
    CheckNumber(group.models.countLine, 1, "number of model sets");
    CheckNumber(group.entriesPerSetLine, 1, "model entries per set");
    CheckCount(group.models, "model entries");
    for (const KitConfig::Line& entry : group.models.lines) {
        if (!entry.present || KitConfig::IsBlockHeader(entry.text))
            break;
        if (entry.fields.size() != KitConfig::kModelFieldCount) {
            Report(entry.fileLine, "a model entry has 8 fields, this one %u",
                   static_cast<unsigned>(entry.fields.size()));
        }
        if (entry.fields.size() >= 4 && entry.fields[3] != "00" &&
            (!IsDecimal(entry.fields[3]) || entry.fields[3].size() > 3 ||
             std::stoul(entry.fields[3]) > kMaxDecimalByte)) {
            Report(entry.fileLine, "field 4 \"%s\" is to be a decimal number from 0 to 255",
                   entry.fields[3].c_str());
        }
        if (entry.fields.size() >= 7 && entry.fields[6] != kNoCodeplugFile) {
            if (entry.fields[6].empty()) {
                Report(entry.fileLine, "the model entry names no codeplug file (\"#\" for none)");
            } else {
                images_.Check(entry.fields[6], ImageLinter::Role::kCodeplug);
            }
        }
    }
}

void KitLinter::CheckMatching(const KitConfig::RadioGroup& group) {
    if (!group.hasMatching)
        return;
    CheckNumber(group.matching.countLine, 1, "number of matching rows");
    CheckCount(group.matching, "matching rows");
    const std::size_t fields = 1 + KitConfig::kMatchingValuesPerModel * group.entriesPerSet;
    bool anyRow = false;
    for (const KitConfig::Line& row : group.matching.lines) {
        if (!row.present || KitConfig::IsBlockHeader(row.text))
            break;
        if (anyRow) {
            Report(row.fileLine, "this row follows the \"*\" row and is never used");
            continue;
        }
        anyRow = row.fields[0] == kAnyRelease;
        if (row.fields.size() != fields) {
            Report(row.fileLine, "a matching row has %u fields for %u model entries, this one %u",
                   static_cast<unsigned>(fields), group.entriesPerSet,
                   static_cast<unsigned>(row.fields.size()));
        }
        for (std::uint32_t f = 2; f <= row.fields.size(); ++f) {
            const bool mode = (f - 2) % KitConfig::kMatchingValuesPerModel == 2;
            CheckNumber(row, f, mode ? "codeplug mode" : "flag", mode ? kMaxCodeplugMode : kByteLimit);
        }
        for (std::uint32_t e = 0; e < group.entriesPerSet; ++e) {
            if (MatchingValue(row, e, 0) != 0 && MatchingValue(row, e, 1) != 0) {
                flashesFirmware_ = true;
            }
        }
    }
    if (!anyRow)
        Report(group.matching.countLine.fileLine, "the RADIO_MATCHING_BLOCK has no \"*\" row");
}

void KitLinter::CheckPatchData(std::uint32_t g, const KitConfig::RadioGroup& group) {
    std::set<std::uint32_t> patchedEntries;
    for (const KitConfig::Line& row : group.matching.lines) {
        if (!row.present || KitConfig::IsBlockHeader(row.text))
            break;
        for (std::uint32_t e = 0; e < group.entriesPerSet; ++e) {
            if (MatchingValue(row, e, 0) != 0 && MatchingValue(row, e, 3) != 0)
                patchedEntries.insert(e);
        }
    }
    if (!group.hasPatchData) {
        if (!patchedEntries.empty())
            Report(0, "radio group %u patches, but has no PATCHER_DATA_BLOCK", g);
        return;
    }
    for (std::uint32_t e = 0; e < group.entriesPerSet; ++e) {
        if (e < group.patchSections.size()) {
            CheckPatchSection(e, group.patchSections[e]);
        } else if (patchedEntries.count(e) != 0) {
            Report(0, "radio group %u has no patch section for model entry %u", g, e);
        }
    }
    if (group.patchSurplus > 0) {
        Report(group.patchSurplusLine,
               "%u patch records follow the sections of the %u model entries and are never used",
               group.patchSurplus, group.entriesPerSet);
    }
}

void KitLinter::CheckPatchSection(std::uint32_t e, const KitConfig::PatchLines& section) {
    static constexpr const char* kOperands[] = {"opcode",    "operand 1", "operand 2",
                                                "operand 3", "operand 4", "operand 5"};
    static constexpr std::uint64_t kLimits[] = {kByteLimit, kByteLimit, kByteLimit,
                                                kWordLimit, kByteLimit, kByteLimit};
    bool blockSelected = false;
    bool statusRequested = false;
    for (std::size_t i = 0; i < section.lines.size(); ++i) {
        const KitConfig::Line& line = section.lines[i];
        const PatchRecord& record = section.records[i];
        if (KitConfig::IsBlockHeader(line.text)) {
            Report(line.fileLine,
                   "the patch section of model entry %u runs into the next block: it has no 99 record", e);
            return;
        }
        if (line.fields.size() != 6) {
            Report(line.fileLine, "a patch record has 6 fields, this one %u",
                   static_cast<unsigned>(line.fields.size()));
        }
        for (std::uint32_t f = 1; f <= 6 && f <= line.fields.size(); ++f) {
            CheckNumber(line, f, kOperands[f - 1], kLimits[f - 1]);
        }
        switch (static_cast<PatchOpcode>(record.opcode)) {
            case PatchOpcode::kCheckRadioType:
                if (record.operand2 >= kPatchReplyBytes) {
                    Report(line.fileLine, "reply index %u lies outside the %u-byte status reply",
                           record.operand2, kPatchReplyBytes);
                }
                if (record.operand1 == kPreviousReply && !statusRequested) {
                    Report(line.fileLine,
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
                    Report(line.fileLine, "no SelectBlock (20) record comes before this record");
                break;
            case PatchOpcode::kEnd:
                break;
            default:
                Report(line.fileLine, "unknown patch opcode %X: the patcher stops there", record.opcode);
                break;
        }
    }
    if (!section.closed) {
        const std::uint32_t line = section.lines.empty() ? 0 : section.lines.back().fileLine;
        Report(line, "the patch section of model entry %u has no 99 record before the end of the data", e);
    }
}

void KitLinter::CheckFirmware() {
    for (const FirmwareFile& firmware : kFirmwareFiles) {
        images_.Check(firmware.name, ImageLinter::Role::kFirmware, firmware.flashBytes);
    }
}
