#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/CodeplugRegion.h"

// What one codeplug programming run is given: the engine's members that DoProgCp hands to the
// programmer of the codeplug type.
struct CodeplugJob {
    int type = 1;  // the kit's codeplug type: 2 Wren, 3 KDS, any other the standard layout
    int mode = 0;  // 1 internal region, 2 from A0 to the end, 3 whole codeplug
    CodeplugRegion region;
    const std::string* codeplugText = nullptr;  // the kit's codeplug S-record text
    std::string variantCode;
    unsigned port = 0;
    std::uint8_t echo = 0;
    // The flash rate when the bootcode still runs from a firmware download; otherwise 9600 Bd.
    std::optional<unsigned> bootcodeBaud;
    bool stepProgress = false;
    // Ends the radio access with the reset command (after flashing, when no patch step follows).
    bool resetAtEnd = false;
    // FAR_VARNO radios of model code "01" get their raw copies first (Wren and other layouts).
    bool rawCopies = false;
    // Where the backup file of the saved data goes; none is written when empty.
    std::filesystem::path backupFolder;
};
