#pragma once

#include <map>

#include "codeplug/CCodeplug.h"

// The Wren layout: block addresses come from a pointer table (WrenPointerTable) and are cached until
// InitRdkPtrs derives the pointers again (programming rewrites the codeplug, then restores blocks
// through the same object); each block starts with its size and a type byte equal to its id, and ends
// with a checksum by its group's rule (WrenBlockRules), recomputed on every block write. Fields are
// plain byte offsets in a block buffer.
class CWrenCodeplug : public CCodeplug {
public:
    static constexpr std::uint32_t kRegionBoundary = 0x300;
    static constexpr std::uint32_t kLengthWordAddress = 38;
    static constexpr std::uint32_t kVersionWordAddress = 2;
    static constexpr std::uint16_t kVersionBias = 16;
    static constexpr const char* kUnexpectedTypeText = "Unexpected Block Type";

    using CCodeplug::WriteCpField;

    std::uint32_t ReadCpFile(SRecord& reader) override;
    std::optional<std::size_t> ReadCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) override;
    std::size_t ReadCpField(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                            std::uint32_t list, std::uint32_t entry, std::uint32_t offset) override;
    std::size_t WriteCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) override;
    void WriteCpField(std::span<const std::uint8_t> field, std::span<std::uint8_t> block, std::uint32_t list,
                      std::uint32_t entry, std::uint32_t offset) override;
    std::uint32_t GetBlockVector(std::uint16_t id) override;
    bool InitRdkPtrs() override;
    bool ParseBlockHeader(std::span<const std::uint8_t> /*buffer*/) override { return true; }

    // The length of block `id` as its header gives it (its type byte checked), or none when the
    // codeplug has no such block. Reads only the header.
    std::optional<std::size_t> BlockBytes(std::uint16_t id);
    // Writes `block`, a whole block of `id` as a radio held it, with the size its own header gives, into
    // the place of the codeplug's block `id`, which must be at least as long. Where the codeplug's block
    // is longer its remaining bytes stay as they are. Raises "Unexpected Block Type" when `block` is no
    // whole block of `id`, and refuses a place too short.
    std::size_t WriteSavedBlock(std::span<std::uint8_t> block, std::uint16_t id);

private:
    std::uint32_t Resolve(std::uint16_t id, std::size_t depth);
    // The block's length from its header; raises "Unexpected Block Type" when its type byte is not its id.
    std::size_t CheckedBlockSize(std::uint16_t id, std::uint32_t address);

    std::map<std::uint16_t, std::uint16_t> addressCache_;
};
