#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "SimPeer.h"

// A far end that keeps to a script: once it has received the bytes a step expects, it sends the step's
// reply a delay after the last of them (at the line's peer settings). It records every character it
// receives, and at the first byte the script does not expect it notes the deviation and falls silent.
//
//     peer.Answer({0x01, 0x02}, {0x06}, 2 * kMs).Answer({0x03}, {0x07, 0x08});
//
// An empty reply is silence: the step takes the bytes and answers nothing.
class ScriptedPeer : public SimPeer {
public:
    // `expect` must not be empty; unprompted sending goes through SimLine::PeerSend.
    ScriptedPeer& Answer(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply,
                         std::uint64_t delayNs = 0);
    // The same step `times` times over, as for a request the program repeats.
    ScriptedPeer& AnswerTimes(int times, const std::vector<std::uint8_t>& expect,
                              const std::vector<std::uint8_t>& reply, std::uint64_t delayNs = 0);

    void OnCharacter(SimLine& line, const SimCharacter& character) override;

    const std::vector<SimCharacter>& Received() const { return received_; }
    std::vector<std::uint8_t> ReceivedBytes() const;
    // Every step has been answered.
    bool Finished() const { return steps_.empty(); }
    // Empty while the program has kept to the script; otherwise what it did wrong first.
    const std::string& Deviation() const { return deviation_; }

private:
    struct Step {
        std::vector<std::uint8_t> expect;
        std::vector<std::uint8_t> reply;
        std::uint64_t delayNs;
    };

    std::deque<Step> steps_;
    std::size_t matched_ = 0;  // bytes of the current step's expectation received so far
    int stepNumber_ = 1;
    std::vector<SimCharacter> received_;
    std::string deviation_;
};
