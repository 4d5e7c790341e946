#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <istream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// The operator's answer lines, read on a thread of their own so that the lanes are served while nobody
// types. Reading starts with the first Take; lines are cut to kMaxLineBytes.
class OperatorInput {
public:
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::chrono::milliseconds kEndWait{200};

    explicit OperatorInput(std::istream& in) : in_(in) {}
    // A reader still waiting on a terminal after kEndWait is left to end with the program.
    ~OperatorInput();
    OperatorInput(const OperatorInput&) = delete;
    OperatorInput& operator=(const OperatorInput&) = delete;

    // The next line typed, if one has come.
    std::optional<std::string> Take();
    // Whether the input has ended and every line has been taken.
    bool Ended();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable endedSignal;
        std::deque<std::string> lines;
        bool ended = false;
    };

    void Start();

    std::istream& in_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::optional<std::thread> reader_;
};
