#include "cli/CliApp.h"

#include <exception>
#include <optional>

#include "app/PortOverrides.h"
#include "cli/CodeplugCommands.h"
#include "cli/ConsoleTrace.h"
#include "cli/FailureReport.h"
#include "cli/KwipCommands.h"
#include "cli/PortCommands.h"
#include "cli/RadioCommands.h"
#include "cli/RunLog.h"
#include "cli/UpgradeCommands.h"
#include "errors/ByteText.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "platform/PortDeviceHold.h"

namespace {

constexpr const char* kProgramName = "corvida-cli";
constexpr const char* kDescription = "Examines and upgrades two-way radios on a service bench.";
constexpr const char* kFooter =
    "Environment:\n"
    "  CORVIDA_DEVICE    the radio's device path, when neither --device nor --port is given\n"
    "  CORVIDA_PORT      the radio's COM port number, when neither --device nor --port is given\n"
    "\n"
    "Exit status:\n"
    "  0  the command succeeded\n"
    "  1  the command failed; the reason and its causes are on standard error\n"
    "  2  the command line was wrong";

}  // namespace

CliApp::CliApp(CPosixPlatform& platform, std::istream& in, std::ostream& out, std::ostream& err)
    : platform_(platform),
      out_(out),
      err_(err),
      clock_(platform.GetClock()),
      console_(in, err),
      ports_(platform.ComPorts()),
      link_(ports_) {
    groups_.push_back(std::make_unique<RadioCommands>(link_, out_));
    groups_.push_back(std::make_unique<KwipCommands>(link_, out_));
    groups_.push_back(std::make_unique<CodeplugCommands>(link_, out_));
    auto upgrades = std::make_unique<UpgradeCommands>(link_, ports_, console_, in, out_, err_);
    upgrades_ = upgrades.get();
    groups_.push_back(std::move(upgrades));
    groups_.push_back(std::make_unique<PortCommands>(ports_, out_));
}

int CliApp::Run(int argc, const char* const* argv) {
    CLI::App app(kDescription, kProgramName);
    app.fallthrough();
    app.require_subcommand(1);
    app.footer(kFooter);
    link_.AddOptions(app);
    app.add_option("--log", logDirectory_, "Write the error log, cvErrlog.txt, into this folder")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    app.add_flag("-v,--verbose", verbose_,
                 "Trace the line on standard error: each KWIP frame, acknowledge and reply, the bootstrap "
                 "steps and rate changes");
    CommandGroup::Command chosen;
    for (const std::unique_ptr<CommandGroup>& group : groups_)
        group->Register(app, chosen);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out_, err_) == 0 ? kSucceeded : kUsageError;
    }
    // Whichever command opens a port, COM n is the device the bench mapped it to: the same radio as in
    // the desktop application.
    PortOverrides::LoadInto(ports_);
    const std::string logName = upgrades_->ErrorLogName();
    RunLog log(logName.empty() ? std::string() : logDirectory_, logName);
    std::optional<ConsoleTrace> trace;
    if (verbose_)
        trace.emplace(clock_, err_);
    FailureReport report(log, link_, err_);
    console_.ExplainErrorsWith([&report](const std::string& text) { report.Print(text); });
    const int status = Execute(app, chosen, report);
    console_.ExplainErrorsWith(nullptr);
    return status;
}

int CliApp::Execute(const CLI::App& app, const CommandGroup::Command& command, FailureReport& report) {
    // A command that opens the port more than once (identify, program, a codeplug restore) keeps the
    // radio from other programs between its openings.
    const PortDeviceHold hold(platform_);
    try {
        command();
        link_.Close();
        return kSucceeded;
    } catch (const CError& error) {
        link_.Close();
        ErrorLog().Log("%s", error.GetText());
        error.Show();
        report.Print(error.GetText());
    } catch (const CLI::ParseError& error) {
        link_.Close();
        app.exit(error, out_, err_);
        return kUsageError;
    } catch (const std::exception& error) {
        link_.Close();
        err_ << kProgramName << ": " << ByteText::Escaped(error.what()) << '\n';
        report.Print(error.what());
    }
    return kFailed;
}
