#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/LaneState.h"

// The lanes as a table of fixed-width columns, one row a lane under a header: live (device, serial,
// release, phase, progress bar, elapsed, result) and as the summary at the end (device, serial, release,
// result, elapsed, how it ended). Cells are cut to their column on a character boundary.
namespace LaneTable {

std::vector<std::string> Live(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now);
std::vector<std::string> Summary(const std::vector<LaneState>& lanes, LaneState::Clock::time_point now);

// The text cut to `width` characters (UTF-8) and padded with blanks to it.
std::string Cell(std::string_view text, std::size_t width);
// "m:ss", or "h:mm:ss" from an hour on.
std::string Elapsed(double seconds);

}  // namespace LaneTable
