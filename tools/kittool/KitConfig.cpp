#include "KitConfig.h"

#include <algorithm>

namespace KitConfig {
namespace {

Line ReadLineOf(const FileManager& config, std::uint32_t n) {
    Line line;
    line.present = config.HasLine(n);
    if (!line.present)
        return line;
    line.text = config.ReadLine(n);
    line.fields = SplitFields(line.text);
    line.fileLine = config.TextLineNumber(n);
    return line;
}

// Counts the lines from `first` on that would belong to no item: non-empty lines up to the next header.
std::uint32_t SurplusFrom(const FileManager& config, std::uint32_t first, std::uint32_t& firstSurplusLine) {
    std::uint32_t surplus = 0;
    for (std::uint32_t n = first; config.HasLine(n); ++n) {
        const std::string text = config.ReadLine(n);
        if (IsBlockHeader(text))
            break;
        if (text.empty())
            continue;
        if (surplus++ == 0)
            firstSurplusLine = config.TextLineNumber(n);
    }
    return surplus;
}

CountedLines ReadCounted(const FileManager& config, std::uint32_t countLine, std::uint32_t firstLine,
                         std::uint32_t count) {
    CountedLines counted;
    counted.countLine = ReadLineOf(config, countLine);
    counted.count = count;
    // Lines past the block's end are no items of it: stop at the next header or the end of the data.
    for (std::uint32_t i = 0; i < count; ++i) {
        counted.lines.push_back(ReadLineOf(config, firstLine + i));
        const Line& line = counted.lines.back();
        if (!line.present || IsBlockHeader(line.text))
            break;
    }
    const bool complete =
        counted.lines.size() == count &&
        (count == 0 || (counted.lines.back().present && !IsBlockHeader(counted.lines.back().text)));
    if (complete)
        counted.surplus = SurplusFrom(config, firstLine + count, counted.surplusLine);
    return counted;
}

void ReadRegion(FileManager& config, std::uint32_t g, RadioGroup& group) {
    config.FindBlock(kRadioGroupBlock, g);
    group.name = ReadLineOf(config, 1);
    for (std::size_t rate = 0; rate < group.bootFiles.size(); ++rate) {
        group.bootFiles[rate] = ReadLineOf(config, static_cast<std::uint32_t>(kFirstBootFileLine + rate));
    }
    group.identities = ReadCounted(config, kFirstIdentityLine - 1, kFirstIdentityLine,
                                   config.ReadNumber(kFirstIdentityLine - 1, 1));
}

void ReadVerification(FileManager& config, std::uint32_t g, RadioGroup& group) {
    group.hasVerification = config.FindBlock(kVerificationBlock, g);
    if (group.hasVerification)
        group.verification = ReadCounted(config, 1, 2, config.ReadNumber(1, 1));
}

void ReadModels(FileManager& config, std::uint32_t g, RadioGroup& group) {
    group.hasModels = config.FindBlock(kModelMatchingBlock, g);
    if (!group.hasModels)
        return;
    group.setCount = config.ReadNumber(1, 1);
    group.entriesPerSet = config.ReadNumber(2, 1);
    group.entriesPerSetLine = ReadLineOf(config, 2);
    const std::uint64_t entries = std::uint64_t{group.setCount} * group.entriesPerSet;
    group.models =
        ReadCounted(config, 1, 3, static_cast<std::uint32_t>(std::min<std::uint64_t>(entries, UINT32_MAX)));
}

void ReadMatching(FileManager& config, std::uint32_t g, RadioGroup& group) {
    group.hasMatching = config.FindBlock(kRadioMatchingBlock, g);
    if (group.hasMatching)
        group.matching = ReadCounted(config, 1, 2, config.ReadNumber(1, 1));
}

// The sections one after the other in a single walk; LoadPatchSection gives each the same records.
void ReadPatchData(FileManager& config, std::uint32_t g, RadioGroup& group) {
    group.hasPatchData = config.FindBlock(kPatcherDataBlock, g);
    if (!group.hasPatchData)
        return;
    constexpr auto kEnd = static_cast<std::uint32_t>(PatchOpcode::kEnd);
    std::uint32_t line = 1;
    for (std::uint32_t e = 0; e < group.entriesPerSet && config.HasLine(line); ++e) {
        PatchLines section;
        for (; config.HasLine(line) && !section.closed; ++line) {
            section.records.push_back(ReadPatchRecord(config, line));
            section.lines.push_back(ReadLineOf(config, line));
            section.closed = section.records.back().opcode == kEnd;
        }
        group.patchSections.push_back(std::move(section));
    }
    group.patchSurplus = SurplusFrom(config, line, group.patchSurplusLine);
}

}  // namespace

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.emplace_back(line.substr(0, comma));
        if (comma == std::string_view::npos)
            return fields;
        line.remove_prefix(comma + 1);
    }
}

std::uint32_t ModelsInRow(const Line& row, std::uint32_t entriesPerSet) {
    const std::size_t values = row.fields.empty() ? 0 : row.fields.size() - 1;
    const std::size_t models = (values + kMatchingValuesPerModel - 1) / kMatchingValuesPerModel;
    return static_cast<std::uint32_t>(std::min<std::size_t>(models, entriesPerSet));
}

std::uint32_t MatchingValue(const Line& row, std::uint32_t e, MatchingValueIndex k) {
    const std::size_t f = 1 + kMatchingValuesPerModel * e + k;
    return f < row.fields.size() ? FileManager::DecodeNumber(row.fields[f]) : 0;
}

bool IsBlockHeader(std::string_view line) {
    return std::find(kBlockNames.begin(), kBlockNames.end(), line) != kBlockNames.end();
}

Kit Read(FileManager& config) {
    Kit kit;
    kit.firstLine = config.ReadFirstLine();
    for (std::size_t i = 0; i < kBlockNames.size(); ++i)
        kit.blockCounts[i] = config.CountBlocks(kBlockNames[i]);

    if (config.FindBlock(kVersionTag)) {
        for (std::uint32_t n = 1; n <= kit.version.size(); ++n)
            kit.version[n - 1] = ReadLineOf(config, n);
        kit.codeplugType = config.ReadNumber(4, 1);
    }
    kit.productLineBlocks = config.CountBlocks(FileManager::kProductLineBlock);
    if (config.FindBlock(FileManager::kProductLineBlock))
        kit.productLine = ReadLineOf(config, 1);

    const std::uint32_t groupCount = config.CountBlocks(kRadioGroupBlock);
    for (std::uint32_t g = 1; g <= groupCount; ++g) {
        RadioGroup group;
        ReadRegion(config, g, group);
        ReadVerification(config, g, group);
        ReadModels(config, g, group);
        ReadMatching(config, g, group);
        ReadPatchData(config, g, group);
        kit.groups.push_back(std::move(group));
    }
    return kit;
}

}  // namespace KitConfig
