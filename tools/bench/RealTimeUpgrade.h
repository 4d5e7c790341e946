#pragma once

#include <filesystem>
#include <optional>

#include "BenchPrograms.h"
#include "FirmwareTraceMeter.h"

// One whole upgrade in real time: corvida-cli programs the radio radiosim plays on a pseudo-terminal,
// radiosim pacing the line at the character time of the rate the program sets.
struct RealTimeUpgradeResult {
    bool succeeded = false;
    double wallSeconds = 0;       // corvida-cli's start to its end
    double cliUserSeconds = 0;    // its CPU time in user mode
    double cliSystemSeconds = 0;  // and in the system's, where its waits go
    std::optional<FirmwareTraceMeter::Figures> firmware;
};

// Waits until radiosim has made its terminal's link; throws when it has not within a few seconds.
void WaitForLink(const std::filesystem::path& link);

// Runs in `workFolder`, on a copy of the kit. `flashRate` answers the flash-rate dialog.
RealTimeUpgradeResult RunRealTimeUpgrade(const BenchPrograms& programs, unsigned flashRate,
                                         const std::filesystem::path& workFolder);
