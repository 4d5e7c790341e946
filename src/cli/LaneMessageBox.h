#pragma once

#include <optional>

#include "cli/ConsoleMessageBox.h"
#include "cli/LaneChannel.h"
#include "cli/QuestionChoice.h"
#include "errors/MessageBoxService.h"

// A lane's message box: each box is a "box" event, each question a "question" event answered by the
// supervisor's answer line with its id, or by the lane itself under --yes. The end of the input answers
// Cancel or No, as on the console. Installs itself for its lifetime.
class LaneMessageBox : public MessageBoxService {
public:
    // `explainer` is called with the text of an error box, as on the console (its causes go to
    // standard error).
    LaneMessageBox(LaneChannel& channel, ConsoleMessageBox::Explainer explainer);
    ~LaneMessageBox() override;
    LaneMessageBox(const LaneMessageBox&) = delete;
    LaneMessageBox& operator=(const LaneMessageBox&) = delete;

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

    // --yes, as UnaskedAnswers gives the answers.
    void AnswerForTheOperator(int retryLimit) { unasked_.emplace(retryLimit); }

    // The protocol's name of an icon: "error", "warning", "info" or "none".
    static const char* IconName(MessageIcon icon);

private:
    MessageResult Ask(int id, const QuestionChoice& choice);

    LaneChannel& channel_;
    ConsoleMessageBox::Explainer explainer_;
    MessageBoxService* previous_;
    std::optional<UnaskedAnswers> unasked_;
};
