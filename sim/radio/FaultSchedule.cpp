#include "radio/FaultSchedule.h"

#include <algorithm>

std::optional<ScheduledFault> FaultSchedule::Meet(RequestKind kind) {
    const unsigned number = ++counts_[kind];
    std::optional<ScheduledFault> fault = Find(kind, number);
    if (IsKwip(kind)) {
        ++kwipCount_;
        if (!fault)
            fault = Find(std::nullopt, kwipCount_);
    }
    return fault;
}

bool FaultSchedule::IsKwip(RequestKind kind) {
    switch (kind) {
        case RequestKind::Reset:
        case RequestKind::Read:
        case RequestKind::EraseFlash:
        case RequestKind::Write:
        case RequestKind::RadioStatus:
        case RequestKind::UnknownOpcode:
            return true;
        default:
            return false;
    }
}

std::optional<ScheduledFault> FaultSchedule::Find(std::optional<RequestKind> on, unsigned number) const {
    const auto found = std::find_if(faults_.begin(), faults_.end(), [&](const ScheduledFault& fault) {
        return fault.on == on && fault.number == number;
    });
    if (found == faults_.end())
        return std::nullopt;
    return *found;
}
