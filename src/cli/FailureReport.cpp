#include "cli/FailureReport.h"

#include <algorithm>
#include <map>

#include "cli/OpenFailureHint.h"
#include "errors/ByteText.h"

namespace {

constexpr const char* kCauseIndent = "  ";

}  // namespace

void FailureReport::Print(const std::string& message) {
    const std::vector<std::string> lines = log_.TakeLines();
    // An error box and then the error itself: the failure is explained once.
    if (lines.empty() && message == lastMessage_)
        return;
    lastMessage_ = message;
    for (const std::string& cause : Causes(lines, message))
        out_ << kCauseIndent << ByteText::Escaped(cause) << '\n';
    if (message == kOpenFailureText)
        PrintOpenHints();
}

std::vector<std::string> FailureReport::Causes(const std::vector<std::string>& lines,
                                               const std::string& message) {
    std::vector<std::string> distinct;
    std::map<std::string, int> counts;
    for (const std::string& line : lines) {
        if (line == message)
            continue;
        if (counts[line]++ == 0)
            distinct.push_back(line);
    }
    const std::size_t shown = std::min(distinct.size(), kMaxCauses);
    std::vector<std::string> causes;
    if (shown < distinct.size()) {
        causes.push_back("... " + std::to_string(distinct.size() - shown) +
                         " earlier lines; --log DIR keeps them all");
    }
    for (auto line = distinct.end() - static_cast<std::ptrdiff_t>(shown); line != distinct.end(); ++line) {
        const int count = counts[*line];
        causes.push_back(count > 1 ? *line + " (" + std::to_string(count) + " times)" : *line);
    }
    return causes;
}

void FailureReport::PrintOpenHints() {
    const std::optional<OpenFailureHint::Target> target = link_.Target();
    if (!target)
        return;
    const DeviceCheck::Facts facts =
        target->path.empty() ? DeviceCheck::Facts{} : check_.Examine(target->path);
    for (const std::string& hint : OpenFailureHint::For(*target, facts, link_.PresentPorts()))
        out_ << kHintPrefix << hint << '\n';
}
