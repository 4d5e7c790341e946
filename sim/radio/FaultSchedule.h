#pragma once

#include <map>
#include <optional>
#include <vector>

#include "radio/RadioRequest.h"
#include "radio/ScheduledFault.h"

// The radio's faults and its count of the requests it has met, by kind and of all KWIP requests.
class FaultSchedule {
public:
    explicit FaultSchedule(std::vector<ScheduledFault> faults = {}) : faults_(std::move(faults)) {}

    void Add(const ScheduledFault& fault) { faults_.push_back(fault); }
    // The faults not met yet are dropped; the counts go on.
    void Clear() { faults_.clear(); }
    // Counts a request of this kind and returns the fault scheduled for it: one for its kind and number
    // first, else one for its place among all KWIP requests.
    std::optional<ScheduledFault> Meet(RequestKind kind);

    static bool IsKwip(RequestKind kind);

private:
    std::optional<ScheduledFault> Find(std::optional<RequestKind> on, unsigned number) const;

    std::vector<ScheduledFault> faults_;
    std::map<RequestKind, unsigned> counts_;
    unsigned kwipCount_ = 0;
};
