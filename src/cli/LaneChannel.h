#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "app/LaneProtocol.h"

// A lane's end of the lane protocol: events out, one line each and flushed at once so that the
// supervisor sees every step as it happens; answers in.
class LaneChannel {
public:
    LaneChannel(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    void Send(const LaneProtocol::Event& event);
    // The next answer line that decodes, skipping others; none at the end of the input.
    std::optional<LaneProtocol::Answer> ReadAnswer();
    // A number for the next question, counting from 1.
    int NextQuestionId() { return ++questions_; }

private:
    // The next line without its LF, cut to LaneProtocol::kMaxLineBytes; none at the end of the input.
    std::optional<std::string> ReadLine();

    std::istream& in_;
    std::ostream& out_;
    int questions_ = 0;
};
