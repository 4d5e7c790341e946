#include "platform/PortTimerLoan.h"

PortTimerLoan::PortTimerLoan() : platform_(CPlatform::Instance()), timer_(platform_->GetPortTimer()) {}

PortTimerLoan::~PortTimerLoan() {
    if (timer_ != nullptr)
        platform_->ReleasePortTimer();
}
