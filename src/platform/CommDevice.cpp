#include "platform/CommDevice.h"

void CommDevice::WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock) {
    if (InputCount() > moreThan)
        return;
    const std::uint64_t nextLook = clock.Now() + kInputPollCounts;
    // Compared by difference, as the counter may wrap.
    clock.SleepUntil(static_cast<std::int64_t>(nextLook - deadline) < 0 ? nextLook : deadline);
}
