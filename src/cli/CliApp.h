#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandGroup.h"
#include "cli/ConsoleMessageBox.h"
#include "cli/RadioLink.h"
#include "platform/CPosixPlatform.h"

class FailureReport;
class UpgradeCommands;

// corvida-cli: the command line, its command groups and the radio link they share. Run reads the line,
// runs the command it names and returns the exit status. A failure is logged and shown on the console
// with the error log's lines that explain it; the error log goes to a file only with --log, and
// --verbose traces the line. Every command finds the bench's port overrides in the COM numbering.
class CliApp {
public:
    static constexpr int kSucceeded = 0;
    static constexpr int kFailed = 1;      // the command raised an error
    static constexpr int kUsageError = 2;  // the command line was wrong

    // `platform` is the platform in use, for its COM numbering and its clock; `in` answers the questions
    // of message boxes; `err` takes errors, their causes and the trace.
    CliApp(CPosixPlatform& platform, std::istream& in, std::ostream& out, std::ostream& err);

    // Once per CliApp: the options keep their values from the line they were read from.
    int Run(int argc, const char* const* argv);

private:
    int Execute(const CLI::App& app, const CommandGroup::Command& command, FailureReport& report);

    CPlatform& platform_;
    std::ostream& out_;
    std::ostream& err_;
    Clock& clock_;
    ConsoleMessageBox console_;
    ComPortMap& ports_;
    RadioLink link_;
    std::vector<std::unique_ptr<CommandGroup>> groups_;
    UpgradeCommands* upgrades_ = nullptr;
    std::string logDirectory_;
    bool verbose_ = false;
};
