#include "KitLinter.h"

#include <set>

#include "PatchDataLinter.h"
#include "files/HexDigits.h"
#include "files/KitFileName.h"
#include "files/ProductLine.h"

namespace {

constexpr std::string_view kAnyRelease = "*";
constexpr std::string_view kNoCodeplugFile = "#";
constexpr std::string_view kHexEncoding = "01";  // verification field 3: the value is hex pairs
constexpr std::uint64_t kByteLimit = ConfigLineChecker::kByteLimit;
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

bool IsDecimal(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

KitLinter::KitLinter(KitFolder& kit) : kit_(kit), checker_(problems_), images_(kit, problems_) {}

std::vector<KitProblem> KitLinter::Run() {
    if (!kit_.HasConfig()) {
        problems_.Add(FileManager::kConfigFileName, 0, "the file is %s",
                      std::string(DescribeFailure(kit_.ConfigFailure())).c_str());
        return problems_.All();
    }
    config_ = KitConfig::Read(kit_.Config());
    CheckVersion();
    codeplugs_.emplace(kit_, problems_, checker_, static_cast<int>(config_.codeplugType));
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
        checker_.Report(1, "the first line is \"%s\", not the version tag \"%s\"", config_.firstLine.c_str(),
                        std::string(KitConfig::kVersionTag).c_str());
    }
    static constexpr const char* kVersionLines[] = {"title", "description", "kit key", "codeplug type"};
    for (std::size_t i = 0; i < config_.version.size(); ++i) {
        if (!config_.version[i].present)
            checker_.Report(0, "the version block has no %s line", kVersionLines[i]);
    }
    if (config_.version[2].present && config_.version[2].text.empty()) {
        checker_.Report(config_.version[2].fileLine, "the kit key is empty");
    }
    if (checker_.CheckNumber(config_.version[3], 1, "codeplug type") &&
        (config_.codeplugType < 1 || config_.codeplugType > kLastCodeplugType)) {
        checker_.Report(config_.version[3].fileLine, "codeplug type %u is none of 1, 2 and 3",
                        config_.codeplugType);
    }
}

void KitLinter::CheckProductLine() {
    if (config_.productLineBlocks == 0) {
        checker_.Report(
            0, "there is no PRODUCT_LINE block: the program takes the kit for NO_LINE and refuses it");
        return;
    }
    const std::string name = config_.productLine.fields.empty() ? "" : config_.productLine.fields[0];
    const std::int32_t id = ProductLine::IdOf(name);
    if (id == ProductLine::kNoLine) {
        checker_.Report(
            config_.productLine.fileLine, "product line \"%s\" is %s: the program refuses the kit",
            name.c_str(),
            name == ProductLine::kNames[ProductLine::kNoLine] ? "NO_LINE" : "not in the product-line table");
    }
}

void KitLinter::CheckBlockCounts() {
    const std::size_t groups = config_.groups.size();
    if (groups == 0)
        checker_.Report(0, "there is no RADIO_GROUP_REGION block: no radio can be verified");
    for (std::size_t i = 0; i < KitConfig::kBlockNames.size(); ++i) {
        const std::string_view name = KitConfig::kBlockNames[i];
        const std::uint32_t count = config_.blockCounts[i];
        const bool single = name == KitConfig::kVersionTag || name == FileManager::kProductLineBlock;
        if (single && count > 1) {
            checker_.Report(0, "%s occurs %u times; only the first is read", std::string(name).c_str(),
                            count);
        } else if (!single && name != KitConfig::kPatcherDataBlock && count != groups) {
            checker_.Report(0, "%s occurs %u times for %u radio groups", std::string(name).c_str(), count,
                            static_cast<unsigned>(groups));
        }
    }
}

void KitLinter::CheckGroup(std::uint32_t g, const KitConfig::RadioGroup& group) {
    CheckRegion(g, group);
    CheckVerification(group);
    CheckModels(group);
    CheckMatching(group);
    PatchDataLinter(checker_).Check(g, group);
    codeplugs_->Check(group);
}

void KitLinter::CheckRegion(std::uint32_t g, const KitConfig::RadioGroup& group) {
    for (std::size_t rate = 0; rate < group.bootFiles.size(); ++rate) {
        const KitConfig::Line& line = group.bootFiles[rate];
        const std::string name = line.fields.empty() ? "" : line.fields[0];
        if (name.empty()) {
            checker_.Report(line.fileLine, "radio group %u names no boot-code file for %u Bd", g,
                            KitConfig::kFlashRates[rate]);
        } else if (FileNameIsPlain(line, "boot-code", name)) {
            images_.Check(name, ImageLinter::Role::kBootCode);
        }
    }
    checker_.CheckNumber(group.identities.countLine, 1, "number of radio identities");
    checker_.CheckCount(group.identities, "radio identities");
    for (const KitConfig::Line& identity : group.identities.lines) {
        if (!identity.present || KitConfig::IsBlockHeader(identity.text))
            break;
        const std::string& text = identity.fields[0];
        if (text.size() > FileManager::kMaxByteStringLength) {
            checker_.Report(
                identity.fileLine, "the radio identity has %u characters; the program refuses more than %u",
                static_cast<unsigned>(text.size()), static_cast<unsigned>(FileManager::kMaxByteStringLength));
        } else if (text.size() != 2 * kIdentityBytes || !HexDigits::IsUpperHex(text)) {
            checker_.Report(identity.fileLine, "a radio identity is 32 hex digits (0-9, A-F), not \"%s\"",
                            text.c_str());
        }
    }
}

void KitLinter::CheckVerification(const KitConfig::RadioGroup& group) {
    if (!group.hasVerification)
        return;
    checker_.CheckNumber(group.verification.countLine, 1, "number of verification entries");
    checker_.CheckCount(group.verification, "verification entries");
    std::set<std::string> finishedCodes;
    std::string runCode;
    for (const KitConfig::Line& entry : group.verification.lines) {
        if (!entry.present || KitConfig::IsBlockHeader(entry.text))
            break;
        CheckVerificationEntry(entry);
        const std::string code = entry.fields[0];
        if (code != runCode) {
            if (finishedCodes.count(code) != 0) {
                checker_.Report(entry.fileLine,
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
        checker_.CheckNumber(line, f, kFields[f - 1], f == 5 ? kStatusReplyBytes : kByteLimit);
    if (line.fields.size() < KitConfig::kVerificationFieldCount) {
        checker_.Report(line.fileLine, "a verification entry has 6 fields, this one %u",
                        static_cast<unsigned>(line.fields.size()));
        return;
    }
    const std::string& value = line.fields[5];
    if (value.starts_with("*"))
        return;
    const bool hex = line.fields[2] == kHexEncoding;
    if (hex && !HexDigits::IsUpperHex(value)) {
        checker_.Report(line.fileLine, "the expected value \"%s\" is to be hex digits (encoding 01)",
                        value.c_str());
    }
    const std::size_t valueBytes = hex ? (value.size() + 1) / 2 : value.size();
    if (valueBytes > kMaxExpectedValueBytes) {
        checker_.Report(line.fileLine, "the expected value has %u bytes; the program refuses more than %u",
                        static_cast<unsigned>(valueBytes), kMaxExpectedValueBytes);
    }
    std::uint32_t compare = 0;
    for (const std::uint8_t byte : HexDigits::LenientPairs(line.fields[4]))
        compare = compare << 8 | byte;
    if (compare > valueBytes) {
        checker_.Report(line.fileLine, "the entry compares %u bytes, but its value has %u", compare,
                        static_cast<unsigned>(valueBytes));
    }
}

void KitLinter::CheckModels(const KitConfig::RadioGroup& group) {
    if (!group.hasModels)
        return;
    checker_.CheckNumber(group.models.countLine, 1, "number of model sets");
    checker_.CheckNumber(group.entriesPerSetLine, 1, "model entries per set");
    checker_.CheckCount(group.models, "model entries");
    for (const KitConfig::Line& entry : group.models.lines) {
        if (!entry.present || KitConfig::IsBlockHeader(entry.text))
            break;
        if (entry.fields.size() != KitConfig::kModelFieldCount) {
            checker_.Report(entry.fileLine, "a model entry has 8 fields, this one %u",
                            static_cast<unsigned>(entry.fields.size()));
        }
        if (entry.fields.size() >= 4 && entry.fields[3] != "00" &&
            (!IsDecimal(entry.fields[3]) || entry.fields[3].size() > 3 ||
             std::stoul(entry.fields[3]) > kMaxDecimalByte)) {
            checker_.Report(entry.fileLine, "field 4 \"%s\" is to be a decimal number from 0 to 255",
                            entry.fields[3].c_str());
        }
        if (entry.fields.size() >= 7 && entry.fields[6] != kNoCodeplugFile) {
            if (entry.fields[6].empty()) {
                checker_.Report(entry.fileLine, "the model entry names no codeplug file (\"#\" for none)");
            } else if (FileNameIsPlain(entry, "codeplug", entry.fields[6])) {
                images_.Check(entry.fields[6], ImageLinter::Role::kCodeplug);
            }
        }
    }
}

void KitLinter::CheckMatching(const KitConfig::RadioGroup& group) {
    if (!group.hasMatching)
        return;
    checker_.CheckNumber(group.matching.countLine, 1, "number of matching rows");
    checker_.CheckCount(group.matching, "matching rows");
    const std::size_t fields = 1 + KitConfig::kMatchingValuesPerModel * group.entriesPerSet;
    bool anyRow = false;
    for (const KitConfig::Line& row : group.matching.lines) {
        if (!row.present || KitConfig::IsBlockHeader(row.text))
            break;
        if (anyRow) {
            checker_.Report(row.fileLine, "this row follows the \"*\" row and is never used");
            continue;
        }
        anyRow = row.fields[0] == kAnyRelease;
        if (row.fields.size() != fields) {
            checker_.Report(row.fileLine, "a matching row has %u fields for %u model entries, this one %u",
                            static_cast<unsigned>(fields), group.entriesPerSet,
                            static_cast<unsigned>(row.fields.size()));
        }
        for (std::uint32_t f = 2; f <= row.fields.size(); ++f) {
            const bool mode = (f - 2) % KitConfig::kMatchingValuesPerModel == 2;
            checker_.CheckNumber(row, f, mode ? "codeplug mode" : "flag",
                                 mode ? kMaxCodeplugMode : kByteLimit);
        }
        for (std::uint32_t e = 0; e < KitConfig::ModelsInRow(row, group.entriesPerSet); ++e) {
            if (KitConfig::MatchingValue(row, e, KitConfig::kUpgrade) != 0 &&
                KitConfig::MatchingValue(row, e, KitConfig::kFlash) != 0) {
                flashesFirmware_ = true;
            }
        }
    }
    if (!anyRow)
        checker_.Report(group.matching.countLine.fileLine, "the RADIO_MATCHING_BLOCK has no \"*\" row");
}

bool KitLinter::FileNameIsPlain(const KitConfig::Line& line, const char* role, const std::string& name) {
    const std::optional<std::string_view> fault = KitFileNameFault(name);
    if (fault) {
        checker_.Report(line.fileLine,
                        "the %s file name \"%s\" %s: the program refuses names that are not "
                        "one plain name in the kit folder",
                        role, name.c_str(), std::string(*fault).c_str());
    }
    return !fault;
}

void KitLinter::CheckFirmware() {
    for (const FirmwareFile& firmware : kFirmwareFiles) {
        images_.Check(firmware.name, ImageLinter::Role::kFirmware, firmware.flashBytes);
    }
}
