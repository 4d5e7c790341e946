#pragma once

#include "engine/CodeplugProgrammer.h"

// The standard layout: the tuning entry (block 0x8000) saved and written back whole; the serial number
// (bytes 0 to 10) and the regional id (byte 81) of block 0's first entry put into the new entry.
class StandardCodeplugProgrammer : public CodeplugProgrammer {
public:
    static constexpr std::uint16_t kTuningBlock = 0x8000;
    static constexpr std::uint16_t kIdentityBlock = 0;
    static constexpr std::uint32_t kSerialNumberBytes = 11;
    static constexpr std::uint32_t kRegionalIdOffset = 81;
    static constexpr const char* kSerialLine =
        "CRadioUpgrade::DoProgCp: Error while reading radio serial number and regional id data";

    using CodeplugProgrammer::CodeplugProgrammer;

protected:
    void CheckBeforeWriting(const RadioSavedData& saved) override;
    void Save(RadioSavedData& saved) override;
    void PutBack(const RadioSavedData& saved) override;
    const char* ChunkFailureLine() const override { return "CRadioUpgrade::DoProgCp: Programming Codeplug"; }

private:
    // Block 0's first entry; raises when it is too short to hold the regional id.
    std::vector<std::uint8_t> ReadIdentityEntry();
    // The length of the kit's first entry of `block`.
    std::size_t KitEntryBytes(std::uint16_t block);
};
