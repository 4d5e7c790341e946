#pragma once

#include "platform/CommDevice.h"

// The device of a port that is not open: it refuses everything and has nothing to give, so every
// operation on a closed port fails as it would on a silent line, within its time-out.
class ClosedDevice : public CommDevice {
public:
    std::optional<LineSettings> GetLine() override { return std::nullopt; }
    bool SetLine(const LineSettings&) override { return false; }
    bool TransmitChar(std::uint8_t) override { return false; }
    std::size_t InputCount() override { return 0; }
    // Nothing will come: the wait lasts to its deadline.
    void WaitForInput(std::size_t, std::uint64_t deadline, Clock& clock) override {
        clock.SleepUntil(deadline);
    }
    bool Read(std::span<std::uint8_t> destination) override { return destination.empty(); }
    Status ClearErrors() override { return {}; }
    void Purge(unsigned) override {}
};
