#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileManager.h"
#include "files/PatchSection.h"

// The configuration of a kit as the program would read it, block by block, with the file line of
// every item, so that kittool can print it and check it. Values are read through FileManager exactly
// as the program reads them; the raw texts stay beside them for the checks.
namespace KitConfig {

inline constexpr std::string_view kVersionTag = "PATCH-D01.01.07";
inline constexpr std::string_view kRadioGroupBlock = "RADIO_GROUP_REGION";
inline constexpr std::string_view kVerificationBlock = "VERIFICATION_BLOCK";
inline constexpr std::string_view kModelMatchingBlock = "MODEL_MATCHING_BLOCK";
inline constexpr std::string_view kRadioMatchingBlock = "RADIO_MATCHING_BLOCK";
inline constexpr std::string_view kPatcherDataBlock = "PATCHER_DATA_BLOCK";
inline constexpr std::array<std::string_view, 7> kBlockNames = {
    kVersionTag,
    kRadioGroupBlock,
    kVerificationBlock,
    kModelMatchingBlock,
    kRadioMatchingBlock,
    kPatcherDataBlock,
    FileManager::kProductLineBlock,
};
inline constexpr std::array<unsigned, 3> kFlashRates = {19200, 38400, 115200};
inline constexpr std::uint32_t kFirstBootFileLine = 2;  // then one line per flash rate
inline constexpr std::uint32_t kFirstIdentityLine = 6;
inline constexpr std::uint32_t kModelFieldCount = 8;
inline constexpr std::uint32_t kVerificationFieldCount = 6;
inline constexpr std::uint32_t kMatchingValuesPerModel = 4;

// One line of a block: its text, its fields, and where it stands.
struct Line {
    std::string text;
    std::vector<std::string> fields;
    std::uint32_t fileLine = 0;  // 0 when the block or the data ended before it
    bool present = false;
};

// A count and the lines it announces, up to and including a block header or a line past the data
// that cuts them short. `surplus` counts the non-empty lines between the announced ones and the next
// block header (or the end of the data), which the program never reads.
struct CountedLines {
    Line countLine;
    std::uint32_t count = 0;
    std::vector<Line> lines;
    std::uint32_t surplus = 0;
    std::uint32_t surplusLine = 0;
};

struct PatchLines {
    std::vector<Line> lines;
    std::vector<PatchRecord> records;
    bool closed = false;
};

struct RadioGroup {
    Line name;
    std::array<Line, 3> bootFiles;  // by flash rate, as kFlashRates
    CountedLines identities;
    bool hasVerification = false;
    CountedLines verification;
    bool hasModels = false;
    Line entriesPerSetLine;
    std::uint32_t setCount = 0;
    std::uint32_t entriesPerSet = 0;
    CountedLines models;  // set after set
    bool hasMatching = false;
    CountedLines matching;
    bool hasPatchData = false;
    std::vector<PatchLines> patchSections;  // one per model entry index
    std::uint32_t patchSurplus = 0;
    std::uint32_t patchSurplusLine = 0;
};

struct Kit {
    std::string firstLine;
    std::array<Line, 4> version;  // title, description, kit key, codeplug type
    std::uint32_t codeplugType = 0;
    Line productLine;
    std::uint32_t productLineBlocks = 0;
    std::vector<RadioGroup> groups;
    std::array<std::uint32_t, kBlockNames.size()> blockCounts{};
};

Kit Read(FileManager& config);

// The four values of a matching row for each model entry, in field order.
enum MatchingValueIndex : std::uint32_t { kUpgrade = 0, kFlash = 1, kCodeplugMode = 2, kPatch = 3 };

// Value k of a matching row for model entry e, read as the program reads numbers; 0 when the row has
// no such field.
std::uint32_t MatchingValue(const Line& row, std::uint32_t e, MatchingValueIndex k);

// The model entries a matching row holds values for, at most `entriesPerSet`: loops over a row's
// entries stay within its fields whatever count the kit announces.
std::uint32_t ModelsInRow(const Line& row, std::uint32_t entriesPerSet);

// The fields of a line, split at every comma.
std::vector<std::string> SplitFields(std::string_view line);

bool IsBlockHeader(std::string_view line);

}  // namespace KitConfig
