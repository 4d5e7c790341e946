#pragma once

#include <optional>
#include <string_view>

// The program's numbered texts: those that kits, logs and support documents refer to by number.
// Code that shows one of them uses the named constant; the log's WriteResource looks them up by id.
namespace StringTable {

inline constexpr unsigned kVersionTagId = 144;
inline constexpr std::string_view kVersionTag = "PATCH-D01.01.07";

inline constexpr unsigned kBootstrapInstructionsId = 147;
inline constexpr std::string_view kBootstrapInstructions =
    "1) Switch the radio ON/OFF switch to the ON position.\n"
    "2) Throw the switch on the flashing kit to the ON position.\n"
    "3) Remove the battery supply and then put it back to set radio in bootstrap mode.";

inline constexpr unsigned kUpdateSuccessfulId = 149;
inline constexpr std::string_view kUpdateSuccessful = "Radio Update is successful";

inline constexpr unsigned kTestKitWarningId = 32813;
inline constexpr std::string_view kTestKitWarning =
    "This UpgradeKit will update the radio with a testing version firmware(or codeplug).\n"
    "The purpose is only for the specific individual issue fixing evaluation, not for official\n"
    "release and distribution. It may have unknow problems because of no full testing\n"
    "done yet.\n"
    "Please press OK to continue if you want to upgrade, otherwise press Cancel to exit.";

// The text with that id, or nothing when the table has none.
std::optional<std::string_view> Find(unsigned id);

}  // namespace StringTable
