#pragma once

#include <ostream>
#include <string>

#include "cli/CommandGroup.h"
#include "cli/RadioLink.h"
#include "platform/ComPortMap.h"

class CCorvidaDoc;
class CUpgradeForm;

// "identify": the upgrade form's verification and power-up check against the kit in --kit DIR, nothing
// written to the radio. The line is the command line's --port/--device (or their environment variables)
// and --echo/--no-echo, else the settings the desktop application keeps for that kit, with the bench's
// port overrides.
class UpgradeCommands : public CommandGroup {
public:
    UpgradeCommands(RadioLink& link, ComPortMap& ports, std::ostream& out)
        : link_(link), ports_(ports), out_(out) {}
    void Register(CLI::App& app, Command& chosen) override;

private:
    void Identify();
    // The kit's settings with the command line's port and echo in their place; not stored.
    void ApplyLine(CCorvidaDoc& document);
    void PrintRadio(const CUpgradeForm& form);

    RadioLink& link_;
    ComPortMap& ports_;
    std::ostream& out_;
    CLI::App* root_ = nullptr;
    std::string kit_;
    bool noEcho_ = false;
};
