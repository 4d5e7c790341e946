#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/CommandGroup.h"
#include "cli/ConsoleUpgradeView.h"
#include "cli/RadioLink.h"
#include "platform/ComPortMap.h"

class CCorvidaDoc;
class ConsoleMessageBox;
class CUpgradeForm;

// "program": the Program button on the kit in --kit DIR, with the console as the operator; "identify":
// its verification and power-up check only, nothing written to the radio. Both answer every question
// themselves under --yes. The line is the command
// line's --port/--device (or their environment variables) and --echo/--no-echo, else the settings the
// desktop application keeps for that kit, with the bench's port overrides.
class UpgradeCommands : public CommandGroup {
public:
    // `progress` takes the progress display and status texts (standard error).
    UpgradeCommands(RadioLink& link, ComPortMap& ports, ConsoleMessageBox& console, std::ostream& out,
                    std::ostream& progress)
        : link_(link), ports_(ports), console_(console), out_(out), progress_(progress) {}
    void Register(CLI::App& app, Command& chosen) override;

private:
    void AddKitOptions(CLI::App* command);
    void Identify();
    void Program();
    // The form on the kit, started; throws when the kit cannot be used.
    void StartForm(CUpgradeForm& form, const ConsoleUpgradeView& view);
    // The kit's settings with the command line's port and echo in their place; not stored.
    void ApplyLine(CCorvidaDoc& document);
    void PrintRadio(const CUpgradeForm& form);

    RadioLink& link_;
    ComPortMap& ports_;
    ConsoleMessageBox& console_;
    std::ostream& out_;
    std::ostream& progress_;
    CLI::App* root_ = nullptr;
    std::string kit_;
    bool noEcho_ = false;
    std::optional<unsigned> rate_;
    bool yes_ = false;
    int retries_ = kDefaultRetries;
    unsigned bootstrapWaitSeconds_ = kDefaultBootstrapWaitSeconds;

    static constexpr int kDefaultRetries = 2;
    static constexpr unsigned kDefaultBootstrapWaitSeconds = 60;
    static constexpr unsigned kMaxBootstrapWaitSeconds = 3600;
    static constexpr unsigned kMsPerSecond = 1000;
};
