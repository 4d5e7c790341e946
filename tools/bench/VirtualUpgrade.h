#pragma once

#include <cstddef>
#include <filesystem>

#include "PhaseMeter.h"
#include "engine/UpgradeStatus.h"
#include "radio/RadioProfile.h"

// One engine run against the simulated radio in virtual time, with the radio's latencies at zero, so
// that what the run takes beyond the wire is the program's own: its polling, its turnarounds, its pauses.
struct VirtualUpgradeCase {
    bool flashFirmware = true;
    int codeplugMode = 0;  // 3 programs the whole codeplug; 0 none
    std::size_t codeplugBytes = 8 * 1024;
    std::size_t firmwareBytes = 128 * 1024;
    unsigned flashRate = 115200;
    unsigned recordBytes = 32;
    Controller controller = Controller::ZR5;
    std::size_t bootcodeBytes = 4000;
};

struct VirtualUpgradeResult {
    UpgradeStatus status = UpgradeStatus::BootcodeFailed;
    PhaseMeter::Figures bootcode;
    PhaseMeter::Figures firmware;
    PhaseMeter::Figures codeplug;  // its bound holds the pause after each command
};

// Runs the bootcode download, the firmware and the codeplug programming of `upgrade`, as it selects
// them, in a kit folder made under
// `workFolder` (a fresh virtual platform each time; the previous platform and folder come back after).
VirtualUpgradeResult RunVirtualUpgrade(const VirtualUpgradeCase& upgrade,
                                       const std::filesystem::path& workFolder);
