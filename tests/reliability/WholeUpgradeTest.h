#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ProgrammerTest.h"
#include "TestKit.h"
#include "WorkflowFixture.h"

// A whole upgrade from the Program button against the simulated radio: firmware, codeplug mode 3 and
// the patch script, with the operator's hands scripted. At a bootstrap prompt the operator puts the
// radio into bootstrap mode; at an error the line is mended (the radio's scheduled faults dropped) and,
// where the message asks for it, the radio is switched off and on. Every question is answered OK.
class WholeUpgradeTest : public WorkflowTest {
protected:
    using Bytes = std::vector<std::uint8_t>;
    using Span = ProgrammerTest::Span;

    static constexpr std::int32_t kVolante = 5;
    static constexpr std::uint64_t kRestartWaitNs = 500'000'000;
    static constexpr std::uint64_t kOperatorNs = 3'000'000'000;

    WholeUpgradeTest();

    // The kit's configuration with this patch script (records, one a line, the end record included).
    void WriteKitConfig(const std::string& patch) const;
    // The configuration WriteKitConfig writes.
    static TestKit KitConfig(const std::string& patch);
    // Presses Program on the form (started at the first press) and returns the boxes it showed.
    std::vector<RecordingMessageBox::Box> Press();
    // The radio holds the kit's firmware and codeplug, its own tuning, serial number and regional id,
    // and runs its firmware again.
    void ExpectUpgraded();

    static Bytes Firmware();
    // The radio's requests during a clean upgrade, recorded once by a fixture of their own.
    static const std::vector<RadioRequest>& CleanRequests();
    // The number of requests[index] among the requests of its kind, counted from 1 as faults are.
    static unsigned NumberAmongItsKind(const std::vector<RadioRequest>& requests, std::size_t index);

    Bytes radioCodeplug_;
    Bytes kitCodeplug_;
    CodeplugRegion region_;
    std::vector<Span> kept_;
    std::set<std::uint32_t> checksums_;
    bool retryAfterError_ = true;
    RecordingNotifications notes_;
};
