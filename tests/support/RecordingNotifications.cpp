#include "RecordingNotifications.h"

#include "notify/CancelSignal.h"

RecordingNotifications::RecordingNotifications() : previous_(Notifications::Installed()) {
    Notifications::Install(this);
}

RecordingNotifications::~RecordingNotifications() {
    Notifications::Install(previous_);
}

void RecordingNotifications::BeginProgress(int total, bool percentageMode) {
    calls_.push_back("Begin " + std::to_string(total) + " " + (percentageMode ? "1" : "0"));
}

void RecordingNotifications::StepProgress() {
    calls_.emplace_back("Step");
    ++steps_;
    if (cancelAtStep_ > 0 && steps_ >= cancelAtStep_)
        CancelSignal::Global().Set();
}

void RecordingNotifications::EndProgress() {
    calls_.emplace_back("End");
}

void RecordingNotifications::StatusText(int kind) {
    calls_.push_back("Status " + std::to_string(kind));
}

void RecordingNotifications::SwitchView(int kind) {
    calls_.push_back("View " + std::to_string(kind));
}

void RecordingNotifications::SetProgressMessage(const std::string& text) {
    calls_.push_back("Message " + text);
}

void RecordingNotifications::SetWaitCursor(bool busy) {
    calls_.push_back(std::string("Cursor ") + (busy ? "1" : "0"));
}

std::vector<std::string> RecordingNotifications::CallsOf(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& call : calls_) {
        if (call.rfind(prefix, 0) == 0)
            matching.push_back(call);
    }
    return matching;
}
