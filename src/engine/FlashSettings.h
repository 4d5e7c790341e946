#pragma once

#include <optional>
#include <string>

// The flashing parameters the program sequence hands to the engine. They persist across presses; the
// engine writes only the firmware text.
struct FlashSettings {
    static constexpr int kVariantUndetermined = 0;
    static constexpr int kVariantZR5 = 1;
    static constexpr int kVariantQ7 = 2;

    int bootVariant = kVariantUndetermined;
    std::string bootCodeText;  // the deciphered boot-code S-record file for the chosen rate
    std::string firmwareText;  // emptied before every run; the engine fills it
    unsigned bootstrapBaud = 2400;
    std::optional<unsigned> flashRate;  // 19200, 38400 or 115200; none until the flash dialog is confirmed
    // How long the bootcode download listens for the loader before detecting it, for an operator who
    // puts the radio in bootstrap mode after the instructions were answered; 0 for no such wait.
    unsigned announcementWaitMs = 0;
};
