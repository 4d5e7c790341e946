#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "errors/MessageBoxService.h"

// A message-box service that records every box and answers from a script (OK once the script is
// used up). It installs itself for its lifetime.
//
// Unscripted, an offer to retry (a question with the stop icon) is answered OK kUnscriptedRetries
// times at most; the next one is answered Cancel and fails the test, naming the question, so that a
// fault that fails every attempt ends a test instead of retrying for ever. A test that means to retry
// more scripts its answers.
class RecordingMessageBox : public MessageBoxService {
public:
    static constexpr int kUnscriptedRetries = 3;

    struct Box {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    RecordingMessageBox();
    ~RecordingMessageBox() override;

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

    void Answer(MessageResult result) { answers_.push_back(result); }
    // Called with each box as it is shown, before it is answered: what the operator does meanwhile.
    void OnShow(std::function<void(const Box&)> action) { onShow_ = std::move(action); }
    const std::vector<Box>& Boxes() const { return boxes_; }

private:
    MessageResult Unscripted(const Box& box);

    MessageBoxService* previous_;
    std::deque<MessageResult> answers_;
    std::vector<Box> boxes_;
    std::function<void(const Box&)> onShow_;
    int unscriptedRetries_ = 0;
};
