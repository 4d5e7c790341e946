#pragma once

#include "platform/CPlatform.h"

// The serial port's device kept ours for the holder's lifetime: a Program press or an identify run opens
// and closes the port for each of its steps, and no other program may take the radio in between. The
// device is let go (its line settings put back) when the last hold ends.
class PortDeviceHold {
public:
    explicit PortDeviceHold(CPlatform& platform);
    ~PortDeviceHold();
    PortDeviceHold(const PortDeviceHold&) = delete;
    PortDeviceHold& operator=(const PortDeviceHold&) = delete;

private:
    CPlatform& platform_;
};
