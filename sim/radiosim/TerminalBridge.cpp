#include "radiosim/TerminalBridge.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "SimUart.h"

TerminalBridge::TerminalBridge(std::unique_ptr<TermiosDevice> master, std::shared_ptr<SimLine> line,
                               std::shared_ptr<VirtualClock> clock)
    : master_(std::move(master)), line_(std::move(line)), clock_(std::move(clock)) {
    programEnd_ = line_->OpenProgramEnd();
    if (!programEnd_)
        throw std::logic_error("the line's program end is taken");
    seen_ = line_->ProgramLine();
}

void TerminalBridge::Pass(std::uint64_t nowNs) {
    passedNs_ = std::max(passedNs_, nowNs);
    TakeFromProgram(nowNs);
    Transmit(ClockTarget(nowNs));
}

std::uint64_t TerminalBridge::NextPassNs() const {
    const std::uint64_t nowNs = clock_->Peek();
    if (nowNs < passedNs_)
        return nowNs;
    const std::uint64_t heardNs = LastByteHeardNs();
    const std::uint64_t lineNs = line_->NextProgramEventNs();
    return heardNs > nowNs ? std::min(lineNs, heardNs) : lineNs;
}

// The end of the last byte's frame, once every byte still held has followed the one on the line.
std::uint64_t TerminalBridge::LastByteHeardNs() const {
    std::uint64_t endNs = transmitterFreeNs_;
    for (const Outgoing& next : outgoing_) {
        endNs = std::max({endNs, clock_->Peek(), next.takenNs});
        if (next.byte)
            endNs += SimUart::FrameNs(next.line);
    }
    return endNs;
}

// The bytes are read before the settings are looked at. A change of settings that the program makes
// while we read comes before the bytes it then writes, and it discards what the program wrote before it
// and we had not read yet (the port purges, the terminal flushes), so the bytes read belong to the
// settings seen after them. Looking first would tag a change and a write in between with the old rate.
void TerminalBridge::TakeFromProgram(std::uint64_t nowNs) {
    std::vector<std::uint8_t> bytes(master_->InputCount());
    if (!bytes.empty() && !master_->Read(bytes))
        bytes.clear();
    const std::optional<LineSettings> line = master_->GetLine();
    if (line && IsSupported(*line) && *line != seen_) {
        seen_ = *line;
        outgoing_.push_back({std::nullopt, seen_, nowNs});
    }
    for (const std::uint8_t byte : bytes)
        outgoing_.push_back({byte, seen_, nowNs});
}

// Each byte goes when the simulated transmitter is free, and never before the bridge took it: after a
// late pass the line's clock lags the machine's, and a byte sent at the clock's time would reach the
// radio before the program wrote it, so that a block written while the loader's answer was still going
// out would arrive after that answer. The clock steps to each byte's moment, never past the target.
void TerminalBridge::Transmit(std::uint64_t targetNs) {
    while (!outgoing_.empty()) {
        const Outgoing& next = outgoing_.front();
        const std::uint64_t startNs = std::max({clock_->Peek(), transmitterFreeNs_, next.takenNs});
        if (startNs > targetNs)
            break;
        AdvanceTo(startNs);
        if (line_->ProgramLine() != next.line)
            programEnd_->SetLine(next.line);
        if (next.byte) {
            if (!programEnd_->TransmitChar(*next.byte))
                break;
            transmitterFreeNs_ = startNs + SimUart::FrameNs(next.line);
        }
        outgoing_.pop_front();
    }
    AdvanceTo(targetNs);
}

// A pass that comes late (a busy machine) must not let the radio run far ahead of the program, which was
// kept waiting too: the bootcode's first character would go out before the program could change to the
// flash rate. The clock moves kMaxPassNs a pass at most and makes up the rest in the next passes, so
// that the radio's answers do not fall behind the program's own time-outs either.
std::uint64_t TerminalBridge::ClockTarget(std::uint64_t nowNs) const {
    return std::min(nowNs, clock_->Peek() + kMaxPassNs);
}

void TerminalBridge::DeliverToProgram() {
    std::vector<std::uint8_t> bytes(programEnd_->InputCount());
    if (!bytes.empty() && programEnd_->Read(bytes))
        held_.insert(held_.end(), bytes.begin(), bytes.end());
    programEnd_->ClearErrors();  // the terminal cannot carry them
    while (held_.size() > kMaxHeldBytes)
        held_.pop_front();
    while (!held_.empty() && master_->TransmitChar(held_.front()))
        held_.pop_front();
}

void TerminalBridge::AdvanceTo(std::uint64_t ns) {
    if (ns > clock_->Peek())
        clock_->Advance(ns - clock_->Peek());
}
