#pragma once

#include <cstdint>

#include "platform/Clock.h"

// A deterministic clock for tests and simulation. Time moves only when the program reads the clock
// (by a fixed step per read, so busy waits finish), sleeps (straight to the end of the sleep), or a test
// advances it. A 20-second time-out
// then takes a fraction of a second and gives the same result on every run.
class VirtualClock : public Clock {
public:
    static constexpr std::uint64_t kDefaultStepNs = 1000;

    explicit VirtualClock(std::uint64_t startNs = 0, std::uint64_t stepNs = kDefaultStepNs)
        : now_(startNs), step_(stepNs) {}

    // The time now; the clock then moves on by one step.
    std::uint64_t Now() override;
    void Sleep(unsigned milliseconds) override;
    // Jumps to the deadline: a wait costs one step of the program, however long it is.
    void SleepUntil(std::uint64_t deadline) override;

    // The time now, without moving the clock: for the simulated world looking on.
    std::uint64_t Peek() const { return now_; }
    void Advance(std::uint64_t ns) { now_ += ns; }
    // How often the program has read the clock: a wait that spins reads it once a step.
    std::uint64_t Reads() const { return reads_; }

private:
    std::uint64_t now_;
    std::uint64_t step_;
    std::uint64_t reads_ = 0;
};
