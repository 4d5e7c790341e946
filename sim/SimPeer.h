#pragma once

#include <cstdint>

#include "SimUart.h"

class SimLine;

// The far end of a SimLine: a scripted partner in protocol tests, later the simulated radio. The line
// calls it in time order as it catches up with the clock; inside a call, SimLine::PeerNowNs is the
// moment of the event, and whatever the peer sends or asks for goes from there.
class SimPeer {
public:
    virtual ~SimPeer() = default;

    // A character the peer's receiver made out of what the program sent, at the peer's line settings.
    virtual void OnCharacter(SimLine& line, const SimCharacter& character) = 0;
    // The moment asked for with SimLine::WakePeerAt has come.
    virtual void OnWake(SimLine& /*line*/, std::uint64_t /*nowNs*/) {}
};
