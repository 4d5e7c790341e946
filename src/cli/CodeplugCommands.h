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

// "codeplug backup|show": the radio's whole codeplug, read through the codeplug layer's own broker
// (so with its time-outs) and ended without a reset. backup keeps it in a raw image file before an
// upgrade; show prints the same report as kittool's `codeplug show`.
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

    RadioLink& link_;
    std::ostream& out_;
    int type_ = CCodeplug::kAdkFormat;
    std::optional<std::filesystem::path> external_;
    std::string externalText_;
    // The KDS layout places block 139 by the radio's variant code and the mode.
    std::string variantCode_ = "00";
    int mode_ = 0;
    std::filesystem::path backupFile_;
};
