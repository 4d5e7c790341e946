#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FileManager;

// What the radio told about itself for model matching, each text cut at its first blank.
struct RadioModelData {
    std::string modelText;                    // status 0
    std::optional<std::string> codeplugCode;  // read from the codeplug only for the fixed identities
    std::string status11Text;
    std::uint8_t status14Byte1 = 0;  // byte 1 of the status 14 reply
    std::uint8_t status16Byte = 0;
};

// One model entry of a MODEL_MATCHING_BLOCK: eight text fields, field 4 also as a byte.
struct ModelEntry {
    std::string modelText;
    std::string codeplugCode;
    std::string status11Text;
    std::string status16Text;
    std::string status14Flag;
    std::string modelCode;
    std::string codeplugFile;
    std::string note;
    std::uint8_t status16Byte = 0;  // field 4 read as a decimal number, low byte kept
    std::uint32_t line = 0;         // in the block, for messages

    static constexpr const char* kNoCodeplugFile = "#";
    // `checksStatus14` for the product lines whose entries test byte 1 of status 14 (KDS, FAR_VARNO).
    bool Fits(const RadioModelData& radio, bool checksStatus14) const;
};

// The MODEL_MATCHING_BLOCK of a radio group: S sets of E model entries each.
class ModelMatchingBlock {
public:
    static constexpr const char* kBlock = "MODEL_MATCHING_BLOCK";

    ModelMatchingBlock(FileManager& config, std::uint32_t group) : config_(config), group_(group) {}

    // E, the model entries per set.
    std::uint32_t EntriesPerSet();
    // Every entry, set after set; a missing entry line is a kit error.
    std::vector<ModelEntry> ReadEntries();
    // Raises a kit error when the entry's codeplug file name would leave the kit folder.
    void CheckCodeplugFileName(const ModelEntry& entry);

private:
    static constexpr std::uint32_t kSetCountLine = 1;
    static constexpr std::uint32_t kEntriesPerSetLine = 2;
    static constexpr std::uint32_t kFirstEntryLine = 3;

    ModelEntry ReadEntry(std::uint32_t line) const;

    FileManager& config_;
    std::uint32_t group_;
};
