#pragma once

#include <string>
#include <vector>

#include "cli/DeviceCheck.h"
#include "platform/ComPortMap.h"

// What a bench meets first when the radio's port cannot be opened, and what to do about it: no device
// behind the COM number or the path, no permission, a path that is no serial device, a device that
// another program holds. Each hint is one line; none when the facts show none of these.
namespace OpenFailureHint {

// The port the command was given: a COM number (0 for a --device path) and the path behind it, empty
// when the number has none.
struct Target {
    unsigned comNumber = 0;
    std::string path;
};

// `present` is what the port list offers, for a target that is not there.
std::vector<std::string> For(const Target& target, const DeviceCheck::Facts& facts,
                             const std::vector<ComPortInfo>& present);

}  // namespace OpenFailureHint
