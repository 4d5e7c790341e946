#include "cli/LaneConsole.h"

#include <sstream>

#include "cli/LaneTable.h"
#include "errors/ByteText.h"

namespace {

constexpr const char* kClearBelow = "\x1B[J";
constexpr const char* kClearLine = "\r\x1B[K";

std::string CursorUp(std::size_t lines) {
    return "\r\x1B[" + std::to_string(lines) + "A";
}

}  // namespace

void LaneConsole::Print(const LaneState& lane, const std::string& text) {
    EraseTable();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        WriteLine(lane, line);
    DrawTable();
    if (!prompt_.empty())
        out_ << prompt_;
    out_ << std::flush;
}

void LaneConsole::Draw(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now) {
    if (!terminal_ || !prompt_.empty())
        return;
    rows_ = LaneTable::Live(lanes, now);
    EraseTable();
    DrawTable();
    out_ << std::flush;
}

void LaneConsole::Prompt(const LaneState& lane, const std::string& prompt) {
    prompt_ = "[" + ByteText::Escaped(lane.line) + "] " + prompt + " ";
    out_ << prompt_ << std::flush;
}

void LaneConsole::EndPrompt() {
    prompt_.clear();
}

void LaneConsole::Close() {
    rowsShown_ = 0;
    if (!prompt_.empty())
        out_ << '\n';
    prompt_.clear();
    out_ << std::flush;
}

// A prompt waiting for its answer is taken off its line first; Print puts it back under the new lines.
void LaneConsole::EraseTable() {
    if (!prompt_.empty())
        out_ << (terminal_ ? kClearLine : "\n");
    if (terminal_ && rowsShown_ > 0)
        out_ << CursorUp(rowsShown_) << kClearBelow;
    rowsShown_ = 0;
}

void LaneConsole::DrawTable() {
    if (!terminal_)
        return;
    for (const std::string& row : rows_)
        out_ << row << '\n';
    rowsShown_ = rows_.size();
}

void LaneConsole::WriteLine(const LaneState& lane, const std::string& line) {
    out_ << '[' << ByteText::Escaped(lane.line) << "] " << ByteText::Escaped(line) << '\n';
}
