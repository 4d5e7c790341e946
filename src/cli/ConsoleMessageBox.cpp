#include "cli/ConsoleMessageBox.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "errors/ByteText.h"

namespace {

struct Choice {
    const char* prompt;
    const char* yesWord;
    const char* noWord;
    MessageResult yes;
    MessageResult no;
};

Choice ChoiceOf(MessageButtons buttons) {
    if (buttons == MessageButtons::YesNo) {
        return {"[yes/no]", "yes", "no", MessageResult::Yes, MessageResult::No};
    }
    return {"[ok/cancel]", "ok", "cancel", MessageResult::Ok, MessageResult::Cancel};
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A word or its first letter.
bool Means(const std::string& answer, const std::string& word) {
    return answer == word || (answer.size() == 1 && answer[0] == word[0]);
}

}  // namespace

ConsoleMessageBox::ConsoleMessageBox(std::istream& in, std::ostream& out)
    : in_(in), out_(out), previous_(MessageBoxService::Installed()) {
    MessageBoxService::Install(this);
}

ConsoleMessageBox::~ConsoleMessageBox() {
    MessageBoxService::Install(previous_);
}

MessageResult ConsoleMessageBox::Show(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) {
    // Texts carry what the radio and the kit said: shown escaped, lines kept.
    if (!caption.empty())
        out_ << ByteText::Escaped(caption) << ": ";
    out_ << ByteText::Escaped(text, ByteText::LineFeeds::kKeep) << '\n';
    if (icon == MessageIcon::Stop && explainer_)
        explainer_(text);
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    return answerUnasked_ ? AnswerUnasked(icon, buttons) : Ask(buttons);
}

void ConsoleMessageBox::AnswerForTheOperator(int retryLimit) {
    answerUnasked_ = true;
    retriesLeft_ = retryLimit;
}

MessageResult ConsoleMessageBox::AnswerUnasked(MessageIcon icon, MessageButtons buttons) {
    const Choice choice = ChoiceOf(buttons);
    const bool retryOffer = icon == MessageIcon::Stop;
    const bool yes = !retryOffer || retriesLeft_-- > 0;
    out_ << choice.prompt << ' ' << (yes ? choice.yesWord : choice.noWord) << " (--yes)\n";
    return yes ? choice.yes : choice.no;
}

MessageResult ConsoleMessageBox::Ask(MessageButtons buttons) {
    const Choice choice = ChoiceOf(buttons);
    std::string answer;
    for (;;) {
        out_ << choice.prompt << ' ' << std::flush;
        if (!std::getline(in_, answer))
            return choice.no;
        answer = Lowered(answer);
        if (Means(answer, choice.yesWord))
            return choice.yes;
        if (Means(answer, choice.noWord))
            return choice.no;
    }
}
