#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/FlashSettings.h"
#include "files/KitFile.h"

class FileManager;
class UpgradeView;

// The flash-rate dialog ("Configuration") and the boot code it loads: the operator picks the flash rate
// through the view, and the boot-code file of the radio group for the rate in effect is read from the
// kit folder, deciphered with the kit key, checked as the download would send it and kept in the flash
// settings.
class FlashDialog {
public:
    static constexpr std::array<unsigned, 3> kRates = {19200, 38400, 115200};
    // The boot-code file must fit the form's buffer of this size.
    static constexpr std::size_t kBootCodeBufferBytes = kMaxBootCodeFileBytes;

    enum class Outcome { Loaded, BootCodeMissing, BootCodeTooLarge, BootCodeCorrupt, BootCodeNameRefused };

    FlashDialog(FlashSettings& settings, FileManager& config, std::uint32_t group, std::string kitKey,
                std::filesystem::path workingDirectory);

    // Shows the dialog; true when it was confirmed. A dialog closed without OK keeps the rate in effect,
    // 19,200 Bd (the preselected rate) before any choice, so a flash never runs without a rate.
    static bool AskRate(FlashSettings& settings, UpgradeView& view);
    // Loads the group's boot code for the rate in effect. Every outcome but Loaded has been shown to the
    // operator (BootCodeMissing as the box that ends the program, BootCodeNameRefused as a name that would
    // leave the kit folder); the settings are then unchanged.
    Outcome LoadBootCode();

    // The radio button preselected for a flash rate: 2 for 115200, 1 for 38400, else 0.
    static unsigned RateChoice(std::optional<unsigned> flashRate);

private:
    std::optional<std::string> ReadBootCode(unsigned rateChoice, Outcome& failure) const;
    bool NameIsPlain(unsigned rateChoice, const std::string& name) const;

    FlashSettings& settings_;
    FileManager& config_;
    std::uint32_t group_;
    std::string kitKey_;
    std::filesystem::path workingDirectory_;
};
