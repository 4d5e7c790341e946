#pragma once

#include <memory>

#include "codeplug/CCodeplug.h"

// The codeplug object for a kit's codeplug type, given its type with end address 0: 2 the Wren layout,
// 3 the KDS layout, any other value the standard layout.
std::unique_ptr<CCodeplug> MakeCodeplug(int type);
