#pragma once

#include <cstdint>
#include <vector>

#include "codeplug/CCodeplug.h"

// Reads a whole codeplug from its source, for a technician's copy before an upgrade: from address 0
// to the codeplug end of its pointers (derived first when they are not valid), in 32-byte chunks.
// The radio's end is one past its last byte in the standard and Wren layouts; the KDS layout's end
// (from the kit's external codeplug) is its last byte. Raises CGenError 3 "Unable to determine codeplug
// format" when there are no pointers, and the read's errors otherwise.
std::vector<std::uint8_t> BackupCodeplug(CCodeplug& codeplug);
