#include "workflow/ModelMatchingBlock.h"

#include <cstdlib>

#include "files/FileManager.h"
#include "files/KitFileName.h"
#include "workflow/KitSyntaxError.h"

namespace {

constexpr const char* kAnyCodeplugCode = "000000000";
constexpr const char* kAnyStatus11Text = "0000000000";
constexpr const char* kAnyStatus16 = "00";
constexpr const char* kStatus14FlagSet = "01";
constexpr std::uint8_t kStatus14Marker = 0xFE;

std::uint8_t DecimalByte(const std::string& text) {
    return static_cast<std::uint8_t>(std::strtoul(text.c_str(), nullptr, 10));
}

}  // namespace

bool ModelEntry::Fits(const RadioModelData& radio, bool checksStatus14) const {
    if (radio.modelText.find(modelText) == std::string::npos)
        return false;
    if (radio.codeplugCode && codeplugCode != *radio.codeplugCode && codeplugCode != kAnyCodeplugCode)
        return false;
    if (status11Text != radio.status11Text && status11Text != kAnyStatus11Text)
        return false;
    if (status16Byte != radio.status16Byte && status16Text != kAnyStatus16)
        return false;
    if (checksStatus14) {
        const bool wantsMarker = status14Flag == kStatus14FlagSet;
        if (wantsMarker != (radio.status14Byte1 == kStatus14Marker))
            return false;
    }
    return true;
}

std::uint32_t ModelMatchingBlock::EntriesPerSet() {
    config_.FindBlock(kBlock, group_);
    return config_.ReadNumber(kEntriesPerSetLine, 1);
}

std::vector<ModelEntry> ModelMatchingBlock::ReadEntries() {
    config_.FindBlock(kBlock, group_);
    const std::uint64_t count =
        std::uint64_t{config_.ReadNumber(kSetCountLine, 1)} * config_.ReadNumber(kEntriesPerSetLine, 1);
    std::vector<ModelEntry> entries;
    for (std::uint64_t index = 0; index < count; ++index) {
        const auto line = static_cast<std::uint32_t>(kFirstEntryLine + index);
        if (index > UINT32_MAX - kFirstEntryLine || !config_.HasLine(line))
            RaiseKitSyntaxError(config_, kBlock, line, "model entry missing");
        entries.push_back(ReadEntry(line));
    }
    return entries;
}

ModelEntry ModelMatchingBlock::ReadEntry(std::uint32_t line) const {
    ModelEntry entry;
    std::string* const fields[] = {&entry.modelText,    &entry.codeplugCode, &entry.status11Text,
                                   &entry.status16Text, &entry.status14Flag, &entry.modelCode,
                                   &entry.codeplugFile, &entry.note};
    std::uint32_t field = 1;
    for (std::string* text : fields)
        *text = config_.ReadField(line, field++);
    entry.status16Byte = DecimalByte(entry.status16Text);
    entry.line = line;
    return entry;
}

void ModelMatchingBlock::CheckCodeplugFileName(const ModelEntry& entry) {
    const std::optional<std::string_view> fault = KitFileNameFault(entry.codeplugFile);
    if (!fault)
        return;
    config_.FindBlock(kBlock, group_);
    RaiseKitSyntaxError(config_, kBlock, entry.line,
                        "codeplug file name \"" + entry.codeplugFile + "\" " + std::string(*fault));
}
