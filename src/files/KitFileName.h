#pragma once

#include <optional>
#include <string_view>

// A file name that patcher.dat gives (a boot-code or codeplug file) names a file of the kit's own
// folder: one plain component. Returns what is wrong with `name` ("is empty", "is an absolute path",
// "holds a path separator", "is \".\" or \"..\""), or nothing when it may be opened. A backslash counts
// as a separator: a kit written with one meant a path.
std::optional<std::string_view> KitFileNameFault(std::string_view name);
