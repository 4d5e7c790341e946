#pragma once

// A busy-wait timer lent out by the platform. Times are in seconds.
class CTimerCtrl {
public:
    virtual ~CTimerCtrl() = default;

    virtual void SetPeriod(double seconds) = 0;
    // Marks the start for Elapsed and the first deadline for WaitPeriods.
    virtual void Start() = 0;
    // Spins for the given time from now.
    virtual void Wait(double seconds) = 0;
    virtual double Elapsed() = 0;
    // Spins until n periods after the previous deadline (the first one is the Start). Deadlines are
    // chained, so a caller that calls late catches up at once and the cadence stays fixed.
    virtual void WaitPeriods(unsigned n) = 0;
};
