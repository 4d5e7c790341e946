#include "ScriptedPeer.h"

#include <stdexcept>

#include "SimLine.h"
#include "errors/TextFormat.h"

ScriptedPeer& ScriptedPeer::Answer(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply,
                                   std::uint64_t delayNs) {
    if (expect.empty())
        throw std::invalid_argument("a scripted step must expect at least one byte");
    steps_.push_back({std::move(expect), std::move(reply), delayNs});
    return *this;
}

ScriptedPeer& ScriptedPeer::AnswerTimes(int times, const std::vector<std::uint8_t>& expect,
                                        const std::vector<std::uint8_t>& reply, std::uint64_t delayNs) {
    for (int step = 0; step < times; ++step)
        Answer(expect, reply, delayNs);
    return *this;
}

void ScriptedPeer::OnCharacter(SimLine& line, const SimCharacter& character) {
    received_.push_back(character);
    if (!deviation_.empty())
        return;
    if (steps_.empty()) {
        deviation_ = FormatText("after the script: received %02X", character.byte);
        return;
    }
    Step& step = steps_.front();
    if (character.byte != step.expect[matched_]) {
        deviation_ = FormatText("step %d byte %d: expected %02X, received %02X", stepNumber_,
                                static_cast<int>(matched_), step.expect[matched_], character.byte);
        return;
    }
    if (++matched_ < step.expect.size())
        return;
    line.PeerSend(step.reply, character.timeNs + step.delayNs);
    steps_.pop_front();
    matched_ = 0;
    ++stepNumber_;
}

std::vector<std::uint8_t> ScriptedPeer::ReceivedBytes() const {
    std::vector<std::uint8_t> bytes;
    for (const SimCharacter& character : received_)
        bytes.push_back(character.byte);
    return bytes;
}
