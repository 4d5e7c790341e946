#include "RecordingMessageBox.h"

RecordingMessageBox::RecordingMessageBox() : previous_(MessageBoxService::Installed()) {
    MessageBoxService::Install(this);
}

RecordingMessageBox::~RecordingMessageBox() {
    MessageBoxService::Install(previous_);
}

MessageResult RecordingMessageBox::Show(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons) {
    boxes_.push_back({text, caption, icon, buttons});
    if (onShow_)
        onShow_(boxes_.back());
    if (answers_.empty())
        return MessageResult::Ok;
    const MessageResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}
