#include "cli/LaneProgress.h"

#include <algorithm>

#include "cli/ConsoleProgress.h"

LaneProgress::LaneProgress(LaneChannel& channel)
    : channel_(channel), model_(*this), previous_(Notifications::Installed()) {
    Notifications::Install(this);
}

LaneProgress::~LaneProgress() {
    Notifications::Install(previous_);
}

bool LaneProgress::OpenWindow() {
    caption_.clear();
    message_.clear();
    percent_ = -1;
    closing_ = false;
    return true;
}

void LaneProgress::ShowCaption(const std::string& caption) {
    caption_ = ConsoleProgress::BareCaption(caption);
}

void LaneProgress::ShowMessage(const std::string& message) {
    // The model clears the message and the position just before it closes the window: the last
    // position sent stays the step's record.
    if (message.empty()) {
        closing_ = true;
        return;
    }
    if (message == message_)
        return;
    message_ = message;
    if (message != ProgressModel::kInitialMessage)
        SendPhase(message);
}

void LaneProgress::ShowPosition(int position, int lower, int upper) {
    const long long range = static_cast<long long>(upper) - lower;
    const int percent = range > 0 ? static_cast<int>((position - lower) * 100LL / range) : 0;
    if (closing_ || percent == percent_)
        return;
    percent_ = percent;
    LaneProtocol::Event event;
    event.kind = LaneProtocol::Event::Kind::Progress;
    event.text = caption_;
    event.done = position - lower;
    event.total = upper - lower;
    channel_.Send(event);
}

void LaneProgress::ShowStatusPaneText(const std::string& text) {
    const bool changed = text != statusText_;
    statusText_ = text;
    if (changed && !text.empty())
        SendPhase(text);
}

// A phase is one line: the lines of a message are joined, as on the console's bar line.
void LaneProgress::SendPhase(const std::string& text) {
    LaneProtocol::Event event;
    event.kind = LaneProtocol::Event::Kind::Phase;
    event.text = text;
    std::replace(event.text.begin(), event.text.end(), '\n', ' ');
    channel_.Send(event);
}
