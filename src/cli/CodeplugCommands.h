#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandGroup.h"
#include "cli/RadioLink.h"
#include "codeplug/CCodeplug.h"

// "codeplug backup|show|restore": backup and show read the radio's whole codeplug through the codeplug
// layer's own broker (so with its time-outs), ended without a reset; backup keeps it in a raw image file
// before an upgrade, show prints the same report as kittool's `codeplug show`. restore puts the radio's
// own data from a backup file that codeplug programming wrote back into the radio, through the same
// restore steps, for a radio left with the kit's generic values by a crash or power cut. It refuses a
// radio other than the one the file names (identity and serial text), unless forced, and marks the
// file restored once its data went back into their own radio.
class CodeplugCommands : public CommandGroup {
public:
    static constexpr std::size_t kVariantCodeChars = 2;

    CodeplugCommands(RadioLink& link, std::ostream& out) : link_(link), out_(out) {}

    void Register(CLI::App& app, Command& chosen) override;

private:
    void AddLayoutOptions(CLI::App& command);
    // The codeplug object for the chosen layout, given the KDS layout's external codeplug.
    std::unique_ptr<CCodeplug> MakeForLayout();
    std::vector<std::uint8_t> ReadRadio();
    void Backup();
    void Show();
    void Restore();
    void ReadExternal();

    RadioLink& link_;
    std::ostream& out_;
    int type_ = CCodeplug::kAdkFormat;
    std::optional<std::filesystem::path> external_;
    std::string externalText_;
    // The KDS layout places block 139 by the radio's variant code and the mode.
    std::string variantCode_ = "00";
    int mode_ = 0;
    std::filesystem::path backupFile_;
    std::filesystem::path restoreFile_;
    bool force_ = false;
};
