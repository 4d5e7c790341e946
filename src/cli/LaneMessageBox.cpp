#include "cli/LaneMessageBox.h"

#include <utility>

LaneMessageBox::LaneMessageBox(LaneChannel& channel, ConsoleMessageBox::Explainer explainer)
    : channel_(channel), explainer_(std::move(explainer)), previous_(MessageBoxService::Installed()) {
    MessageBoxService::Install(this);
}

LaneMessageBox::~LaneMessageBox() {
    MessageBoxService::Install(previous_);
}

const char* LaneMessageBox::IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return "error";
        case MessageIcon::Exclamation:
            return "warning";
        case MessageIcon::Information:
            return "info";
        case MessageIcon::None:
            break;
    }
    return "none";
}

MessageResult LaneMessageBox::Show(const std::string& text, const std::string& caption, MessageIcon icon,
                                   MessageButtons buttons) {
    LaneProtocol::Event event;
    event.kind =
        buttons == MessageButtons::Ok ? LaneProtocol::Event::Kind::Box : LaneProtocol::Event::Kind::Question;
    event.text = text;
    event.caption = caption;
    event.icon = IconName(icon);
    if (icon == MessageIcon::Stop && explainer_)
        explainer_(text);
    if (buttons == MessageButtons::Ok) {
        channel_.Send(event);
        return MessageResult::Ok;
    }
    const QuestionChoice choice = QuestionChoice::Of(buttons);
    event.id = channel_.NextQuestionId();
    event.choices = {choice.yesWord, choice.noWord};
    if (unasked_) {
        const MessageResult answer = unasked_->Answer(icon, buttons);
        event.answered = choice.WordOf(answer);
        channel_.Send(event);
        return answer;
    }
    channel_.Send(event);
    return Ask(event.id, choice);
}

MessageResult LaneMessageBox::Ask(int id, const QuestionChoice& choice) {
    while (const std::optional<LaneProtocol::Answer> answer = channel_.ReadAnswer()) {
        if (answer->id != id)
            continue;  // an answer to an earlier question, come too late
        if (const std::optional<MessageResult> result = choice.Read(answer->answer))
            return *result;
    }
    return choice.no;
}
