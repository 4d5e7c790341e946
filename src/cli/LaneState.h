#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

// What the supervisor of several lanes knows of one lane: its line, the radio once verified, where the
// press stands and how it ended. Every text came from the lane and is escaped (LaneProtocol).
struct LaneState {
    using Clock = std::chrono::steady_clock;
    enum class Result { Running, Succeeded, Failed, Cancelled };

    static constexpr std::size_t kErrorTailLines = 20;  // the lane's last lines of standard error

    std::string line;  // the device path or "COMn"
    std::string serial;
    std::string release;
    std::string phase;
    int done = 0;
    int total = 0;
    Clock::time_point started;
    std::optional<Clock::time_point> ended;
    Result result = Result::Running;
    std::string text;  // how the press ended
    std::deque<std::string> errorTail;

    double ElapsedSeconds(Clock::time_point now) const {
        return std::chrono::duration<double>(ended.value_or(now) - started).count();
    }
    static const char* ResultName(Result result);
};
