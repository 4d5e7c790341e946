#include "radio/SimRadio.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "SimUart.h"
#include "platform/CSerial.h"

namespace {

LineSettings EightNoneOne(unsigned baud) {
    return {baud, 8, Parity::None, StopBits::One};
}

BootstrapLoader LoaderFor(const RadioProfile& profile) {
    return BootstrapLoader(profile.controller, profile.syncCharacter, profile.bootcodes);
}

// When the character's start bit began; its time is when its frame ended.
std::uint64_t FrameStartNs(const SimLine& line, const SimCharacter& character) {
    const std::uint64_t frameNs = SimUart::FrameNs(line.PeerLine());
    return character.timeNs > frameNs ? character.timeNs - frameNs : 0;
}

RadioProfile Checked(RadioProfile profile) {
    profile.Check();
    return profile;
}

}  // namespace

SimRadio::SimRadio(RadioProfile profile)
    : profile_(Checked(std::move(profile))),
      memory_(profile_),
      faults_(profile_.faults),
      loader_(LoaderFor(profile_)) {}

void SimRadio::RestoreMemory(RadioMemory::Saved saved) {
    memory_.Restore(std::move(saved));
    if (!memory_.FirmwareIntact()) {
        state_ = RadioState::Dead;
        return;
    }
    memory_.StartFirmware();
    state_ = RadioState::Running;
}

void SimRadio::AttachTo(const std::shared_ptr<SimLine>& line) {
    line_ = line;
    line->AttachPeer(shared_from_this());
    line->SetPeerLine(EightNoneOne(lineBaud_));
}

SimLine& SimRadio::AttachedLine() const {
    const std::shared_ptr<SimLine> line = line_.lock();
    if (!line)
        throw std::logic_error("the radio is attached to no line");
    return *line;
}

void SimRadio::EnterBootstrapMode(std::uint64_t atNs) {
    At(AttachedLine(), atNs, [this](SimLine& line) { StartLoader(line); });
}

void SimRadio::PowerCycle(std::uint64_t atNs) {
    At(AttachedLine(), atNs, [this](SimLine& line) { Restart(line, line.PeerNowNs()); });
}

void SimRadio::OnCharacter(SimLine& line, const SimCharacter& character) {
    switch (state_) {
        case RadioState::Running:
        case RadioState::Bootcode:
            if (character.timeNs < busyUntilNs_)
                return;
            for (RadioFrameReader::Result& result : reader_.Take(character))
                HandleFrame(line, std::move(result));
            return;
        case RadioState::Loader:
            HandleLoaderCharacter(line, character);
            return;
        case RadioState::Restarting:
        case RadioState::Dead:
            return;  // nothing listens
    }
}

void SimRadio::OnWake(SimLine& line, std::uint64_t nowNs) {
    while (!agenda_.empty() && agenda_.begin()->first <= nowNs) {
        auto due = agenda_.extract(agenda_.begin());
        due.mapped()(line);
    }
}

void SimRadio::HandleFrame(SimLine& line, RadioFrameReader::Result result) {
    RadioRequest entry = Entry(line, RequestKind::Garbage, std::move(result.bytes));
    switch (result.kind) {
        case RadioFrameReader::Result::Kind::Garbage:
            Record(std::move(entry));
            return;
        case RadioFrameReader::Result::Kind::BadChecksum:
            entry.kind = RequestKind::BadChecksum;
            Refuse(line, entry, std::nullopt);
            return;
        case RadioFrameReader::Result::Kind::Frame:
            break;
    }
    KwipServer::Summarise(result.frame, entry);
    const std::optional<ScheduledFault> fault = faults_.Meet(entry.kind);
    if (fault) {
        entry.fault = fault->Text();
        switch (fault->kind) {
            case ScheduledFault::Kind::Silence:
                Record(std::move(entry));
                return;
            case ScheduledFault::Kind::Reset:
                Record(std::move(entry));
                Restart(line, line.PeerNowNs());
                return;
            case ScheduledFault::Kind::NegativeAck:
                Refuse(line, entry, std::nullopt);
                return;
            default:
                break;  // the fault shows in the answer
        }
    }
    Serve(line, result.frame, entry, fault);
}

void SimRadio::Serve(SimLine& line, const RadioFrame& frame, RadioRequest& entry,
                     const std::optional<ScheduledFault>& fault) {
    const KwipServer::Mode mode =
        state_ == RadioState::Bootcode ? KwipServer::Mode::Bootcode : KwipServer::Mode::Firmware;
    const KwipServer::Outcome outcome = server_.Serve(frame, mode);
    if (!outcome.accepted) {
        Refuse(line, entry, fault);
        return;
    }
    std::vector<AnswerPiece> answer = {{{kPositiveAck}, profile_.latencies.ackNs}};
    if (!outcome.reply.empty()) {
        AnswerPiece reply{outcome.reply,
                          outcome.afterErase ? profile_.latencies.eraseNs : profile_.latencies.replyNs};
        if (fault && fault->kind == ScheduledFault::Kind::BadChecksum)
            reply.bytes.back() ^= kChecksumFlip;
        answer.push_back(std::move(reply));
    }
    const std::uint64_t endNs = Send(line, line.PeerNowNs(), answer, fault);
    entry.outcome = RequestOutcome::Done;
    Record(std::move(entry));
    if (outcome.afterErase)
        busyUntilNs_ = endNs;
    if (outcome.restarts)
        Restart(line, endNs);
}

void SimRadio::Refuse(SimLine& line, RadioRequest& entry, const std::optional<ScheduledFault>& fault) {
    Send(line, line.PeerNowNs(), {{{kNegativeAck}, profile_.latencies.ackNs}}, fault);
    entry.outcome = RequestOutcome::Refused;
    Record(std::move(entry));
}

void SimRadio::HandleLoaderCharacter(SimLine& line, const SimCharacter& character) {
    RadioRequest entry = Entry(line, RequestKind::Sync, {character.byte});
    if (HeldLowByAnnouncement(line, character)) {
        entry.kind = RequestKind::Garbage;
        Record(std::move(entry));
        return;
    }
    if (OverrunsAnswer(line, character)) {
        loader_.Overrun();
        entry.kind = RequestKind::Garbage;
        entry.outcome = RequestOutcome::Overrun;
        Record(std::move(entry));
        return;
    }
    switch (loader_.RoleOf(character)) {
        case BootstrapLoader::Role::Unwanted:
            if (loader_.Synced() || loader_.IsOverrun())
                entry.kind = RequestKind::Garbage;
            Record(std::move(entry));
            return;
        case BootstrapLoader::Role::Data: {
            const BootstrapLoader::Step step = loader_.Take(character.byte);
            if (step.runsAtBaud)
                RunBootcode(line, line.PeerNowNs(), *step.runsAtBaud);
            return;
        }
        case BootstrapLoader::Role::BlockEnd:
            entry.kind = RequestKind::Block;
            entry.bytes.assign(loader_.BlockUnderWay().begin(), loader_.BlockUnderWay().end());
            entry.bytes.push_back(character.byte);
            break;
        case BootstrapLoader::Role::Sync:
            break;
    }
    const std::optional<ScheduledFault> fault = faults_.Meet(entry.kind);
    if (fault)
        entry.fault = fault->Text();
    if (fault && fault->kind == ScheduledFault::Kind::Silence) {
        loader_.DiscardBlock();
        Record(std::move(entry));
        return;
    }
    if (fault && fault->kind == ScheduledFault::Kind::Reset) {
        Record(std::move(entry));
        StartLoader(line);
        return;
    }
    const BootstrapLoader::Step step = loader_.Take(character.byte);
    std::uint64_t endNs = line.PeerNowNs();
    if (!step.answer.empty()) {
        const std::uint64_t fromNs = std::max(endNs, announcedUntilNs_);
        const AnswerPiece answer{AnswerOnLine(line, entry.kind, step.answer), profile_.latencies.loaderAnswerNs};
        endNs = Send(line, fromNs, {answer}, fault);
        answeringUntilNs_ = endNs;
    }
    // A sync answer that did not arrive as 0xFF leaves the loader announcing and waiting for the sync.
    if (entry.kind == RequestKind::Sync && !step.answer.empty() && fault && fault->IsByteFault())
        loader_.LoseSync();
    entry.outcome = RequestOutcome::Done;
    Record(std::move(entry));
    if (step.runsAtBaud)
        RunBootcode(line, endNs, *step.runsAtBaud);
}

// The ZR5 loader receives and answers on one controller port: a character that starts while its answer
// is still going out is lost in the middle of the bootcode.
bool SimRadio::OverrunsAnswer(SimLine& line, const SimCharacter& character) const {
    if (profile_.controller != Controller::ZR5 || !loader_.Synced() || loader_.Complete())
        return false;
    return FrameStartNs(line, character) < answeringUntilNs_;
}

// The flashing adapter makes one bootstrap line of the radio's receive and transmit lines: a character
// that meets the loader's own break or pulse there is lost to the loader as well.
bool SimRadio::HeldLowByAnnouncement(SimLine& line, const SimCharacter& character) const {
    return !loader_.Synced() && FrameStartNs(line, character) < announcedUntilNs_ &&
           character.timeNs > announcedFromNs_;
}

// The flashing adapter makes the radio's receive and transmit lines one bootstrap line, so the first
// half of a block's answer, the block repeated, is what that line carries back while the block goes
// out. The interface box already returns every byte the program sends; behind it the adapter passes on
// only the loader's own half, and the program receives the block once either way.
std::vector<std::uint8_t> SimRadio::AnswerOnLine(const SimLine& line, RequestKind kind,
                                                 std::vector<std::uint8_t> answer) {
    if (kind == RequestKind::Block && line.EchoBox())
        answer.erase(answer.begin(), answer.begin() + BootstrapLoader::kBlockBytes);
    return answer;
}

void SimRadio::Become(SimLine& line, RadioState state, unsigned baud) {
    ++epoch_;
    const bool changed = state != state_;
    state_ = state;
    lineBaud_ = baud;
    busyUntilNs_ = 0;
    reader_.Reset();
    line.SetPeerLine(EightNoneOne(baud));
    if (changed && stateObserver_)
        stateObserver_(state);
}

// Deaf for the restart time, then the firmware runs if the flash holds it; a radio whose flash was left
// erased or half written at its start stays dead until bootstrap mode.
void SimRadio::Restart(SimLine& line, std::uint64_t fromNs) {
    Become(line, RadioState::Restarting, kFirmwareBaud);
    InState(line, fromNs + profile_.latencies.restartNs, [this](SimLine& later) {
        if (!memory_.FirmwareIntact()) {
            Become(later, RadioState::Dead, kFirmwareBaud);
            return;
        }
        memory_.StartFirmware();
        Become(later, RadioState::Running, kFirmwareBaud);
    });
}

void SimRadio::StartLoader(SimLine& line) {
    loader_ = LoaderFor(profile_);
    Become(line, RadioState::Loader, profile_.bootstrapBaud);
    announcedUntilNs_ = line.PeerNowNs();
    answeringUntilNs_ = 0;
    if (profile_.controller == Controller::ZR5)
        Announce(line);
}

void SimRadio::Announce(SimLine& line) {
    if (loader_.Synced())
        return;
    const std::uint64_t nowNs = line.PeerNowNs();
    if (nowNs < answeringUntilNs_) {  // a spoilt sync answer still going out
        InState(line, answeringUntilNs_, [this](SimLine& later) { Announce(later); });
        return;
    }
    const LoaderAnnouncement& announcement = profile_.announcement;
    announcedFromNs_ = nowNs;
    if (announcement.kind == LoaderAnnouncement::Kind::Pulse) {
        const std::uint64_t pulseNs = SimUart::PulseNs(kPulseReads, kPulseBaud);
        line.InjectPulse(nowNs, pulseNs);
        announcedUntilNs_ = nowNs + pulseNs;
    } else {
        line.InjectBreak(nowNs, nowNs + announcement.breakNs);
        announcedUntilNs_ = nowNs + announcement.breakNs;
    }
    if (announcement.repeatNs == 0)
        return;
    InState(line, announcedUntilNs_ + announcement.repeatNs, [this](SimLine& later) { Announce(later); });
}

void SimRadio::RunBootcode(SimLine& line, std::uint64_t fromNs, unsigned baud) {
    RadioRequest entry = Entry(line, RequestKind::Bootcode, {});
    entry.count = loader_.Received().size();
    entry.baud = baud;
    entry.outcome = RequestOutcome::Done;
    Record(std::move(entry));
    const std::uint64_t startNs = fromNs + profile_.latencies.bootcodeStartNs;
    InState(line, startNs, [this, baud, startNs](SimLine& later) {
        Become(later, RadioState::Bootcode, baud);
        SendHello(later, baud, startNs + kHelloWaitNs);
    });
}

void SimRadio::SendHello(SimLine& line, unsigned baud, std::uint64_t latestNs) {
    const std::uint64_t nowNs = line.PeerNowNs();
    if (helloWaitsForProgram_ && line.ProgramLine().baud != baud && nowNs < latestNs) {
        constexpr std::uint64_t kLookAgainNs = 1'000'000;
        InState(line, nowNs + kLookAgainNs,
                [this, baud, latestNs](SimLine& later) { SendHello(later, baud, latestNs); });
        return;
    }
    const std::uint8_t hello = kBootcodeHello;
    line.PeerSend(std::span(&hello, 1), nowNs);
}

std::uint64_t SimRadio::Send(SimLine& line, std::uint64_t fromNs, const std::vector<AnswerPiece>& pieces,
                             const std::optional<ScheduledFault>& fault) {
    const bool byteFault = fault && fault->IsByteFault();
    std::uint64_t atNs = fromNs;
    std::size_t index = 0;
    for (const AnswerPiece& piece : pieces) {
        atNs += piece.afterNs;
        for (std::uint8_t byte : piece.bytes) {
            const bool hit = byteFault && fault->byte == index++;
            if (!hit) {
                atNs = line.PeerSend(std::span(&byte, 1), atNs);
                continue;
            }
            switch (fault->kind) {
                case ScheduledFault::Kind::LoseByte:
                    atNs = std::max(atNs, line.PeerNowNs()) + SimUart::FrameNs(line.PeerLine());
                    break;
                case ScheduledFault::Kind::GarbleByte:
                    byte ^= ScheduledFault::kGarbleMask;
                    atNs = line.PeerSend(std::span(&byte, 1), atNs);
                    break;
                case ScheduledFault::Kind::LineError:
                    atNs = line.PeerSend(std::span(&byte, 1), atNs);
                    At(line, atNs, [](SimLine& later) { later.FailNextRead(CSerial::kFramingError); });
                    break;
                default:  // a break in the byte's place, and a character time of idle line after it
                    atNs = std::max(atNs, line.PeerNowNs());
                    line.InjectBreak(atNs, atNs + ScheduledFault::kBreakNs);
                    atNs += ScheduledFault::kBreakNs + SimUart::FrameNs(line.PeerLine());
            }
        }
    }
    return atNs;
}

void SimRadio::At(SimLine& line, std::uint64_t atNs, Action action) {
    agenda_.emplace(atNs, std::move(action));
    line.WakePeerAt(atNs);
}

void SimRadio::InState(SimLine& line, std::uint64_t atNs, Action action) {
    At(line, atNs, [this, epoch = epoch_, action = std::move(action)](SimLine& later) {
        if (epoch == epoch_)
            action(later);
    });
}

RadioRequest SimRadio::Entry(SimLine& line, RequestKind kind, std::vector<std::uint8_t> bytes) const {
    RadioRequest entry;
    entry.timeNs = line.PeerNowNs();
    entry.state = state_;
    entry.kind = kind;
    entry.bytes = std::move(bytes);
    return entry;
}

void SimRadio::Record(RadioRequest entry) {
    requests_.push_back(std::move(entry));
    if (observer_)
        observer_(requests_.back());
}
