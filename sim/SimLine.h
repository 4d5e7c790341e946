#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <span>
#include <vector>

#include "SimPeer.h"
#include "SimUart.h"
#include "SimWire.h"
#include "VirtualClock.h"
#include "platform/CPosixSerial.h"
#include "platform/CommDevice.h"

// A serial line in virtual time between the program's CommDevice end and a SimPeer. Both directions
// carry characters bit by bit with the timing of their sender's settings, and each end's receiver reads
// them at its own settings (SimUart), so a rate the ends disagree on garbles characters as a real line
// would. Before the program end does anything, the line catches up with the clock (VirtualClock::Peek):
// the peer is handed each character whose frame has ended, with its time, and its wake-ups; characters,
// breaks and pulses reach the program's receive queue at the moments their frames end. A wait for input
// at the program end moves the clock straight to the line's next event. Times are nanoseconds of the
// VirtualClock.
//
// The program end models a Win32 port: one character in the transmit register at a time, a receive
// queue of kReceiveQueueBytes, error flags that hold until queried, and an optional echo box that returns
// every transmitted character on the receive line. A break is one event, as a UART reports it: its flag
// is raised once, when the line has been low for a whole character at the program's settings, however
// long the line then stays low. Make the line with std::make_shared.
class SimLine : public std::enable_shared_from_this<SimLine> {
public:
    static constexpr std::size_t kReceiveQueueBytes = 4096;
    static constexpr std::uint8_t kEchoGarbleMask = 0x24;

    explicit SimLine(std::shared_ptr<const VirtualClock> clock);

    // The program end as a device of its own, for CPosixSerial. One at a time: null while one is open.
    // A newly opened end starts with an empty queue and no flags.
    std::unique_ptr<CommDevice> OpenProgramEnd();
    // An opener for CPosixSerial that gives the program end for COM `port` and nothing for other numbers.
    static CPosixSerial::DeviceOpener Opener(std::shared_ptr<SimLine> line, unsigned port);

    // Brings the line up to the clock now. The program end's operations do it first themselves; a test
    // calls it to look at the peer after moving the clock.
    void CatchUp();

    // The far end. The line keeps the peer alive; attaching another replaces it.
    void AttachPeer(std::shared_ptr<SimPeer> peer);
    const LineSettings& ProgramLine() const { return programUart_.Line(); }
    const LineSettings& PeerLine() const { return peerUart_.Line(); }
    // The peer's framing, for what it sends and receives from PeerNowNs on (9600 8-N-1 at first).
    void SetPeerLine(const LineSettings& line);
    // Sends the bytes back to back, the first at atNs or as soon as the peer's transmitter is free, never
    // before PeerNowNs. Returns the moment the last one has left.
    std::uint64_t PeerSend(std::span<const std::uint8_t> bytes, std::uint64_t atNs);
    // Calls the peer's OnWake at atNs (after PeerNowNs).
    void WakePeerAt(std::uint64_t atNs);
    // Inside a peer call the moment of its event, else the clock's time.
    std::uint64_t PeerNowNs() const;
    // The earliest moment after the last catch-up at which the line brings the program end something (a
    // character, a break, an error, the cable pulled) or wakes the peer. Characters on their way to the
    // peer are left out: the peer hears each at its own time whenever the line next catches up.
    std::uint64_t NextProgramEventNs() const;

    // Holds the program's receive line low: a break over [fromNs, untilNs), or a pulse.
    void InjectBreak(std::uint64_t fromNs, std::uint64_t untilNs);
    void InjectPulse(std::uint64_t atNs, std::uint64_t durationNs);
    // Raises error flags (CSerial::kOverrun...) at the program end from atNs on, until queried.
    void InjectErrors(unsigned flags, std::uint64_t atNs);
    // The next Read fails and raises these flags, as a driver that aborts a read on a line error.
    void FailNextRead(unsigned flags);
    void SetEchoBox(bool on) { echoBox_ = on; }
    bool EchoBox() const { return echoBox_; }
    // A faulty echo box: it passes on and returns the next `count` characters the program sends with the
    // bits of kEchoGarbleMask flipped.
    void GarbleThroughEchoBox(std::size_t count) { garbledEchoes_ = count; }
    // The cable pulled out at atNs: from then on the program end's device has gone (CommDevice::Gone),
    // it sends and receives nothing, and the line cannot be opened again until PlugIn.
    void Unplug(std::uint64_t atNs);
    void PlugIn() { unpluggedAtNs_.reset(); }
    bool Unplugged() const;
    // The program end refuses new settings, or cannot report its settings.
    void RefuseLineChanges(bool refuse) { refuseLineChanges_ = refuse; }
    void FailLineQueries(bool fail) { failLineQueries_ = fail; }

private:
    class ProgramEnd;

    // The program end's operations, reached through an opened ProgramEnd. Purging output discards
    // nothing: a character on the wire finishes, as in a real UART's shift register.
    std::optional<LineSettings> GetLine();
    bool SetLine(const LineSettings& line);
    bool TransmitChar(std::uint8_t byte);
    std::size_t InputCount();
    void WaitForInput(std::size_t moreThan, std::uint64_t deadline, Clock& clock);
    bool Read(std::span<std::uint8_t> destination);
    CommDevice::Status ClearErrors();
    void Purge(unsigned directions);

    void RunPeer(std::uint64_t untilNs);
    void ReceiveAtProgram(std::uint64_t untilNs);
    std::uint64_t NextEventNs() const;

    std::shared_ptr<const VirtualClock> clock_;
    std::shared_ptr<SimPeer> peer_;
    SimWire toPeer_;     // the program's transmit line
    SimWire toProgram_;  // the program's receive line: the peer, breaks and pulses, the echo box
    SimUart programUart_;
    SimUart peerUart_;
    std::deque<std::uint8_t> received_;
    unsigned errors_ = 0;
    std::multimap<std::uint64_t, unsigned> scheduledErrors_;
    std::optional<unsigned> failNextRead_;
    std::uint64_t transmitterBusyUntilNs_ = 0;
    std::uint64_t peerTransmitterFreeNs_ = 0;
    std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> wakes_;
    std::optional<std::uint64_t> peerEventNs_;
    std::uint64_t quietUntilNs_ = 0;  // nothing can happen before this; 0 when something changed
    bool catchingUp_ = false;
    bool programEndOpen_ = false;
    bool echoBox_ = false;
    std::size_t garbledEchoes_ = 0;
    std::optional<std::uint64_t> unpluggedAtNs_;
    bool refuseLineChanges_ = false;
    bool failLineQueries_ = false;
};
