#include "cli/LaneChannel.h"

void LaneChannel::Send(const LaneProtocol::Event& event) {
    out_ << LaneProtocol::Encode(event) << std::flush;
}

std::optional<LaneProtocol::Answer> LaneChannel::ReadAnswer() {
    while (const std::optional<std::string> line = ReadLine())
        if (std::optional<LaneProtocol::Answer> answer = LaneProtocol::DecodeAnswer(*line))
            return answer;
    return std::nullopt;
}

std::optional<std::string> LaneChannel::ReadLine() {
    std::string line;
    bool tooLong = false;
    char c = 0;
    while (in_.get(c)) {
        if (c == '\n')
            return tooLong ? std::string() : line;
        if (line.size() < LaneProtocol::kMaxLineBytes)
            line += c;
        else
            tooLong = true;
    }
    return std::nullopt;
}
