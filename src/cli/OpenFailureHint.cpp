#include "cli/OpenFailureHint.h"

#include <sstream>

#include "errors/TextFormat.h"

namespace OpenFailureHint {

namespace {

std::string Octal(unsigned mode) {
    std::ostringstream text;
    text.width(4);
    text.fill('0');
    text << std::oct << mode;
    return text.str();
}

void AddPresentPorts(std::vector<std::string>& hints, const std::vector<ComPortInfo>& present) {
    if (present.empty()) {
        hints.emplace_back("no serial port is present on this machine; is the programming cable plugged in?");
        return;
    }
    hints.emplace_back("the serial ports present are:");
    for (const ComPortInfo& port : present) {
        std::string line = FormatText("  COM%-3u %s", port.number, port.path.c_str());
        if (!port.description.empty())
            line += "  " + port.description;
        hints.push_back(line);
    }
}

std::string PermissionHint(const std::string& path, const DeviceCheck::Facts& facts) {
    if (facts.group.empty() || !facts.groupMayUse) {
        return FormatText(
            "you may not open %s: its permissions (mode %s) keep you out; ask whoever "
            "looks after this machine to give it to a group you are in",
            path.c_str(), Octal(facts.mode).c_str());
    }
    if (facts.listedInGroup && !facts.inGroup) {
        return FormatText(
            "you may not open %s yet: you were added to group %s after this login began; "
            "log out and in again",
            path.c_str(), facts.group.c_str());
    }
    return FormatText(
        "you may not open %s: it belongs to group %s, which you are not in; add yourself "
        "(sudo usermod -aG %s $USER), then log out and in again, as a new group counts from "
        "the next login",
        path.c_str(), facts.group.c_str(), facts.group.c_str());
}

std::string BusyHint(const std::string& path, const std::vector<DeviceCheck::Holder>& holders) {
    std::string names;
    for (const DeviceCheck::Holder& holder : holders) {
        if (!names.empty())
            names += ", ";
        names += FormatText("%s (pid %d)", holder.name.c_str(), holder.pid);
    }
    return FormatText("%s is held by another program: %s; close it, then try again", path.c_str(),
                      names.c_str());
}

}  // namespace

std::vector<std::string> For(const Target& target, const DeviceCheck::Facts& facts,
                             const std::vector<ComPortInfo>& present) {
    std::vector<std::string> hints;
    if (target.path.empty()) {
        hints.push_back(FormatText("no device is behind COM%u", target.comNumber));
        AddPresentPorts(hints, present);
    } else if (!facts.exists) {
        hints.push_back(FormatText("%s does not exist", target.path.c_str()));
        AddPresentPorts(hints, present);
    } else if (!facts.accessible) {
        hints.push_back(PermissionHint(target.path, facts));
    } else if (facts.ownTerminal) {
        hints.push_back(
            FormatText("%s is the terminal corvida-cli runs in, not a radio's line; give the radio's port, "
                       "such as a /dev/ttyUSB or /dev/ttyS device",
                       target.path.c_str()));
    } else if (!facts.terminal) {
        hints.push_back(
            FormatText("%s is not a serial device; give the radio's port, such as a /dev/ttyUSB "
                       "or /dev/ttyS device",
                       target.path.c_str()));
    } else if (!facts.holders.empty()) {
        hints.push_back(BusyHint(target.path, facts.holders));
    }
    return hints;
}

}  // namespace OpenFailureHint
