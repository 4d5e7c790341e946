#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codeplug/CCodeplug.h"

// The number of bytes from address 0 that programming the whole codeplug can write: up to the codeplug
// end + 1, the end as a codeplug image's pointers give it, in every layout.
std::size_t ProgrammedBytes(const CCodeplug& codeplug, const CodeplugPointers& pointers);

// Reads a whole codeplug from its source, for a technician's copy before an upgrade: every byte that
// programming the whole codeplug can write (ProgrammedBytes of its pointers, derived first when they
// are not valid), in 32-byte chunks. Raises CGenError 3 "Unable to determine codeplug format" when
// there are no pointers, and the read's errors otherwise.
std::vector<std::uint8_t> BackupCodeplug(CCodeplug& codeplug);
