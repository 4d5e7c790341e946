#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "BuiltCodeplug.h"

// The demo kit's codeplugs (standard layout) and the codeplugs of simulated demo radios. The kit's
// images carry generic alignment values and serial number; a simulated radio gets its own through
// DemoRadioData, so a test can tell whether programming kept them.
//
// Where the data that codeplug programming preserves lie:
//   tuning:           block 0x8000 (region 1), entry 0 of list 0, kTuningBytes bytes, entry checksum
//   serial number:    block 0 (region 2), entry 0, bytes 0 .. 10, covered by region 2's checksum
//   regional id:      block 0, entry 0, byte 81
//   codeplug code:    block 1, its 16-byte entry at address 709, blank-padded (read by verification)
namespace DemoCodeplugs {

inline constexpr std::uint16_t kTuningBlock = 0x8000;
inline constexpr std::uint16_t kFactoryBlock = 0x8001;
inline constexpr std::uint16_t kBandLimitsBlock = 0x8002;
inline constexpr std::uint16_t kIdentityBlock = 0;
inline constexpr std::uint16_t kCodeplugCodeBlock = 1;
inline constexpr std::uint16_t kSettingsBlock = 2;
inline constexpr std::uint16_t kChannelsBlock = 0x10;
inline constexpr std::uint16_t kButtonsBlock = 0x20;
inline constexpr std::uint16_t kScanListsBlock = 0x2C;
inline constexpr std::uint16_t kSignallingBlock = 0x31;
inline constexpr std::uint16_t kBlockCount = 0x32;

inline constexpr std::uint32_t kTuningBytes = 96;
inline constexpr std::uint32_t kIdentityBytes = 96;
inline constexpr std::uint32_t kSerialNumberBytes = 11;
inline constexpr std::uint32_t kRegionalIdOffset = 81;
inline constexpr std::uint32_t kCodeplugCodeAddress = 709;
inline constexpr std::uint32_t kCodeplugCodeBytes = 16;

struct Model {
    const char* name;          // as kittool and the simulated radio name it
    const char* file;          // the demo kit's file
    const char* codeplugCode;  // at kCodeplugCodeAddress
    std::uint8_t regionalId;
    bool mobile;    // KX-600: VHF, signalling lists; else KX-400: UHF, scan lists
    int scanLists;  // lists in the scan-list block
};

// What belongs to one radio rather than to its model.
struct DemoRadioData {
    std::string serialNumber = "00000000000";  // up to 11 characters, padded with blanks
    std::optional<std::uint8_t> regionalId;    // the model's when none
    std::uint32_t tuningSeed = 0;              // 0: the kit's nominal alignment values
};

std::span<const Model> Models();
// Throws std::invalid_argument for a model that is not in Models().
const Model& Find(std::string_view name);
BuiltCodeplug Build(const Model& model, const DemoRadioData& radio = {});

}  // namespace DemoCodeplugs
