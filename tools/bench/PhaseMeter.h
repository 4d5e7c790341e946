#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "VirtualClock.h"
#include "errors/WireTrace.h"
#include "notify/Notifications.h"

// Measures the phases of an engine run in virtual time beside their wire-time bound. The phases are
// the engine's own: the status texts open them (bootcode download, firmware) and the restore text or
// the end of the progress display closes them. What the programming display (a progress display with
// steps) shows outside the firmware is the codeplug phase: the engine programs the codeplug after the
// firmware, and the bench runs no patch step. The bound of a phase is every character the two ends
// exchanged in it, each at the character time of the line's rate then, one request in flight, plus the
// pauses the protocol prescribes (AddPause; a phase's successful commands are counted for those that
// pause after each command).
class PhaseMeter : public Notifications, public WireTrace {
public:
    enum class Phase { None, Bootcode, Firmware, Codeplug };

    struct Figures {
        std::uint64_t measuredNs = 0;
        std::uint64_t boundNs = 0;
        std::uint64_t characters = 0;
        std::uint64_t commands = 0;  // KWIP commands that succeeded
    };

    PhaseMeter(const VirtualClock& clock, unsigned baud);
    ~PhaseMeter() override;
    PhaseMeter(const PhaseMeter&) = delete;
    PhaseMeter& operator=(const PhaseMeter&) = delete;

    const Figures& Of(Phase phase) { return figures_[phase]; }
    void AddPause(std::uint64_t ns) { figures_[phase_].boundNs += ns; }

    void BeginProgress(int total, bool) override;
    void StepProgress() override {}
    void EndProgress() override;
    void StatusText(int kind) override;
    void SwitchView(int) override {}
    void SetProgressMessage(const std::string&) override {}
    void SetWaitCursor(bool) override {}

    void OnKwipAttempt(const KwipAttempt& attempt) override;
    void OnBootstrapStep(const BootstrapStep& step) override;
    void OnRateChange(unsigned baud) override;

private:
    void Enter(Phase phase);
    Phase Between() const { return programming_ ? Phase::Codeplug : Phase::None; }
    void Count(std::size_t characters);

    const VirtualClock& clock_;
    unsigned baud_;
    Phase phase_ = Phase::None;
    bool programming_ = false;
    std::uint64_t phaseStartNs_ = 0;
    std::map<Phase, Figures> figures_;
};
