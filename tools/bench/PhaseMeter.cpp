#include "PhaseMeter.h"

namespace {

// 8-N-1: a start bit, eight data bits and a stop bit; every rate the engine uses frames so.
constexpr std::uint64_t kBitsPerCharacter = 10;

}  // namespace

PhaseMeter::PhaseMeter(const VirtualClock& clock, unsigned baud) : clock_(clock), baud_(baud) {
    Notifications::Install(this);
    WireTrace::Install(this);
}

PhaseMeter::~PhaseMeter() {
    WireTrace::Install(nullptr);
    Notifications::Install(nullptr);
}

void PhaseMeter::BeginProgress(int total, bool) {
    // The bootcode download opens a display without steps; the programming steps come with theirs.
    if (total <= 0)
        return;
    programming_ = true;
    Enter(Between());
}

void PhaseMeter::StatusText(int kind) {
    if (kind == kStatusDownloadingBootcode)
        Enter(Phase::Bootcode);
    else if (kind == kStatusFlashingFirmware)
        Enter(Phase::Firmware);
    else
        Enter(Between());
}

void PhaseMeter::EndProgress() {
    if (phase_ == Phase::Bootcode) {
        // The running bootcode's first character, at the flash rate, ends the download.
        Count(1);
        Enter(Phase::None);
        return;
    }
    if (programming_) {
        programming_ = false;
        Enter(Phase::None);
    }
}

void PhaseMeter::Enter(Phase phase) {
    const std::uint64_t now = clock_.Peek();
    if (phase_ != Phase::None)
        figures_[phase_].measuredNs += now - phaseStartNs_;
    phase_ = phase;
    phaseStartNs_ = now;
}

void PhaseMeter::OnKwipAttempt(const KwipAttempt& attempt) {
    Count(attempt.request.size() + (attempt.ack ? 1 : 0) + attempt.reply.size());
    if (attempt.failure.empty())
        ++figures_[phase_].commands;
}

void PhaseMeter::OnBootstrapStep(const BootstrapStep& step) {
    // Finding the loader waits for the radio's announcement, which no line speed shortens: the
    // bootcode phase is measured from the end of detection on.
    if (step.step == "detect") {
        phaseStartNs_ = clock_.Peek();
        return;
    }
    Count(step.sent.size() + step.received.size());
}

void PhaseMeter::OnRateChange(unsigned baud) {
    baud_ = baud;
}

void PhaseMeter::Count(std::size_t characters) {
    Figures& figures = figures_[phase_];
    figures.characters += characters;
    figures.boundNs += characters * kBitsPerCharacter * 1'000'000'000 / baud_;
}
