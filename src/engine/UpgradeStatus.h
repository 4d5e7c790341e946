#pragma once

// How a run of the programming engine ended; the values are those the program sequence acts on.
enum class UpgradeStatus : int {
    FirmwareFailed = 0,  // programming began: the flash may be erased or partly written
    CodeplugFailed = 1,
    PatchFailed = 2,
    BootcodeFailed = 3,        // flashing could not be started (the radio may not be in bootstrap mode)
    InvalidDataFile = 4,       // a kit image was refused before anything was written
    Succeeded = 5,             // every selected step ran
    FlashSizeNotDetected = 6,  // the erase or the size probe failed
    Cancelled = 7,             // the operator cancelled; the run stopped at a safe point
};
