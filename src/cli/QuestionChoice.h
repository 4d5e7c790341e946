#pragma once

#include <optional>
#include <string>

#include "errors/MessageBoxService.h"

// The two answers of a question box as an operator types them: "ok"/"cancel" or "yes"/"no", a word or
// its first letter, in any case.
struct QuestionChoice {
    const char* prompt;  // "[ok/cancel]"
    const char* yesWord;
    const char* noWord;
    MessageResult yes;
    MessageResult no;

    static QuestionChoice Of(MessageButtons buttons);
    // None for a line that is neither answer.
    std::optional<MessageResult> Read(const std::string& line) const;
    const char* WordOf(MessageResult result) const { return result == yes ? yesWord : noWord; }
};

// --yes: questions are answered OK (or Yes) without asking, except that retry offers (the program
// sequence's questions with the stop icon) beyond the first `retryLimit` are answered Cancel, so a
// script never loops on a radio that keeps failing.
class UnaskedAnswers {
public:
    explicit UnaskedAnswers(int retryLimit) : retriesLeft_(retryLimit) {}
    MessageResult Answer(MessageIcon icon, MessageButtons buttons);

private:
    int retriesLeft_;
};
