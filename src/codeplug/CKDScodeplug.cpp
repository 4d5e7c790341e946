#include "codeplug/CKDScodeplug.h"

#include <numeric>
#include <vector>

#include "errors/CErrorLog.h"
#include "errors/CGenError.h"
#include "files/SRecord.h"

void CKDScodeplug::SetExternalCodeplug(std::string_view text, std::string_view code) {
    externalText_ = text;
    code_ = {};
    for (std::size_t i = 0; i < code_.size() && i < code.size(); ++i)
        code_[i] = code[i];
}

std::uint32_t CKDScodeplug::ReadCpFile(SRecord& reader) {
    LoadImage(reader);
    const bool valid = InitRdkPtrs();
    SetPointersValid(valid);
    return valid ? 1 : 0;
}

std::uint32_t CKDScodeplug::GetBlockVector(std::uint16_t id) {
    if (id == kPlacedBlock)
        return OldPlace() ? kOldPlaceAddress : kNewPlaceAddress;
    if (id == kFirstSpecialBlock)
        return CCodeplug::GetBlockVector(id);
    return 0;
}

std::size_t CKDScodeplug::BlockSize(std::uint16_t id) const {
    if (id != kPlacedBlock)
        return 0;
    return OldPlace() ? kOldPlaceSize : kNewPlaceSize;
}

std::optional<std::size_t> CKDScodeplug::ReadCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = FindBlock(id, kReadFailedText);
    if (address == 0)
        return std::nullopt;
    return ReadBlockAt(buffer, id, address, BlockSize(id));
}

std::size_t CKDScodeplug::WriteCpBlock(std::span<std::uint8_t> buffer, std::uint16_t id) {
    const std::uint32_t address = FindBlock(id, kWriteFailedText);
    if (address == 0)
        RefuseMissingBlock(id);
    return WriteBlockAt(buffer, id, address, BlockSize(id), [id](std::span<std::uint8_t> block) {
        // Block 139's bytes sum to kBlockSum: its last byte makes up the difference.
        if (id != kPlacedBlock || block.empty())
            return;
        const auto others = static_cast<std::uint8_t>(std::accumulate(block.begin(), block.end() - 1, 0u));
        block.back() = static_cast<std::uint8_t>(kBlockSum - others);
    });
}

std::size_t CKDScodeplug::ReadCpField(std::span<std::uint8_t> field, std::span<const std::uint8_t> block,
                                      std::uint32_t /*list*/, std::uint32_t /*entry*/, std::uint32_t offset) {
    return CopyFieldOut(field, block, offset);
}

void CKDScodeplug::WriteCpField(std::span<const std::uint8_t> field, std::span<std::uint8_t> block,
                                std::uint32_t /*list*/, std::uint32_t /*entry*/, std::uint32_t offset) {
    CopyFieldIn(field, block, offset);
}

bool CKDScodeplug::InitRdkPtrs() {
    const std::optional<CodeplugPointers> pointers = ExternalPointers();
    if (pointers)
        SetPointers(*pointers);
    SetPointersValid(pointers.has_value());
    return pointers.has_value();
}

// The external codeplug's data: a = word at 0; c = a + (word at a) + 8; k = word at c + 1; m = byte at
// c + 3; the internal part ends at s = c + k * m + 5.
std::optional<CodeplugPointers> CKDScodeplug::ExternalPointers() const {
    SRecord reader;
    reader.AttachText(externalText_);
    std::vector<std::uint8_t> image(kExternalImageBytes);
    std::size_t n = 0;
    if (!reader.ReadAllData(image, n)) {
        ErrorLog().Log("CKDScodeplug::InitRdkPtrs: The external codeplug cannot be read");
        return std::nullopt;
    }
    const auto word = [&](std::uint64_t at) -> std::optional<std::uint64_t> {
        if (at + 2 > n)
            return std::nullopt;
        return std::uint64_t{image[at]} << 8 | image[at + 1];
    };
    const std::optional<std::uint64_t> a = word(0);
    const std::optional<std::uint64_t> aWord = a ? word(*a) : std::nullopt;
    const std::uint64_t c = a && aWord ? *a + *aWord + 8 : 0;
    const std::optional<std::uint64_t> k = aWord ? word(c + 1) : std::nullopt;
    if (!k || c + 3 >= n) {
        ErrorLog().Log("CKDScodeplug::InitRdkPtrs: The external codeplug's pointers lie beyond its data");
        return std::nullopt;
    }
    const std::uint64_t s = c + *k * image[c + 3] + 5;
    if (s > n) {
        ErrorLog().Log("CKDScodeplug::InitRdkPtrs: The external codeplug's pointers lie beyond its data");
        return std::nullopt;
    }
    CodeplugPointers pointers;
    pointers.boundary = static_cast<std::uint32_t>(s);
    pointers.region2Start = static_cast<std::uint32_t>(s);
    pointers.region2Length = static_cast<std::uint32_t>(n - s);
    pointers.codeplugEnd = static_cast<std::uint32_t>(n - 1);
    return pointers;
}
