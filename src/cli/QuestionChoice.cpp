#include "cli/QuestionChoice.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A word or its first letter.
bool Means(const std::string& answer, const std::string& word) {
    return answer == word || (answer.size() == 1 && answer[0] == word[0]);
}

}  // namespace

QuestionChoice QuestionChoice::Of(MessageButtons buttons) {
    if (buttons == MessageButtons::YesNo)
        return {"[yes/no]", "yes", "no", MessageResult::Yes, MessageResult::No};
    return {"[ok/cancel]", "ok", "cancel", MessageResult::Ok, MessageResult::Cancel};
}

std::optional<MessageResult> QuestionChoice::Read(const std::string& line) const {
    const std::string answer = Lowered(line);
    if (Means(answer, yesWord))
        return yes;
    if (Means(answer, noWord))
        return no;
    return std::nullopt;
}

MessageResult UnaskedAnswers::Answer(MessageIcon icon, MessageButtons buttons) {
    const QuestionChoice choice = QuestionChoice::Of(buttons);
    const bool retryOffer = icon == MessageIcon::Stop;
    return !retryOffer || retriesLeft_-- > 0 ? choice.yes : choice.no;
}
