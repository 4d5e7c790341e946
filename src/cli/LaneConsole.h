#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/LaneState.h"

// What the supervisor of several lanes shows while they run. On a terminal a live table stands at the
// bottom, one row a lane, and what deserves a line of its own (a box, a question, how a lane ended)
// scrolls above it; otherwise each line is written as it comes. Every line names its lane: "[A] ...".
// Texts are escaped again on the way out, whatever the lane sent.
class LaneConsole {
public:
    LaneConsole(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    bool Terminal() const { return terminal_; }
    // Each line of `text` with the lane's name before it.
    void Print(const LaneState& lane, const std::string& text);
    // Redraws the table on a terminal; nothing otherwise, and nothing while the operator is asked.
    void Draw(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now);
    // Asks the operator for the lane's question ("[B] [ok/cancel] "), until EndPrompt.
    void Prompt(const LaneState& lane, const std::string& prompt);
    void EndPrompt();
    // The table's last state stays on the screen; later lines go below it.
    void Close();

private:
    void EraseTable();
    void DrawTable();
    void WriteLine(const LaneState& lane, const std::string& line);

    std::ostream& out_;
    bool terminal_;
    std::vector<std::string> rows_;
    std::size_t rowsShown_ = 0;
    std::string prompt_;
};
