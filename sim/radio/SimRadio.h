#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "SimLine.h"
#include "SimPeer.h"
#include "radio/BootstrapLoader.h"
#include "radio/FaultSchedule.h"
#include "radio/KwipServer.h"
#include "radio/RadioFrameReader.h"
#include "radio/RadioMemory.h"
#include "radio/RadioProfile.h"
#include "radio/RadioRequest.h"

// A simulated radio at the far end of a SimLine: the radio's memory and its states (RadioMemory,
// KwipServer, BootstrapLoader, FaultSchedule) with the timing of the line. It answers as the radio the
// program is written for does, and refuses what such a radio refuses: RadioFrameReader says what it
// makes of bad frames, KwipServer of bad requests, BootstrapLoader of bad bootstrap traffic. radiosim
// runs the same object behind a pseudo-terminal.
//
//     auto radio = std::make_shared<SimRadio>(profile);
//     radio->AttachTo(line);
//     radio->EnterBootstrapMode(line->PeerNowNs());   // the operator's hands
//
// The acknowledge and reply of a KWIP request follow it after the profile's latencies; the loader
// answers after its own; the bootcode sends kBootcodeHello at its flash rate once it runs. Times are
// nanoseconds of the line's clock.
class SimRadio : public SimPeer, public std::enable_shared_from_this<SimRadio> {
public:
    static constexpr unsigned kFirmwareBaud = 9600;
    static constexpr std::uint8_t kPositiveAck = 0x06;
    static constexpr std::uint8_t kNegativeAck = 0x60;
    static constexpr std::uint8_t kBootcodeHello = 0x55;  // the bootcode's first character; never examined
    static constexpr std::uint8_t kPulseReads =
        0xF8;  // the loader's pulse, as a receiver at 300 baud reads it
    static constexpr unsigned kPulseBaud = 300;
    static constexpr std::uint64_t kHelloWaitNs = 5'000'000'000;
    static constexpr std::uint8_t kChecksumFlip =
        0xFF;  // what a bad-checksum fault does to the checksum byte

    // Throws std::invalid_argument when the profile describes no radio (RadioProfile::Check).
    explicit SimRadio(RadioProfile profile);

    // Before AttachTo: the memory a saved state kept (radiosim's --state). The radio starts as one whose
    // power comes back: into its firmware if the flash holds it, else dead until bootstrap mode. Throws
    // std::invalid_argument for the state of another radio (RadioMemory::Restore).
    void RestoreMemory(RadioMemory::Saved saved);
    // Becomes the line's peer. Make the radio with std::make_shared.
    void AttachTo(const std::shared_ptr<SimLine>& line);
    // The operator puts the radio into bootstrap mode at atNs: whatever it was doing, it restarts into its
    // loader, and a ZR5 loader starts announcing itself.
    void EnterBootstrapMode(std::uint64_t atNs);
    // The operator switches the radio off and on at atNs: it restarts into its firmware, if intact.
    void PowerCycle(std::uint64_t atNs);
    void ScheduleFault(const ScheduledFault& fault) { faults_.Add(fault); }
    // The line is mended: no scheduled fault is committed any more.
    void ClearFaults() { faults_.Clear(); }
    // radiosim's: on a pseudo-terminal a busy machine can change the program's rate long after the
    // bootcode starts, where a bench PC changes it at once. The bootcode's first character then waits
    // (kHelloWaitNs at most) until the program's end of the line is at the flash rate.
    void SetHelloWaitsForProgram(bool waits) { helloWaitsForProgram_ = waits; }
    // Told of every request as it is logged (radiosim's -v).
    void SetObserver(std::function<void(const RadioRequest&)> observer) { observer_ = std::move(observer); }
    // Told of every change of state as it happens.
    void SetStateObserver(std::function<void(RadioState)> observer) { stateObserver_ = std::move(observer); }

    RadioState State() const { return state_; }
    bool LoaderSynced() const { return loader_.Synced(); }
    unsigned LineBaud() const { return lineBaud_; }
    const RadioMemory& Memory() const { return memory_; }
    std::span<const std::uint8_t> Flash() const { return memory_.Flash().Bytes(); }
    std::span<const std::uint8_t> Codeplug() const { return memory_.Codeplug(); }
    // Every request received, oldest first, with the time its last character arrived.
    const std::vector<RadioRequest>& Requests() const { return requests_; }
    // The bootcode bytes the loader has taken since it last started.
    std::span<const std::uint8_t> ReceivedBootcode() const { return loader_.Received(); }

    void OnCharacter(SimLine& line, const SimCharacter& character) override;
    void OnWake(SimLine& line, std::uint64_t nowNs) override;

private:
    // Bytes sent back to back, the first afterNs after the previous piece ended.
    struct AnswerPiece {
        std::vector<std::uint8_t> bytes;
        std::uint64_t afterNs = 0;
    };
    using Action = std::function<void(SimLine&)>;

    void HandleFrame(SimLine& line, RadioFrameReader::Result result);
    void Serve(SimLine& line, const RadioFrame& frame, RadioRequest& entry,
               const std::optional<ScheduledFault>& fault);
    void HandleLoaderCharacter(SimLine& line, const SimCharacter& character);
    bool HeldLowByAnnouncement(SimLine& line, const SimCharacter& character) const;
    bool OverrunsAnswer(SimLine& line, const SimCharacter& character) const;
    static std::vector<std::uint8_t> AnswerOnLine(const SimLine& line, RequestKind kind,
                                                  std::vector<std::uint8_t> answer);
    void Refuse(SimLine& line, RadioRequest& entry, const std::optional<ScheduledFault>& fault);

    void Become(SimLine& line, RadioState state, unsigned baud);
    void Restart(SimLine& line, std::uint64_t fromNs);
    void StartLoader(SimLine& line);
    void Announce(SimLine& line);
    void RunBootcode(SimLine& line, std::uint64_t fromNs, unsigned baud);
    void SendHello(SimLine& line, unsigned baud, std::uint64_t latestNs);

    std::uint64_t Send(SimLine& line, std::uint64_t fromNs, const std::vector<AnswerPiece>& pieces,
                       const std::optional<ScheduledFault>& fault);
    // An action at atNs; InState drops it when the radio changes state before then.
    void At(SimLine& line, std::uint64_t atNs, Action action);
    void InState(SimLine& line, std::uint64_t atNs, Action action);
    SimLine& AttachedLine() const;

    RadioRequest Entry(SimLine& line, RequestKind kind, std::vector<std::uint8_t> bytes) const;
    void Record(RadioRequest entry);

    RadioProfile profile_;
    RadioMemory memory_;
    KwipServer server_{memory_};
    FaultSchedule faults_;
    RadioFrameReader reader_;
    BootstrapLoader loader_;
    std::weak_ptr<SimLine> line_;
    RadioState state_ = RadioState::Running;
    unsigned lineBaud_ = kFirmwareBaud;
    bool helloWaitsForProgram_ = false;
    unsigned epoch_ = 0;                  // counts state changes, for InState
    std::uint64_t busyUntilNs_ = 0;       // the bootcode hears nothing while it erases
    std::uint64_t announcedFromNs_ = 0;
    std::uint64_t announcedUntilNs_ = 0;  // the loader answers once its own pulse or break is over
    std::uint64_t answeringUntilNs_ = 0;  // the end of the loader's last answer
    std::multimap<std::uint64_t, Action> agenda_;
    std::vector<RadioRequest> requests_;
    std::function<void(const RadioRequest&)> observer_;
    std::function<void(RadioState)> stateObserver_;
};
