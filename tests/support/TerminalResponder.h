#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/TermiosDevice.h"

// The far end of a pseudo-terminal, in real time on a thread of its own: the counterpart of the
// ScriptedPeer for the few tests that show the program on a real terminal. Once started it answers each
// expected request with its reply, in order, until it is stopped; a request repeated after its answer
// (the program's retry) is answered again. Every wait is bounded by kDeadline.
//
//     TerminalResponder radio;
//     radio.Answer(request, Acked(reply));
//     radio.Start();
//     ... the program opens radio.SlavePath() ...
//     EXPECT_EQ(radio.Stop(), "");
class TerminalResponder {
public:
    static constexpr std::chrono::seconds kDeadline{10};

    // Opens the pseudo-terminal; SlavePath() is empty when the system has none to give.
    TerminalResponder();
    ~TerminalResponder();
    TerminalResponder(const TerminalResponder&) = delete;
    TerminalResponder& operator=(const TerminalResponder&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Steps are added before Start.
    TerminalResponder& Answer(std::vector<std::uint8_t> expect, std::vector<std::uint8_t> reply);
    void Start();
    // Waits until every step has been answered (or the deadline), stops the thread and returns what went
    // wrong: empty when the program kept to the script. A program that is done answers no more.
    std::string Stop();

private:
    struct Step {
        std::vector<std::uint8_t> expect;
        std::vector<std::uint8_t> reply;
    };

    void Serve();
    bool Send(const std::vector<std::uint8_t>& bytes);
    void Fail(std::string what);

    std::unique_ptr<TermiosDevice> master_;
    std::string slavePath_;
    std::vector<Step> steps_;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> done_ = false;
    std::mutex mutex_;
    std::string deviation_;
};
