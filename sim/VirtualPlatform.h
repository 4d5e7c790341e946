#pragma once

#include <memory>

#include "MemoryLog.h"
#include "VirtualClock.h"
#include "platform/CPosixPlatform.h"

// The platform on virtual time: the system's own timers and lending rules on a VirtualClock, the
// serial port given to it, and an auxiliary log sink (kind 1) that keeps its lines in memory.
class VirtualPlatform : public CPosixPlatform {
public:
    explicit VirtualPlatform(std::shared_ptr<VirtualClock> clock, std::unique_ptr<CSerial> serial = nullptr);

    std::unique_ptr<CLog> CreateLog(int kind) override;

    VirtualClock& Clock() { return *clock_; }
    // What the auxiliary sinks received, oldest first.
    const MemoryLog::Lines& AuxLines() const { return *auxLines_; }

private:
    std::shared_ptr<VirtualClock> clock_;
    std::shared_ptr<MemoryLog::Lines> auxLines_ = std::make_shared<MemoryLog::Lines>();
};
