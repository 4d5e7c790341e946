#include "cli/LaneTable.h"

#include <algorithm>
#include <cstdio>

namespace LaneTable {

namespace {

// A live row fits 80 columns: a row that wrapped would throw off the redraw.
constexpr std::size_t kLineWidth = 12;
constexpr std::size_t kSerialWidth = 10;
constexpr std::size_t kReleaseWidth = 7;
constexpr std::size_t kPhaseWidth = 13;
constexpr std::size_t kBarWidth = 10;
constexpr std::size_t kPercentWidth = 7;  // "] 100%" after the bar's "["
constexpr std::size_t kElapsedWidth = 5;
constexpr std::size_t kResultWidth = 9;
constexpr const char* kGap = " ";

bool ContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string Bar(const LaneState& lane) {
    const int percent = lane.total > 0 ? std::min(100, std::max(0, lane.done * 100 / lane.total)) : 0;
    const std::size_t filled = static_cast<std::size_t>(percent) * kBarWidth / 100;
    char figure[8];
    std::snprintf(figure, sizeof figure, "%3d%%", percent);
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " + figure;
}

// A long device path is told from its neighbours by its end.
std::string LineCell(const std::string& line, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : line)
        characters += ContinuationByte(c) ? 0 : 1;
    if (characters <= width)
        return Cell(line, width);
    std::size_t start = 0;
    for (std::size_t skip = characters - (width - 1); skip > 0 || ContinuationByte(line[start]); ++start)
        skip -= ContinuationByte(line[start]) ? 0 : 1;
    return "~" + line.substr(start);
}

std::string Start(const LaneState& lane, std::size_t lineWidth) {
    return LineCell(lane.line, lineWidth) + kGap + Cell(lane.serial, kSerialWidth) + kGap +
           Cell(lane.release, kReleaseWidth) + kGap;
}

std::string HeaderStart(std::size_t lineWidth) {
    return Cell("device", lineWidth) + kGap + Cell("serial", kSerialWidth) + kGap +
           Cell("release", kReleaseWidth) + kGap;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

std::string Cell(std::string_view text, std::size_t width) {
    std::string cell;
    std::size_t characters = 0;
    for (const char c : text) {
        if (!ContinuationByte(c) && characters++ == width)
            break;
        cell += c;
    }
    if (characters > width)
        characters = width;
    return cell + std::string(width - characters, ' ');
}

std::string Elapsed(double seconds) {
    const long total = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::vector<std::string> Live(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now) {
    std::vector<std::string> rows = {HeaderStart(kLineWidth) + Cell("phase", kPhaseWidth) + kGap +
                                     Cell("progress", kBarWidth + kPercentWidth) + kGap +
                                     Cell("elapsed", kElapsedWidth) + kGap + "result"};
    for (const LaneState& lane : lanes) {
        rows.push_back(Start(lane, kLineWidth) + Cell(lane.phase, kPhaseWidth) + kGap + Bar(lane) + kGap +
                       Cell(Elapsed(lane.ElapsedSeconds(now)), kElapsedWidth) + kGap +
                       Cell(LaneState::ResultName(lane.result), kResultWidth));
    }
    return rows;
}

// The summary is written once: its device column is as wide as the longest line, and each row ends
// with the first line of how its press ended.
std::vector<std::string> Summary(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now) {
    std::size_t lineWidth = kLineWidth;
    for (const LaneState& lane : lanes)
        lineWidth = std::max(lineWidth, lane.line.size());
    std::vector<std::string> rows = {HeaderStart(lineWidth) + Cell("result", kResultWidth) + kGap +
                                     Cell("elapsed", kElapsedWidth + 2) + kGap + "how it ended"};
    for (const LaneState& lane : lanes) {
        rows.push_back(Start(lane, lineWidth) + Cell(LaneState::ResultName(lane.result), kResultWidth) +
                       kGap + Cell(Elapsed(lane.ElapsedSeconds(now)), kElapsedWidth + 2) + kGap +
                       FirstLine(lane.text));
    }
    return rows;
}

}  // namespace LaneTable
