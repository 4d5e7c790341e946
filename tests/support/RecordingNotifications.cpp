#include "RecordingNotifications.h"

RecordingNotifications::RecordingNotifications() : model_(*this), previous_(Notifications::Installed()) {
    Notifications::Install(this);
}

RecordingNotifications::~RecordingNotifications() {
    Notifications::Install(previous_);
}

void RecordingNotifications::BeginProgress(int total, bool percentageMode) {
    calls_.push_back("Begin " + std::to_string(total) + " " + (percentageMode ? "1" : "0"));
    model_.Begin(total, percentageMode);
}

void RecordingNotifications::StepProgress() {
    calls_.emplace_back("Step");
    ++steps_;
    if (steps_ == cancelAtStep_)
        model_.Cancel();
    model_.Step();
}

void RecordingNotifications::EndProgress() {
    calls_.emplace_back("End");
    model_.End();
}

void RecordingNotifications::StatusText(int kind) {
    calls_.push_back("Status " + std::to_string(kind));
}

void RecordingNotifications::SwitchView(int kind) {
    calls_.push_back("View " + std::to_string(kind));
}

void RecordingNotifications::SetProgressMessage(const std::string& text) {
    calls_.push_back("Message " + text);
    model_.SetMessage(text);
}

void RecordingNotifications::BlockCancel(const std::string& reason) {
    calls_.push_back("Cancel off: " + reason);
    model_.BlockCancel(reason);
}

void RecordingNotifications::AllowCancel() {
    calls_.emplace_back("Cancel on");
    model_.AllowCancel();
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
