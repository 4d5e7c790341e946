#include "SimLine.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/CSerial.h"

namespace {

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

}  // namespace

// The program end handed to CPosixSerial; closing it (destroying it) frees the line for the next open.
class SimLine::ProgramEnd : public CommDevice {
public:
    explicit ProgramEnd(std::shared_ptr<SimLine> line) : line_(std::move(line)) {}
    ~ProgramEnd() override { line_->programEndOpen_ = false; }
    ProgramEnd(const ProgramEnd&) = delete;
    ProgramEnd& operator=(const ProgramEnd&) = delete;

    std::optional<LineSettings> GetLine() override { return line_->GetLine(); }
    bool SetLine(const LineSettings& line) override { return line_->SetLine(line); }
    bool TransmitChar(std::uint8_t byte) override { return line_->TransmitChar(byte); }
    std::size_t InputCount() override { return line_->InputCount(); }
    void WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock) override {
        line_->WaitForInput(moreThan, deadline, clock);
    }
    bool Read(std::span<std::uint8_t> destination) override { return line_->Read(destination); }
    Status ClearErrors() override { return line_->ClearErrors(); }
    void Purge(unsigned directions) override { line_->Purge(directions); }
    bool Gone() const override { return line_->Unplugged(); }

private:
    std::shared_ptr<SimLine> line_;
};

SimLine::SimLine(std::shared_ptr<const VirtualClock> clock) : clock_(std::move(clock)) {
    programUart_.SetLine(LineSettings{}, clock_->Peek());
    peerUart_.SetLine(LineSettings{}, clock_->Peek());
}

std::unique_ptr<CommDevice> SimLine::OpenProgramEnd() {
    if (programEndOpen_ || Unplugged())
        return nullptr;
    CatchUp();
    programEndOpen_ = true;
    received_.clear();
    errors_ = 0;
    failNextRead_.reset();
    return std::make_unique<ProgramEnd>(shared_from_this());
}

CPosixSerial::DeviceOpener SimLine::Opener(std::shared_ptr<SimLine> line, unsigned port) {
    return [line = std::move(line), port](unsigned wanted) -> std::unique_ptr<CommDevice> {
        return wanted == port ? line->OpenProgramEnd() : nullptr;
    };
}

std::optional<LineSettings> SimLine::GetLine() {
    if (failLineQueries_)
        return std::nullopt;
    return ProgramLine();
}

bool SimLine::SetLine(const LineSettings& line) {
    if (refuseLineChanges_ || !IsSupported(line))
        return false;
    CatchUp();
    programUart_.SetLine(line, clock_->Peek());
    quietUntilNs_ = 0;
    return true;
}

bool SimLine::TransmitChar(std::uint8_t byte) {
    CatchUp();
    const std::uint64_t now = clock_->Peek();
    if (now < transmitterBusyUntilNs_ || Unplugged())
        return false;
    if (echoBox_ && garbledEchoes_ > 0) {
        --garbledEchoes_;
        byte ^= kEchoGarbleMask;
    }
    transmitterBusyUntilNs_ = SimUart::Transmit(toPeer_, byte, ProgramLine(), now);
    if (echoBox_)
        SimUart::Transmit(toProgram_, byte, ProgramLine(), now);
    quietUntilNs_ = 0;
    return true;
}

std::size_t SimLine::InputCount() {
    CatchUp();
    return received_.size();
}

// One step of the wait: the clock jumps to the line's next event (a character's frame ending at either
// end, a break, a wake-up of the peer, a scheduled error) or to the deadline, whichever comes first.
// The caller counts again and comes back while nothing has come, so a wait takes a few clock reads per
// event however long it lasts.
void SimLine::WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock) {
    CatchUp();
    if (received_.size() > moreThan)
        return;
    clock.SleepUntil(std::min(quietUntilNs_, deadline));
}

bool SimLine::Read(std::span<std::uint8_t> destination) {
    CatchUp();
    if (failNextRead_) {
        errors_ |= *std::exchange(failNextRead_, std::nullopt);
        return false;
    }
    if (received_.size() < destination.size())
        return false;
    const auto end = received_.begin() + static_cast<std::ptrdiff_t>(destination.size());
    std::copy(received_.begin(), end, destination.begin());
    received_.erase(received_.begin(), end);
    return true;
}

CommDevice::Status SimLine::ClearErrors() {
    CatchUp();
    const std::uint64_t now = clock_->Peek();
    CommDevice::Status status;
    status.errors = std::exchange(errors_, 0);
    status.inputQueued = received_.size();
    status.outputQueued = now < transmitterBusyUntilNs_ ? 1 : 0;
    return status;
}

void SimLine::Purge(unsigned directions) {
    CatchUp();
    if ((directions & CommDevice::kPurgeInput) != 0)
        received_.clear();
}

void SimLine::AttachPeer(std::shared_ptr<SimPeer> peer) {
    peer_ = std::move(peer);
}

void SimLine::SetPeerLine(const LineSettings& line) {
    peerUart_.SetLine(line, PeerNowNs());
    quietUntilNs_ = 0;
}

std::uint64_t SimLine::PeerSend(std::span<const std::uint8_t> bytes, std::uint64_t atNs) {
    std::uint64_t startNs = std::max({atNs, PeerNowNs(), peerTransmitterFreeNs_});
    for (const std::uint8_t byte : bytes)
        startNs = SimUart::Transmit(toProgram_, byte, PeerLine(), startNs);
    peerTransmitterFreeNs_ = startNs;
    quietUntilNs_ = 0;
    return startNs;
}

void SimLine::WakePeerAt(std::uint64_t atNs) {
    // Always later than now, so a peer that keeps asking still lets time move on.
    wakes_.push(std::max(atNs, PeerNowNs() + 1));
    quietUntilNs_ = 0;
}

std::uint64_t SimLine::PeerNowNs() const {
    return peerEventNs_.value_or(clock_->Peek());
}

void SimLine::InjectBreak(std::uint64_t fromNs, std::uint64_t untilNs) {
    toProgram_.HoldLow(fromNs, untilNs);
    quietUntilNs_ = 0;
}

void SimLine::InjectPulse(std::uint64_t atNs, std::uint64_t durationNs) {
    InjectBreak(atNs, atNs + durationNs);
}

void SimLine::InjectErrors(unsigned flags, std::uint64_t atNs) {
    scheduledErrors_.emplace(atNs, flags);
    quietUntilNs_ = 0;
}

void SimLine::FailNextRead(unsigned flags) {
    failNextRead_ = flags;
}

void SimLine::CatchUp() {
    const std::uint64_t now = clock_->Peek();
    // A peer that calls in while it is being told of an event is inside already.
    if (catchingUp_ || now < quietUntilNs_)
        return;
    struct Inside {
        explicit Inside(SimLine& line) : line(line) { line.catchingUp_ = true; }
        ~Inside() {
            line.catchingUp_ = false;
            line.peerEventNs_.reset();
        }
        SimLine& line;
    } inside(*this);
    // The peer goes first: what it sends in answer may reach the program before now.
    RunPeer(now);
    ReceiveAtProgram(now);
    for (auto due = scheduledErrors_.begin(); due != scheduledErrors_.end() && due->first <= now;) {
        if (programEndOpen_)
            errors_ |= due->second;
        due = scheduledErrors_.erase(due);
    }
    toPeer_.ForgetBefore(peerUart_.HuntFromNs());
    toProgram_.ForgetBefore(programUart_.HuntFromNs());
    quietUntilNs_ = NextEventNs();
}

void SimLine::RunPeer(std::uint64_t untilNs) {
    for (;;) {
        const std::optional<SimUart::Frame> frame = peerUart_.Peek(toPeer_, untilNs);
        const bool wakeFirst =
            !wakes_.empty() && wakes_.top() <= untilNs && (!frame || wakes_.top() < frame->character.timeNs);
        if (wakeFirst) {
            const std::uint64_t atNs = wakes_.top();
            wakes_.pop();
            peerEventNs_ = atNs;
            if (peer_)
                peer_->OnWake(*this, atNs);
            continue;
        }
        if (!frame)
            break;
        peerUart_.Take(*frame);
        if (frame->kind != SimUart::Frame::Kind::Character)
            continue;
        peerEventNs_ = frame->character.timeNs;
        if (peer_)
            peer_->OnCharacter(*this, frame->character);
    }
}

void SimLine::ReceiveAtProgram(std::uint64_t untilNs) {
    while (const std::optional<SimUart::Frame> frame = programUart_.Peek(toProgram_, untilNs)) {
        programUart_.Take(*frame);
        if (!programEndOpen_ || (unpluggedAtNs_ && frame->character.timeNs >= *unpluggedAtNs_))
            continue;  // a closed or unplugged port hears nothing
        // The receiver takes a break as one frame of zeros without its stop bit and hunts for the
        // next start bit only after the line has risen again, so each break is reported once.
        if (frame->kind == SimUart::Frame::Kind::Break)
            errors_ |= CSerial::kBreak;
        if (frame->kind != SimUart::Frame::Kind::Character)
            continue;
        errors_ |= frame->character.errors;
        if (received_.size() < kReceiveQueueBytes) {
            received_.push_back(frame->character.byte);
        } else {
            errors_ |= CSerial::kReceiveOverflow;
        }
    }
}

// The earliest moment at which catching up could change anything.
std::uint64_t SimLine::NextEventNs() const {
    std::uint64_t next = NextProgramEventNs();
    if (const auto frame = peerUart_.Peek(toPeer_, kNever))
        next = std::min(next, frame->character.timeNs);
    return next;
}

std::uint64_t SimLine::NextProgramEventNs() const {
    std::uint64_t next = kNever;
    if (const auto frame = programUart_.Peek(toProgram_, kNever))
        next = std::min(next, frame->character.timeNs);
    if (!wakes_.empty())
        next = std::min(next, wakes_.top());
    if (!scheduledErrors_.empty())
        next = std::min(next, scheduledErrors_.begin()->first);
    if (unpluggedAtNs_ && *unpluggedAtNs_ > clock_->Peek())
        next = std::min(next, *unpluggedAtNs_);
    return next;
}

void SimLine::Unplug(std::uint64_t atNs) {
    unpluggedAtNs_ = atNs;
    quietUntilNs_ = 0;
}

bool SimLine::Unplugged() const {
    return unpluggedAtNs_ && clock_->Peek() >= *unpluggedAtNs_;
}
