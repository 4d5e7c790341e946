#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandGroup.h"
#include "cli/ConsoleUpgradeView.h"
#include "cli/RadioLink.h"
#include "platform/ComPortMap.h"

class CCorvidaDoc;
class ConsoleMessageBox;
class CUpgradeForm;
struct ProgramOutcome;

// "program": the Program button on the kit in --kit DIR, with the console as the operator; "identify":
// its verification and power-up check only, nothing written to the radio. Both answer every question
// themselves under --yes. The line is the command
// line's --port/--device (or their environment variables) and --echo/--no-echo, else the settings the
// desktop application keeps for that kit, with the bench's port overrides.
//
// "program" with several lines runs a lane for each (LaneSupervisor): this program again with
// --lane-protocol and one line, which speaks the lane protocol (LaneProtocol) on its standard streams.
class UpgradeCommands : public CommandGroup {
public:
    // `progress` takes the progress display and status texts (standard error); `in` the answers of a
    // lane's questions.
    UpgradeCommands(RadioLink& link, ComPortMap& ports, ConsoleMessageBox& console, std::istream& in,
                    std::ostream& out, std::ostream& progress)
        : link_(link), ports_(ports), console_(console), in_(in), out_(out), progress_(progress) {}
    void Register(CLI::App& app, Command& chosen) override;

    // The error log's file under --log for the command line read: cvErrlog.txt, a lane's own
    // cvErrlog-<line>.txt, or none ("") where program supervises several lanes and talks to no radio.
    std::string ErrorLogName() const;
    // A line made a file name: every byte but [A-Za-z0-9._-] as '_', leading dots and underscores off.
    static std::string FileSafe(const std::string& line);

private:
    void AddKitOptions(CLI::App* command);
    void Identify();
    void Program();
    // One radio with the console as the operator; throws when it was not upgraded.
    void ProgramOnTheConsole();
    // One radio as a lane: every step an event, the outcome the last.
    void ProgramAsLane();
    // Runs the press on the form; the text of the failure, none when the radio was upgraded.
    std::optional<std::string> Press(ConsoleUpgradeView& view, ProgramOutcome& outcome);
    // Several radios at once, a lane each; throws naming the lanes that did not succeed.
    void ProgramLanes();
    std::vector<std::string> LaneArguments() const;
    // The form on the kit, started; throws when the kit cannot be used.
    void StartForm(CUpgradeForm& form, const ConsoleUpgradeView& view);
    // The kit's settings with the command line's port and echo in their place; not stored.
    void ApplyLine(CCorvidaDoc& document);
    void PrintRadio(const CUpgradeForm& form);

    RadioLink& link_;
    ComPortMap& ports_;
    ConsoleMessageBox& console_;
    std::istream& in_;
    std::ostream& out_;
    std::ostream& progress_;
    CLI::App* root_ = nullptr;
    CLI::App* program_ = nullptr;
    bool laneProtocol_ = false;
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
