#pragma once

#include "codeplug/CodeplugMemory.h"
#include "codeplug/CodeplugPointers.h"

// The standard layout's pointers, read from the header at address 0, the L1 word at A0 and the region-3
// header at A1, and the block count at V. From the radio the codeplug end takes in region 3's own
// checksum byte. From the image every pointer must lead into its data, the regions and the byte at the
// codeplug end too (programming writes up to the end + 1, and would otherwise copy the zero fill
// behind the data into a radio). Raises the read's error, or CGenError 3 "Access out of codeplug".
CodeplugPointers ReadAdkPointers(CodeplugMemory& memory);
