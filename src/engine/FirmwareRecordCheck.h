#pragma once

#include <cstddef>
#include <string_view>

// Checks every record of a firmware S-record text before anything of it is written, so that a damaged
// kit never leaves a half-written flash: each data record (S1, S2) must be well formed with a correct
// checksum, fit one KWIP write, and lie, after the flash-window mapping, inside a flash of `flashBytes`.
// Header and other record types are skipped, as the programming loop skips them; a line that starts no
// record at all is damage. Raises CGenError 3 "Read firmware S-Record file failed" after logging which
// record is at fault.
void CheckFirmwareRecords(std::string_view text, std::size_t flashBytes);
