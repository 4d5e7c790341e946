#pragma once

#include <string>

// The three texts of the kit configuration's version block, handed to the engine as one unit.
struct KitVersion {
    std::string title;
    std::string description;
    std::string key;  // the kit key that deciphers the kit's images
};
