#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

class FileManager;

// The RADIO_GROUP_REGION blocks of the configuration: each radio group's boot-code file names and the
// 16-byte identities of its radios. Groups are numbered from 1 in file order.
class RadioGroupRegion {
public:
    static constexpr const char* kBlock = "RADIO_GROUP_REGION";
    static constexpr std::size_t kIdentityBytes = 16;
    // The work area an identity field is decoded into; a longer field is a kit error.
    static constexpr std::size_t kIdentityBufferBytes = 100;
    using IdentityBuffer = std::array<std::uint8_t, kIdentityBufferBytes>;

    explicit RadioGroupRegion(FileManager& config) : config_(config) {}

    // The first group, in file order, that lists `identity`; the decoded identity stays in `matched`.
    std::optional<std::uint32_t> FindGroup(std::span<const std::uint8_t, kIdentityBytes> identity,
                                           IdentityBuffer& matched);
    // A first boot-code file name beginning with "t" or "T" in the file's first group marks a test kit.
    bool IsTestKit();
    // The boot-code file of `group` for the flash-rate choice (0 = 19,200, 1 = 38,400, 2 = 115,200 Bd).
    std::string BootCodeFileName(std::uint32_t group, unsigned rateChoice);
    // The line of the current block that holds the boot-code file name for the flash-rate choice.
    static std::uint32_t BootCodeLine(unsigned rateChoice) { return kFirstBootCodeLine + rateChoice; }

private:
    static constexpr std::uint32_t kFirstBootCodeLine = 2;
    static constexpr std::uint32_t kIdentityCountLine = 5;
    static constexpr std::uint32_t kFirstIdentityLine = 6;

    FileManager& config_;
};
