#include "cli/CliApp.h"

#include <exception>
#include <filesystem>

#include "cli/CodeplugCommands.h"
#include "cli/KwipCommands.h"
#include "cli/PortCommands.h"
#include "cli/RadioCommands.h"
#include "cli/UpgradeCommands.h"
#include "errors/CError.h"
#include "errors/CErrorLog.h"
#include "errors/CwFileLog.h"

namespace {

constexpr const char* kProgramName = "corvida-cli";
constexpr const char* kDescription = "Examines and upgrades two-way radios on a service bench.";

// With --log DIR the error log writes its file into DIR for the run; afterwards the log is as before.
class FileLogging {
public:
    explicit FileLogging(const std::string& directory)
        : on_(!directory.empty()), previous_(CwFileLog::Directory()) {
        if (!on_)
            return;
        CwFileLog::SetDirectory(directory);
        ErrorLog().CloseSinks();  // the next line opens the file in the new folder
        ErrorLog().SetFileLogging(true);
    }
    ~FileLogging() {
        if (!on_)
            return;
        ErrorLog().SetFileLogging(false);
        ErrorLog().CloseSinks();
        CwFileLog::SetDirectory(previous_);
    }
    FileLogging(const FileLogging&) = delete;
    FileLogging& operator=(const FileLogging&) = delete;

private:
    bool on_;
    std::filesystem::path previous_;
};

}  // namespace

CliApp::CliApp(ComPortMap& ports, std::istream& in, std::ostream& out, std::ostream& err)
    : out_(out), err_(err), console_(in, err), link_(ports) {
    groups_.push_back(std::make_unique<RadioCommands>(link_, out_));
    groups_.push_back(std::make_unique<KwipCommands>(link_, out_));
    groups_.push_back(std::make_unique<CodeplugCommands>(link_, out_));
    groups_.push_back(std::make_unique<UpgradeCommands>(link_, ports, out_));
    groups_.push_back(std::make_unique<PortCommands>(ports, out_));
}

int CliApp::Run(int argc, const char* const* argv) {
    CLI::App app(kDescription, kProgramName);
    app.fallthrough();
    app.require_subcommand(1);
    link_.AddOptions(app);
    app.add_option("--log", logDirectory_, "Write the error log, cvErrlog.txt, into this folder")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    CommandGroup::Command chosen;
    for (const std::unique_ptr<CommandGroup>& group : groups_)
        group->Register(app, chosen);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out_, err_) == 0 ? kSucceeded : kUsageError;
    }
    const FileLogging logging(logDirectory_);
    return Execute(app, chosen);
}

int CliApp::Execute(const CLI::App& app, const CommandGroup::Command& command) {
    try {
        command();
        link_.Close();
        return kSucceeded;
    } catch (const CError& error) {
        link_.Close();
        ErrorLog().Log("%s", error.GetText());
        error.Show();
    } catch (const CLI::ParseError& error) {
        link_.Close();
        app.exit(error, out_, err_);
        return kUsageError;
    } catch (const std::exception& error) {
        link_.Close();
        err_ << kProgramName << ": " << error.what() << '\n';
    }
    return kFailed;
}
