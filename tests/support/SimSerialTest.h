#pragma once

#include <cstdint>
#include <memory>

#include "ScriptedPeer.h"
#include "SimLine.h"
#include "VirtualTimeTest.h"

inline constexpr std::uint64_t kUs = 1'000;  // nanoseconds
inline constexpr std::uint64_t kMs = 1'000'000;

// A test on virtual time whose platform serial port is a CPosixSerial with COM kPort on a SimLine, and
// a ScriptedPeer at the far end (9600 8-N-1 unless the test sets the peer's line). The port is the
// platform's, not yet borrowed or opened:
//
//     Peer().Answer({0x01}, {0x06}, 2 * kMs);
//     CSerial* port = Platform().GetSerial();
//     port->Open(kPort);
class SimSerialTest : public VirtualTimeTest {
protected:
    static constexpr unsigned kPort = 1;

    SimSerialTest();

    SimLine& Line() { return *line_; }
    ScriptedPeer& Peer() { return *peer_; }
    // The platform's port, for tests of the port itself.
    CSerial& Serial() { return *serial_; }
    // The virtual time now, for scheduling on the line.
    std::uint64_t NowNs() const { return line_->PeerNowNs(); }

private:
    std::shared_ptr<SimLine> line_;
    std::shared_ptr<ScriptedPeer> peer_ = std::make_shared<ScriptedPeer>();
    CSerial* serial_ = nullptr;
};
