#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "BenchPrograms.h"
#include "FirmwareTraceMeter.h"

// Several whole upgrades at once in real time: one corvida-cli program with a --device lane per radio,
// each radio a radiosim of its own on a pseudo-terminal playing the profile with a serial number of its
// own and its latencies at zero.
struct LanesRunResult {
    int lanes = 0;
    int succeeded = 0;
    double wallSeconds = 0;    // corvida-cli's start to its end
    double cliCpuSeconds = 0;  // corvida-cli and its lanes, user and system
    std::vector<std::optional<FirmwareTraceMeter::Figures>> firmware;  // per lane, from its trace
};

// Runs in `workFolder`, on a copy of the kit. `flashRate` answers the flash-rate dialog.
LanesRunResult RunLanes(const BenchPrograms& programs, int lanes, unsigned flashRate,
                        const std::filesystem::path& workFolder);
