#pragma once

#include <array>

#include "engine/CodeplugProgrammer.h"

// The KDS layout keeps tuning only: the tuning entry (block 0x8000) and three fields of block 0x8B,
// which is read where the KDS codeplug's mode 1 places it. Radios whose variant code has "1" as its
// second character moved their tuning fields: the saved entry is migrated into the new one instead of
// being written back as it was. No pointer check follows the chunk write, so the saved entry and the
// kit's tuning entry are checked against each other before it.
class KdsCodeplugProgrammer : public CodeplugProgrammer {
public:
    static constexpr std::size_t kImageBytes = 16384;
    static constexpr std::uint16_t kTuningBlock = 0x8000;
    static constexpr std::uint16_t kPlacedBlock = 0x8B;
    static constexpr std::size_t kPlacedBlockBytes = 72;
    static constexpr int kSaveMode = 1;
    static constexpr char kMovedTuningCode = '1';  // the variant code's second character

    // A field copied from the old tuning entry to the new one.
    struct Move {
        std::uint32_t from;
        std::uint32_t to;
        std::uint32_t length;
    };
    static constexpr std::array<Move, 5> kTuningMoves = {
        {{1, 1, 40}, {41, 47, 2}, {43, 50, 1}, {44, 49, 1}, {45, 51, 47}}};
    // Fields of block 0x8B: offset and length.
    struct Field {
        std::uint32_t offset;
        std::uint32_t length;
    };
    static constexpr std::array<Field, 3> kPlacedFields = {{{4, 10}, {64, 5}, {59, 1}}};

    using CodeplugProgrammer::CodeplugProgrammer;

protected:
    void Prepare() override;
    void CheckBeforeWriting(const RadioSavedData& saved) override;
    void Save(RadioSavedData& saved) override;
    void PutBack(const RadioSavedData& saved) override;
    std::size_t ImageBytes() const override { return kImageBytes; }
    bool ChecksWrittenCodeplug() const override { return false; }
    const char* ChunkFailureLine() const override {
        return "CRadioUpgrade::DoProgCp: Programming internal region of the codeplug";
    }

private:
    bool TuningMoved() const;
    std::vector<std::uint8_t> MigratedTuning(const std::vector<std::uint8_t>& old);
    std::vector<std::uint8_t> ReadPlacedBlock();
};
