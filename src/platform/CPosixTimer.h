#pragma once

#include <cstdint>

#include "platform/CTimerCtrl.h"
#include "platform/Clock.h"

// A CTimerCtrl on the platform's clock. Every wait sleeps to its absolute deadline (Clock::SleepUntil)
// rather than spinning, so a whole upgrade does not hold a core; the deadline, not the sleep's length,
// keeps a wait's end exact, and a wait ends only once the counter has reached it.
class CPosixTimer : public CTimerCtrl {
public:
    explicit CPosixTimer(Clock& clock) : clock_(clock) {}

    void SetPeriod(double seconds) override;
    void Start() override;
    void Wait(double seconds) override;
    double Elapsed() override;
    void WaitPeriods(unsigned n) override;

private:
    void WaitUntil(std::uint64_t target);

    Clock& clock_;
    std::uint64_t nextDeadline_ = 0;
    std::uint64_t startCount_ = 0;
    std::int64_t periodCounts_ = 0;
};
