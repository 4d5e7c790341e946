#pragma once

#include "platform/CPlatform.h"
#include "platform/CTimerCtrl.h"

// The platform's port timer, borrowed for the length of one serial-port operation and given back on
// every way out of it, a raised error included. Empty when the timer is lent out already.
class PortTimerLoan {
public:
    PortTimerLoan();
    ~PortTimerLoan();
    PortTimerLoan(const PortTimerLoan&) = delete;
    PortTimerLoan& operator=(const PortTimerLoan&) = delete;

    explicit operator bool() const { return timer_ != nullptr; }
    CTimerCtrl* operator->() const { return timer_; }
    CTimerCtrl& operator*() const { return *timer_; }

private:
    CPlatform* platform_;
    CTimerCtrl* timer_;
};
