#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/OpenFailureHint.h"

namespace {

using Lines = std::vector<std::string>;
using Facts = DeviceCheck::Facts;

// A device that exists, may be opened and is a terminal: the facts each case changes.
Facts Usable() {
    Facts facts;
    facts.exists = true;
    facts.accessible = true;
    facts.terminal = true;
    facts.mode = 0660;
    facts.group = "dialout";
    facts.groupMayUse = true;
    facts.inGroup = true;
    return facts;
}

TEST(OpenFailureHintTest, EachFirstProblemOfABenchGetsItsHint) {
    const std::vector<ComPortInfo> present = {{1, "/dev/ttyS0", ""}, {33, "/dev/ttyUSB0", "FTDI FT232R"}};
    const OpenFailureHint::Target device{0, "/dev/ttyUSB1"};
    struct Case {
        const char* what;
        OpenFailureHint::Target target;
        Facts facts;
        Lines hints;
    };
    Facts missing;
    Facts notInGroup = Usable();
    notInGroup.accessible = false;
    notInGroup.inGroup = false;
    Facts addedSinceLogin = notInGroup;
    addedSinceLogin.listedInGroup = true;
    Facts closedMode = notInGroup;
    closedMode.mode = 0;
    closedMode.groupMayUse = false;
    Facts notTerminal = Usable();
    notTerminal.terminal = false;
    Facts held = Usable();
    held.holders = {{4242, "minicom"}, {4300, "cat"}};
    Facts ownTerminal = held;
    ownTerminal.ownTerminal = true;
    const Case cases[] = {
        {"no device behind the number",
         {9, ""},
         {},
         {"no device is behind COM9", "the serial ports present are:", "  COM1   /dev/ttyS0",
          "  COM33  /dev/ttyUSB0  FTDI FT232R"}},
        {"a path that does not exist",
         device,
         missing,
         {"/dev/ttyUSB1 does not exist", "the serial ports present are:", "  COM1   /dev/ttyS0",
          "  COM33  /dev/ttyUSB0  FTDI FT232R"}},
        {"not in the owning group",
         device,
         notInGroup,
         {"you may not open /dev/ttyUSB1: it belongs to group dialout, which you are not in; add yourself "
          "(sudo usermod -aG dialout $USER), then log out and in again, as a new group counts from the "
          "next login"}},
        {"added to the group since this login",
         device,
         addedSinceLogin,
         {"you may not open /dev/ttyUSB1 yet: you were added to group dialout after this login began; log "
          "out and in again"}},
        {"a mode that lets no group in",
         device,
         closedMode,
         {"you may not open /dev/ttyUSB1: its permissions (mode 0000) keep you out; ask whoever looks after "
          "this machine to give it to a group you are in"}},
        {"not a terminal",
         device,
         notTerminal,
         {"/dev/ttyUSB1 is not a serial device; give the radio's port, such as a /dev/ttyUSB or /dev/ttyS "
          "device"}},
        {"held by other programs",
         device,
         held,
         {"/dev/ttyUSB1 is held by another program: minicom (pid 4242), cat (pid 4300); close it, then try "
          "again"}},
        {"the terminal the program runs in, which its shell holds too",
         device,
         ownTerminal,
         {"/dev/ttyUSB1 is the terminal corvida-cli runs in, not a radio's line; give the radio's port, such "
          "as a /dev/ttyUSB or /dev/ttyS device"}},
        {"nothing a hint can name", device, Usable(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OpenFailureHint::For(c.target, c.facts, present), c.hints);
    }
}

TEST(OpenFailureHintTest, AMachineWithoutPortsSaysSo) {
    EXPECT_EQ(OpenFailureHint::For({5, ""}, {}, {}),
              (Lines{"no device is behind COM5",
                     "no serial port is present on this machine; is the programming cable plugged in?"}));
}

}  // namespace
