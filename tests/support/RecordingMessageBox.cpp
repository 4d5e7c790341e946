#include "RecordingMessageBox.h"

#include <gtest/gtest.h>

namespace {

bool OffersRetry(const RecordingMessageBox::Box& box) {
    return box.icon == MessageIcon::Stop && box.buttons == MessageButtons::OkCancel;
}

}  // namespace

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
        return Unscripted(boxes_.back());
    const MessageResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}

MessageResult RecordingMessageBox::Unscripted(const Box& box) {
    if (!OffersRetry(box))
        return MessageResult::Ok;
    if (++unscriptedRetries_ <= kUnscriptedRetries)
        return MessageResult::Ok;
    ADD_FAILURE() << "the operator was offered a retry more than " << kUnscriptedRetries
                  << " times without a scripted answer; Cancel to \"" << box.caption << "\": " << box.text;
    return MessageResult::Cancel;
}
