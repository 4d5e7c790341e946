#include "platform/PortDeviceHold.h"

PortDeviceHold::PortDeviceHold(CPlatform& platform) : platform_(platform) {
    platform_.HoldPortDevice();
}

PortDeviceHold::~PortDeviceHold() {
    platform_.ReleasePortDevice();
}
