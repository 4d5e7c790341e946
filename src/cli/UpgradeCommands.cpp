#include "cli/UpgradeCommands.h"

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "app/CCorvidaDoc.h"
#include "app/ProductLineLookup.h"
#include "cli/ConsoleMessageBox.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsoleUpgradeView.h"
#include "cli/LaneChannel.h"
#include "cli/LaneMessageBox.h"
#include "cli/LaneProgress.h"
#include "cli/LaneSupervisor.h"
#include "cli/LaneTable.h"
#include "cli/LaneUpgradeView.h"
#include "errors/ByteText.h"
#include "errors/CError.h"
#include "errors/CwFileLog.h"
#include "errors/TextFormat.h"
#include "workflow/CUpgradeForm.h"
#include "workflow/UpgradeRecord.h"

namespace {

bool Given(const CLI::App* app, const char* option) {
    return app->get_option(option)->count() > 0;
}

std::string Value(const CLI::App* app, const char* option) {
    const CLI::Option* given = app->get_option(option);
    return given->count() > 0 ? given->as<std::string>() : std::string();
}

bool Cancelled(const ProgramOutcome& outcome) {
    return outcome.end == ProgramOutcome::End::Cancelled || outcome.finalStatus == UpgradeStatus::Cancelled;
}

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

constexpr int kLaneFailed = 1;
constexpr int kLaneUsageError = 2;

// A codeplug file is named only where the kit would write it into this radio.
bool CodeplugProgrammed(const VerifiedRadio& radio) {
    return radio.options.upgradePermitted && radio.options.codeplugMode != 0 && radio.codeplugText;
}

}  // namespace

void UpgradeCommands::Register(CLI::App& app, Command& chosen) {
    root_ = &app;
    CLI::App* identify = app.add_subcommand(
        "identify", "Verify the radio against a kit and show what an upgrade would do; nothing is written");
    AddKitOptions(identify);
    identify->add_flag("--yes", yes_, "Answer every question OK without asking");
    OnChosen(identify, chosen, [this] { Identify(); });

    CLI::App* program = program_ = app.add_subcommand(
        "program",
        "Upgrade the radio with a kit, as the Program button does; exit status 0 when it succeeded");
    AddKitOptions(program);
    program->add_option("--rate", rate_, "The flash rate, answering the flash-rate dialog")
        ->type_name("19200|38400|115200")
        ->check(CLI::IsMember({19200u, 38400u, 115200u}));
    program->add_flag(
        "--yes", yes_,
        "Answer every question OK without asking; a failed attempt is retried at most --retries "
        "times, then cancelled. The bootstrap-mode instructions are printed, and the radio's loader is "
        "listened for while the radio is put in bootstrap mode (see --bootstrap-wait)");
    program->add_option("--retries", retries_, "With --yes: how many retries to accept (default 2)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    program
        ->add_option("--bootstrap-wait", bootstrapWaitSeconds_,
                     "With --yes: how long to listen for the radio's loader after the bootstrap-mode "
                     "instructions, in seconds (default 60)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0u, kMaxBootstrapWaitSeconds));
    program->add_flag("--lane-protocol", laneProtocol_,
                      "Speak the lane protocol (JSON lines) on the standard streams, as a lane of several "
                      "radios does; see the README");
    OnChosen(program, chosen, [this] { Program(); });
}

void UpgradeCommands::AddKitOptions(CLI::App* command) {
    command->add_option("--kit", kit_, "The kit's folder, which holds patcher.dat")
        ->type_name("DIR")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->add_flag("--no-echo", noEcho_, "The line runs without the ZUB interface box");
}

void UpgradeCommands::ApplyLine(CCorvidaDoc& document) {
    if (Given(root_, "--echo") && noEcho_)
        throw CLI::ValidationError("--no-echo", "--echo and --no-echo exclude each other");
    document.SetEchoSettingName("--echo/--no-echo");
    if (Given(root_, "--port") || Given(root_, "--device") || Set(RadioLink::kPortVariable) ||
        Set(RadioLink::kDeviceVariable)) {
        const unsigned port = link_.Port();
        document.SetPort(static_cast<int>(port));
        if (port == RadioLink::kDevicePort)
            document.SetDevicePath(ports_.PathFor(port));
    }
    if (Given(root_, "--echo") || noEcho_)
        document.SetEcho(noEcho_ ? 0 : 1);
}

void UpgradeCommands::StartForm(CUpgradeForm& form, const ConsoleUpgradeView& view) {
    form.FormStart();
    if (!form.ConfigurationLoaded() || view.QuitStatus())
        throw std::runtime_error("the kit cannot be used");
}

void UpgradeCommands::Identify() {
    CCorvidaDoc document(kit_);
    ApplyLine(document);
    ConsoleUpgradeView view(out_, std::nullopt);
    if (yes_)
        console_.AnswerForTheOperator(retries_);
    CUpgradeForm form(document, view, LookUpProductLine(kit_));
    StartForm(form, view);
    if (!form.VerifyRadio())
        throw std::runtime_error("the radio may not be programmed with this kit");
    PrintRadio(form);
    if (!form.Radio().options.upgradePermitted)
        throw std::runtime_error("the kit permits no upgrade of this radio");
    if (!form.PowerUpCheckPasses())
        throw std::runtime_error("the radio may not be programmed");
    out_ << "The radio may be programmed with this kit.\n";
}

void UpgradeCommands::PrintRadio(const CUpgradeForm& form) {
    const VerifiedRadio& radio = form.Radio();
    const UpgradeOptions& options = radio.options;
    out_ << "identity    " << ByteText::Hex(radio.identity, "") << '\n'
         << "release     " << ByteText::Escaped(radio.release) << '\n'
         << "serial      " << ByteText::Escaped(radio.serialText) << '\n'
         << "group       " << radio.group << '\n'
         << "model entry " << radio.modelIndex << '\n'
         << "model code  " << ByteText::Escaped(options.modelCode) << '\n'
         << "codeplug    " << (CodeplugProgrammed(radio) ? ByteText::Escaped(radio.codeplugFile) : "none")
         << '\n'
         << "operations  "
         << (options.upgradePermitted ? UpgradeRecord::Operations(options.flashFirmware, options.codeplugMode,
                                                                  options.patchCodeplug)
                                      : "upgrade not permitted")
         << '\n';
}

void UpgradeCommands::Program() {
    if (link_.Lines().size() > 1)
        ProgramLanes();
    else if (laneProtocol_)
        ProgramAsLane();
    else
        ProgramOnTheConsole();
}

void UpgradeCommands::ProgramOnTheConsole() {
    ConsoleUpgradeView view(out_, rate_);
    ConsoleProgress progress(progress_, ConsoleProgress::ErrorIsTerminal());
    if (yes_)
        console_.AnswerForTheOperator(retries_);
    ProgramOutcome outcome;
    if (const std::optional<std::string> failure = Press(view, outcome))
        throw std::runtime_error(*failure);
}

void UpgradeCommands::ProgramAsLane() {
    // A lane whose supervisor has gone goes on to a safe end instead of dying mid-flash on its closed
    // output: its events are lost, and the end of its input answers the next question Cancel.
    std::signal(SIGPIPE, SIG_IGN);
    LaneChannel channel(in_, out_);
    LaneMessageBox box(channel, console_.ErrorExplainer());
    LaneProgress progress(channel);
    LaneUpgradeView view(channel, progress_, rate_);
    if (yes_)
        box.AnswerForTheOperator(retries_);
    const auto sendOutcome = [&channel](const char* result, const std::string& text, int exit) {
        LaneProtocol::Event outcome;
        outcome.kind = LaneProtocol::Event::Kind::Outcome;
        outcome.result = result;
        outcome.text = text;
        outcome.exit = exit;
        channel.Send(outcome);
    };
    ProgramOutcome outcome;
    std::optional<std::string> failure;
    try {
        failure = Press(view, outcome);
    } catch (const CError& error) {
        sendOutcome("failed", error.GetText(), kLaneFailed);
        throw;
    } catch (const CLI::ParseError& error) {
        sendOutcome("failed", error.what(), kLaneUsageError);
        throw;
    } catch (const std::exception& error) {
        sendOutcome("failed", error.what(), kLaneFailed);
        throw;
    }
    if (!failure) {
        sendOutcome("success", outcome.finalText, 0);
        return;
    }
    const std::string text = outcome.finalText.empty() ? *failure : *failure + ": " + outcome.finalText;
    sendOutcome(Cancelled(outcome) ? "cancelled" : "failed", text, kLaneFailed);
    throw std::runtime_error(*failure);
}

std::optional<std::string> UpgradeCommands::Press(ConsoleUpgradeView& view, ProgramOutcome& outcome) {
    CCorvidaDoc document(kit_);
    ApplyLine(document);
    // Nobody is at the radio before the instructions are answered: it is put in bootstrap mode now.
    if (yes_)
        document.SetBootstrapWaitMs(bootstrapWaitSeconds_ * kMsPerSecond);
    CUpgradeForm form(document, view, LookUpProductLine(kit_));
    StartForm(form, view);
    form.OnProgram();
    outcome = form.LastOutcome();
    if (outcome.Succeeded())
        return std::nullopt;
    if (view.QuitStatus())
        return "the kit's boot code is missing; the desktop application would end here";
    switch (outcome.end) {
        case ProgramOutcome::End::NotPermitted:
            return "the kit permits no upgrade of this radio";
        case ProgramOutcome::End::Cancelled:
            return "cancelled before anything was sent to the radio";
        case ProgramOutcome::End::KitFileRefused:
            return "a kit file failed its check";  // the box has named it
        case ProgramOutcome::End::EngineRan:
            return FormatText("the upgrade did not succeed after %d attempt%s", outcome.attempts,
                              outcome.attempts == 1 ? "" : "s");
        case ProgramOutcome::End::NotStarted:
        case ProgramOutcome::End::PortUnavailable:
            break;
    }
    return "the radio was not programmed";
}

void UpgradeCommands::ProgramLanes() {
    if (laneProtocol_)
        throw CLI::ValidationError("--lane-protocol", "a lane takes one line to a radio");
    const std::vector<std::string> lines = link_.Lines();
    const std::vector<std::vector<std::string>> lineArguments = link_.LineArguments();
    std::set<std::string> names;
    std::vector<LaneSupervisor::Lane> lanes;
    for (std::size_t lane = 0; lane < lines.size(); ++lane) {
        // Two lanes on one line would fight over it; their log files would be one.
        if (!names.insert(FileSafe(lines[lane])).second)
            throw CLI::ValidationError("--device", "two lanes would share the line " + lines[lane]);
        std::vector<std::string> arguments = lineArguments[lane];
        for (std::string& argument : LaneArguments())
            arguments.push_back(std::move(argument));
        lanes.push_back({lines[lane], std::move(arguments)});
    }
    LaneConsole console(progress_, ConsoleProgress::ErrorIsTerminal());
    OperatorInput input(in_);
    LaneSupervisor supervisor(std::filesystem::read_symlink("/proc/self/exe").string(), lanes, console, input,
                              yes_);
    const std::vector<LaneState>& states = supervisor.Run();
    for (const std::string& row : LaneTable::Summary(states, LaneState::Clock::now()))
        out_ << row << '\n';
    std::string failed;
    for (const LaneState& state : states) {
        if (state.result == LaneState::Result::Succeeded)
            continue;
        failed += (failed.empty() ? "" : ", ") + state.line;
        if (!state.errorTail.empty())
            progress_ << "[" << state.line << "] its last lines of standard error:\n";
        for (const std::string& line : state.errorTail)
            progress_ << "[" << state.line << "]   " << line << '\n';
    }
    if (!failed.empty())
        throw std::runtime_error("lanes that did not succeed: " + failed);
}

std::vector<std::string> UpgradeCommands::LaneArguments() const {
    std::vector<std::string> arguments;
    if (const std::string folder = Value(root_, "--log"); !folder.empty())
        arguments.insert(arguments.end(), {"--log", std::filesystem::absolute(folder).string()});
    if (root_->get_option("--verbose")->count() > 0)
        arguments.push_back("--verbose");
    if (Given(root_, "--echo"))
        arguments.push_back("--echo");
    arguments.insert(arguments.end(),
                     {"program", "--lane-protocol", "--kit", std::filesystem::absolute(kit_).string()});
    if (noEcho_)
        arguments.push_back("--no-echo");
    if (rate_)
        arguments.insert(arguments.end(), {"--rate", std::to_string(*rate_)});
    if (yes_) {
        arguments.insert(arguments.end(), {"--yes", "--retries", std::to_string(retries_), "--bootstrap-wait",
                                           std::to_string(bootstrapWaitSeconds_)});
    }
    return arguments;
}

std::string UpgradeCommands::ErrorLogName() const {
    const bool programChosen = program_ != nullptr && program_->parsed();
    const std::vector<std::string> lines = link_.Lines();
    if (programChosen && lines.size() > 1)
        return "";
    if (programChosen && laneProtocol_ && lines.size() == 1)
        return "cvErrlog-" + FileSafe(lines.front()) + ".txt";
    return CwFileLog::kDefaultFileName;
}

std::string UpgradeCommands::FileSafe(const std::string& line) {
    std::string name;
    for (const char c : line) {
        const bool plain =
            std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '_' || c == '-';
        name += plain ? c : '_';
    }
    name.erase(0, name.find_first_not_of("._"));
    return name.empty() ? "line" : name;
}
