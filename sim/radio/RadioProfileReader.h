#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "radio/RadioProfile.h"

// Reads a radio profile: lines of `key = value` or `key argument = value`; a `#` at the start of a line
// or after a blank begins a comment. Byte values are "text in quotes" (with \" \\ and \xHH) or hex digits,
// spaces allowed.
//
//     name = KX-400 portable             controller = ZR5 | Q7        flash_kib = 128 | 256 | 512
//     status 15 = E58EC154199D11D1 80180060B03C8AFF                   status 3 = "R05.00"
//     codeplug = kx400.bin               codeplug_bytes = 8192        poke 02C5 = "KX4S-EU-01"
//     codeplug_demo = KX400S-EU          serial = 4000123             regional_id = 02   tuning_seed = 7
//     firmware = old.s19                 release_in_flash = 0E 6      (hex offset, length)
//     firmware_check = crc32 | none      (a reflashed flash must end in its FirmwareTrailer to start)
//     bootcode 115200 = zr5_115k.s19     bootstrap_baud = 2400        sync = FD
//     announce = pulse | break           break_ms = 10                announce_repeat_ms = 55
//     ack_us = 500   reply_us = 1000   erase_ms = 2000   restart_ms = 300
//     loader_answer_us = 500             bootcode_start_ms = 50
//     fault = write#3 nak                (ScheduledFault)
//
// Files are binary or S-records (ImageFile): a codeplug and a firmware by address, a bootcode in file
// order. A relative name is looked for beside the profile, then in each search folder in turn. A
// codeplug image shorter than codeplug_bytes is filled up with 0xFF; pokes are placed after it, so a
// profile puts the radio's own serial number, regional id and tuning data into a kit's codeplug image.
// codeplug_demo takes the demo kit's codeplug of a model (DemoCodeplugs) instead of a file, with the
// radio's own serial number, regional id (the model's when none) and tuning (tuning_seed 0: the kit's
// nominal values) where codeplug programming preserves them.
class RadioProfileReader {
public:
    explicit RadioProfileReader(std::vector<std::filesystem::path> searchFolders = {})
        : searchFolders_(std::move(searchFolders)) {}

    // Throws std::runtime_error "<file>:<line>: <reason>" for anything it cannot take.
    RadioProfile Read(const std::filesystem::path& path) const;
    // The same for text in memory; relative file names are looked for in the search folders only.
    RadioProfile Parse(std::string_view text, const std::string& name) const;

private:
    RadioProfile Parse(std::string_view text, const std::string& name,
                       const std::optional<std::filesystem::path>& folder) const;

    std::vector<std::filesystem::path> searchFolders_;
};
