#pragma once

#include <optional>
#include <string>

#include "engine/UpgradeStatus.h"

// How a Program press ended, for the upgrade record and corvida-cli's exit status.
struct ProgramOutcome {
    enum class End {
        NotStarted,       // verification, the power-up check or the flash dialog ended the press
        NotPermitted,     // the kit permits no upgrade of this radio: a NOTE says so
        Cancelled,        // Cancel at the first bootstrap prompt: nothing was sent to the radio
        PortUnavailable,  // the serial port could not be prepared for bootstrap mode
        KitFileRefused,   // a firmware file failed its check before the radio left its firmware
        EngineRan,        // finalStatus holds how the last attempt ended
    };

    End end = End::NotStarted;
    int attempts = 0;
    std::optional<UpgradeStatus> finalStatus;
    std::string finalText;  // the last box's text, or what ended the press
    std::string backupFile;

    bool Succeeded() const { return finalStatus == UpgradeStatus::Succeeded; }
};
