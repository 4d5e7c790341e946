#pragma once

#include <string>

// The operations the verification selected for a radio: one value set of the matching row, for the
// selected model entry, and that entry's model code.
struct UpgradeOptions {
    bool upgradePermitted = false;
    bool flashFirmware = false;
    int codeplugMode = 0;  // 0 none, 1 internal region, 2 from A0 to the end, 3 whole codeplug
    bool patchCodeplug = false;
    std::string modelCode;
};
