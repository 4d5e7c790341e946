#pragma once

#include <array>
#include <optional>

#include "engine/CodeplugProgrammer.h"

class CWrenCodeplug;

// The Wren layout, and any layout without a programmer of its own: the serial number in block 0x30,
// the tuning fields of block 0x14 and the whole block 0x10. Radios that need them first get the
// FAR_VARNO raw copies. Block 0x10 goes back whole with its own size, so the kit's block 0x10 must be
// at least as long as the radio's; that and the blocks the fields go into are checked before anything
// in the radio changes.
class WrenCodeplugProgrammer : public CodeplugProgrammer {
public:
    static constexpr std::uint16_t kSerialBlock = 0x30;
    static constexpr std::uint32_t kSerialOffset = 4;
    static constexpr std::uint32_t kSerialBytes = 10;
    static constexpr std::uint16_t kTuningFieldsBlock = 0x14;
    static constexpr std::uint16_t kTuningBlock = 0x10;
    static constexpr std::size_t kTuningBlockBytes = 1000;
    struct Field {
        std::uint32_t offset;
        std::uint32_t length;
    };
    static constexpr std::array<Field, 3> kTuningFields = {{{7, 97}, {457, 1}, {459, 1}}};

    // The raw copies: a byte and seven bytes moved within the radio's memory.
    struct RawCopy {
        unsigned from;
        unsigned to;
        std::size_t length;
    };
    static constexpr std::array<RawCopy, 2> kRawCopies = {{{326, 324, 1}, {303, 310, 7}}};

    static constexpr const char* kSerialReadLine =
        "CRadioUpgrade::DoProgCp: Error while reading radio serial number data";
    static constexpr const char* kSerialRestoreLine =
        "CRadioUpgrade::DoProgCp: Error while restoring radio serial number data";

    using CodeplugProgrammer::CodeplugProgrammer;

protected:
    void CheckBeforeChanging(const RadioSavedData& saved) override;
    void Prepare() override;
    void Save(RadioSavedData& saved) override;
    void PutBack(const RadioSavedData& saved) override;
    const char* ChunkFailureLine() const override { return "CRadioUpgrade::DoProgCp: Programming Codeplug"; }

private:
    std::vector<std::uint8_t> ReadBlock(std::uint16_t id, std::size_t bufferBytes);
    // The length of the kit's block `id` where the chunk write puts it into the radio; none when the
    // radio keeps its own. Raises when the kit has no such block.
    std::optional<std::size_t> KitBlockBytes(CWrenCodeplug& kit, std::uint16_t id);
    // Refuses a kit block the restore could not read into its buffer or put `fieldsEnd` bytes into.
    void CheckKitBlockHolds(CWrenCodeplug& kit, std::uint16_t id, std::size_t fieldsEnd);
    void CheckTuningBlockFits(CWrenCodeplug& kit, const RadioSavedData& saved);
    // The codeplug object as the Wren layout, or null for another type that shares this programmer.
    CWrenCodeplug* Wren(CCodeplug& codeplug) const;
};
