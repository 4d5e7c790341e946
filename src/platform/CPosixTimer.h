#pragma once

#include <cstdint>

#include "platform/CTimerCtrl.h"
#include "platform/Clock.h"

// A CTimerCtrl that spins on the platform's clock. Every wait is a busy wait: character times at
// 115200 baud are under 90 microseconds, far below what sleeping can resolve.
class CPosixTimer : public CTimerCtrl {
public:
    explicit CPosixTimer(Clock& clock) : clock_(clock) {}

    void SetPeriod(double seconds) override;
    void Start() override;
    void Wait(double seconds) override;
    double Elapsed() override;
    void WaitPeriods(unsigned n) override;

private:
    void SpinUntil(std::uint64_t target);

    Clock& clock_;
    std::uint64_t nextDeadline_ = 0;
    std::uint64_t startCount_ = 0;
    std::int64_t periodCounts_ = 0;
};
