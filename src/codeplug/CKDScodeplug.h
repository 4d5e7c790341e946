#pragma once

#include <array>
#include <string_view>

#include "codeplug/CCodeplug.h"

// The KDS layout: two known blocks, 139 (whose place and size depend on the mode and the radio's
// variant code) and the tuning block 0x8000 (found through the standard header word). Its pointers
// describe the kit's external codeplug text, not the radio. Fields are plain byte offsets in a block
// buffer; block 139's checksum is recomputed on every write.
class CKDScodeplug : public CCodeplug {
public:
    static constexpr std::uint16_t kPlacedBlock = 139;
    static constexpr std::uint32_t kOldPlaceAddress = 523;
    static constexpr std::uint32_t kNewPlaceAddress = 651;
    static constexpr std::size_t kOldPlaceSize = 70;
    static constexpr std::size_t kNewPlaceSize = 72;
    static constexpr int kOldPlaceMode = 1;
    static constexpr char kOldPlaceCode = '1';  // the variant code's second character
    static constexpr std::uint8_t kBlockSum = 0x5A;
    static constexpr std::size_t kExternalImageBytes = 10000;

    using CCodeplug::WriteCpField;

    void SetCpMode(int mode) override { mode_ = mode; }
    // Keeps `text` (which must outlive every InitRdkPtrs) and copies the code's two characters.
    void SetExternalCodeplug(std::string_view text, std::string_view code) override;
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

private:
    bool OldPlace() const { return mode_ == kOldPlaceMode && code_[1] == kOldPlaceCode; }
    std::size_t BlockSize(std::uint16_t id) const;
    std::optional<CodeplugPointers> ExternalPointers() const;

    int mode_ = 0;
    std::string_view externalText_;
    std::array<char, 2> code_{};
};
