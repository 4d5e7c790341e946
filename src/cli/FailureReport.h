#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/DeviceCheck.h"
#include "cli/RadioLink.h"
#include "cli/RunLog.h"

// What corvida-cli prints under the operator's message of a failure, so that a user can act on it: the
// error log's lines written since the previous report, indented, most specific first (a layer logs what
// it caught before it raises its own error), and for a port that could not be opened, hints.
class FailureReport {
public:
    static constexpr const char* kOpenFailureText = "Unable to open communication port";
    static constexpr std::size_t kMaxCauses = 20;  // the nearest to the failure are kept
    static constexpr const char* kHintPrefix = "hint: ";

    FailureReport(RunLog& log, RadioLink& link, std::ostream& out, DeviceCheck check = DeviceCheck())
        : log_(log), link_(link), out_(out), check_(std::move(check)) {}

    // Prints the causes and hints for the operator's message just shown; nothing when the same message
    // comes again with no line logged since.
    void Print(const std::string& message);

    // The log lines to show: in order, each once with the number of times it came when more than once,
    // without the operator's message itself, the last kMaxCauses of them.
    static std::vector<std::string> Causes(const std::vector<std::string>& lines, const std::string& message);

private:
    void PrintOpenHints();

    RunLog& log_;
    RadioLink& link_;
    std::ostream& out_;
    DeviceCheck check_;
    std::string lastMessage_;
};
