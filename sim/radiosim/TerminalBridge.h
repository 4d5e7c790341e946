#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>

#include "SimLine.h"
#include "VirtualClock.h"
#include "platform/LineSettings.h"
#include "platform/TermiosDevice.h"

// Plays the program end of a SimLine on a pseudo-terminal, in real time: what the program writes to the
// terminal is transmitted on the line at the settings the program had set on it when it wrote, paced
// as a UART paces it from the moment the bridge took it, and what the line brings to the program end is
// written back to the terminal. The line's clock is moved along with the machine's by each pass, by
// kMaxPassNs at most, so that a late pass does not run the radio ahead of the program; it makes up the
// rest in the next passes.
//
// A pseudo-terminal carries no breaks and no line errors: a break, or a pulse that the program's rate
// does not read as a character, reaches the program as nothing, and a line error as a good character.
// At 300 baud the radio's pulse reads as a character, and that character is what the program gets.
class TerminalBridge {
public:
    // Bytes for the program held while the terminal takes no more; beyond it the oldest are dropped.
    static constexpr std::size_t kMaxHeldBytes = 4096;
    // How far one pass moves the line's clock at most.
    static constexpr std::uint64_t kMaxPassNs = 20'000'000;
    static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

    TerminalBridge(std::unique_ptr<TermiosDevice> master, std::shared_ptr<SimLine> line,
                   std::shared_ptr<VirtualClock> clock);

    // Takes what the program wrote, as written at nowNs (the machine's time on the line clock's scale),
    // transmits what is due and brings the line towards nowNs (the clock only moves forward, kMaxPassNs
    // at most).
    void Pass(std::uint64_t nowNs);
    // Sleeps until the program writes, or the time-out has passed.
    void AwaitProgram(std::chrono::nanoseconds timeout) { master_->AwaitInput(timeout); }
    // When the next pass has work, on the line clock's scale: at once while the clock still makes up a
    // late pass; else when the line brings the program something or wakes the radio, or the radio has
    // heard the last byte the program wrote (the moment it may answer); kNever when nothing is under way.
    // The bytes on their way need no pass of their own: the next pass sends each at its time.
    std::uint64_t NextPassNs() const;
    // Writes what the line brought to the program end to the terminal: after a Pass, once whatever must
    // not come after the radio's answers is done.
    void DeliverToProgram();
    // The settings the program last set on the terminal.
    const LineSettings& ProgramLine() const { return seen_; }

private:
    // A byte the program wrote, with the settings it was written at and the time the bridge took it; no
    // byte: a change of settings.
    struct Outgoing {
        std::optional<std::uint8_t> byte;
        LineSettings line;
        std::uint64_t takenNs = 0;
    };

    void TakeFromProgram(std::uint64_t nowNs);
    void Transmit(std::uint64_t targetNs);
    // The line clock's time that this pass moves to.
    std::uint64_t ClockTarget(std::uint64_t nowNs) const;
    void AdvanceTo(std::uint64_t ns);
    std::uint64_t LastByteHeardNs() const;

    std::unique_ptr<TermiosDevice> master_;
    std::shared_ptr<SimLine> line_;
    std::shared_ptr<VirtualClock> clock_;
    std::unique_ptr<CommDevice> programEnd_;
    LineSettings seen_;
    std::deque<Outgoing> outgoing_;
    std::deque<std::uint8_t> held_;  // for the program, not yet taken by the terminal
    std::uint64_t transmitterFreeNs_ = 0;
    std::uint64_t passedNs_ = 0;  // the time of the last pass
};
