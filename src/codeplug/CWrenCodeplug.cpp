#include "codeplug/CWrenCodeplug.h"

#include <array>

#include "codeplug/WrenBlockRules.h"
#include "codeplug/WrenPointerTable.h"
#include "errors/CErrorLog.h"
#include "errors/CGenError.h"

std::uint32_t CWrenCodeplug::ReadCpFile(SRecord& reader) {
    LoadImage(reader);
    const bool valid = InitRdkPtrs();
    SetPointersValid(valid);
    return valid ? 1 : 0;
}

std::uint32_t CWrenCodeplug::GetBlockVector(std::uint16_t id) {
    return Resolve(id, 0);
}

std::uint32_t CWrenCodeplug::Resolve(std::uint16_t id, std::size_t depth) {
    if (id == WrenPointerTable::kRootBlock)
        return WrenPointerTable::kRootAddress;
    if (const auto cached = addressCache_.find(id); cached != addressCache_.end())
        return cached->second;
    const std::optional<WrenPointerTable::Pointer> pointer = WrenPointerTable::Find(id);
    // The table's chains end at block 48 or a fixed address; the depth bound only guards the table.
    if (!pointer || depth > WrenPointerTable::All().size())
        return 0;
    std::uint32_t location = pointer->offset;
    if (pointer->base != WrenPointerTable::kFixedLocation) {
        const std::uint32_t base = Resolve(pointer->base, depth + 1);
        if (base == 0)
            return 0;
        location += base;
    }
    std::array<std::uint8_t, 2> word{};
    ReadCpAddress(word, location);
    const auto address = static_cast<std::uint16_t>(word[0] << 8 | word[1]);
    addressCache_[id] = address;
    return address;
}

std::size_t CWrenCodeplug::CheckedBlockSize(std::uint16_t id, std::uint32_t address) {
    const WrenBlockRules::Group group = WrenBlockRules::GroupOf(id);
    std::array<std::uint8_t, WrenBlockRules::kMaxHeaderBytes> header{};
    const std::span<std::uint8_t> bytes = std::span(header).first(WrenBlockRules::HeaderBytes(group));
    ReadCpAddress(bytes, address);
    if (WrenBlockRules::TypeByte(group, bytes) != id)
        throw CGenError(3, "%s", kUnexpectedTypeText);
    return WrenBlockRules::BlockSize(group, bytes);
}

std::optional<std::size_t> CWrenCodeplug::ReadCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = GetBlockVector(id);
    if (address == 0)
        return std::nullopt;
    return ReadBlockAt(buffer, id, address, CheckedBlockSize(id, address));
}

std::size_t CWrenCodeplug::WriteCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = GetBlockVector(id);
    if (address == 0)
        RefuseMissingBlock(id);
    return WriteBlockAt(buffer, id, address, CheckedBlockSize(id, address),
                        [id](std::span<std::uint8_t> block) {
                            WrenBlockRules::StoreChecksum(WrenBlockRules::GroupOf(id), block);
                        });
}

std::optional<std::size_t> CWrenCodeplug::BlockBytes(std::uint16_t id) {
    const std::uint32_t address = GetBlockVector(id);
    if (address == 0)
        return std::nullopt;
    return CheckedBlockSize(id, address);
}

std::size_t CWrenCodeplug::WriteSavedBlock(std::span<std::uint8_t> block, std::uint16_t id) {
    const std::uint32_t address = GetBlockVector(id);
    if (address == 0)
        RefuseMissingBlock(id);
    const std::size_t room = CheckedBlockSize(id, address);
    const WrenBlockRules::Group group = WrenBlockRules::GroupOf(id);
    const std::size_t headerBytes = WrenBlockRules::HeaderBytes(group);
    if (block.size() < headerBytes || WrenBlockRules::TypeByte(group, block.first(headerBytes)) != id ||
        WrenBlockRules::BlockSize(group, block.first(headerBytes)) != block.size())
        throw CGenError(3, "%s", kUnexpectedTypeText);
    if (block.size() > room) {
        ErrorLog().Log("CWrenCodeplug::WriteSavedBlock: Block %d of %u bytes has only %u bytes in the codeplug",
                       id, static_cast<unsigned>(block.size()), static_cast<unsigned>(room));
        throw CGenError(3, "Block %d does not fit the codeplug", id);
    }
    return WriteBlockAt(block, id, address, block.size(), [group](std::span<std::uint8_t> whole) {
        WrenBlockRules::StoreChecksum(group, whole);
    });
}

std::size_t CWrenCodeplug::ReadCpField(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                       std::uint32_t /*list*/, std::uint32_t /*entry*/,
                                       std::uint32_t offset) {
    return CopyFieldOut(field, block, offset);
}

void CWrenCodeplug::WriteCpField(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                                 std::uint32_t /*list*/, std::uint32_t /*entry*/, std::uint32_t offset) {
    CopyFieldIn(field, block, offset);
}

bool CWrenCodeplug::InitRdkPtrs() {
    // New pointers mean a codeplug that may have been rewritten since the addresses were cached.
    addressCache_.clear();
    CodeplugPointers pointers;
    pointers.boundary = kRegionBoundary;
    pointers.region3Start = kRegionBoundary;
    try {
        std::array<std::uint8_t, 2> word{};
        ReadCpAddress(word, kLengthWordAddress);
        pointers.region3Length = static_cast<std::uint32_t>(word[0] << 8 | word[1]);
        pointers.codeplugEnd = kRegionBoundary + pointers.region3Length;
        ReadCpAddress(word, kVersionWordAddress);
        pointers.headerWord9 = static_cast<std::uint16_t>((word[0] << 8 | word[1]) - kVersionBias);
    } catch (const CError& error) {
        ErrorLog().Log("%s", error.GetText());
        SetPointersValid(false);
        return false;
    }
    SetPointers(pointers);
    SetPointersValid(true);
    return true;
}
