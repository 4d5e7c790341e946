#include "cli/ConsoleMessageBox.h"

#include <string>

#include "errors/ByteText.h"

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
    return unasked_ ? AnswerUnasked(icon, buttons) : Ask(buttons);
}

MessageResult ConsoleMessageBox::AnswerUnasked(MessageIcon icon, MessageButtons buttons) {
    const QuestionChoice choice = QuestionChoice::Of(buttons);
    const MessageResult answer = unasked_->Answer(icon, buttons);
    out_ << choice.prompt << ' ' << choice.WordOf(answer) << " (--yes)\n";
    return answer;
}

MessageResult ConsoleMessageBox::Ask(MessageButtons buttons) {
    const QuestionChoice choice = QuestionChoice::Of(buttons);
    std::string line;
    for (;;) {
        out_ << choice.prompt << ' ' << std::flush;
        if (!std::getline(in_, line))
            return choice.no;
        if (const std::optional<MessageResult> answer = choice.Read(line))
            return *answer;
    }
}
