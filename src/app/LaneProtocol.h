#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The line protocol of a lane (`corvida-cli program --lane-protocol`): one JSON object a line on the
// lane's standard output for everything the press shows, and one a line on its standard input for each
// answer to a question. The README states the contract; this is its only encoder and decoder. Texts
// from a radio or a kit are escaped as on a terminal (ByteText::Escaped) before they are encoded, so a
// decoded text holds no control byte and no byte that is not UTF-8, except LF in box texts.
namespace LaneProtocol {

// A line longer than this is no line of the protocol: a reader drops it.
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

struct Event {
    enum class Kind {
        Kit,       // title, text (the kit's description)
        Radio,     // serial, release, model, identity: the radio as verified for the press
        Phase,     // text: a status text or the progress display's message
        Progress,  // text (the progress caption), done, total
        Box,       // icon, caption, text: a message box with OK only
        Question,  // id, icon, caption, text, choices; answered when the lane answered it itself (--yes)
        Outcome,   // result, text, exit: the last line of a lane
    };

    Kind kind = Kind::Phase;
    std::string text;
    std::string caption;
    std::string icon;  // "error", "warning", "info" or "none"
    int id = 0;
    std::vector<std::string> choices;  // {"ok", "cancel"} or {"yes", "no"}
    std::string answered;
    int done = 0;
    int total = 0;
    std::string title;
    std::string serial;
    std::string release;
    std::string model;
    std::string identity;
    std::string result;  // "success", "failed" or "cancelled"
    int exit = 0;
};

struct Answer {
    int id = 0;
    std::string answer;  // one of the question's choices
};

// One line, with its LF.
std::string Encode(const Event& event);
std::string Encode(const Answer& answer);
// None for a line that is not an event (or an answer) of the protocol.
std::optional<Event> DecodeEvent(std::string_view line);
std::optional<Answer> DecodeAnswer(std::string_view line);

}  // namespace LaneProtocol
