#pragma once

#include <cstdint>
#include <memory>

#include "SimLine.h"
#include "SmallRadio.h"
#include "VirtualTimeTest.h"
#include "radio/RadioProfile.h"
#include "radio/SimRadio.h"

// A test on virtual time whose platform serial port (a CPosixSerial, COM kPort) is on a SimLine with a
// simulated radio at the far end. The radio is made from Profile(), which starts as SmallRadio, when
// the test first opens the port or asks for the radio; until then the test may change the profile:
//
//     Profile().controller = Controller::Q7;
//     Radio().EnterBootstrapMode(NowNs());
//     CKwipBroker broker;
//     broker.Comm().Open(kPort, 0);
class SimRadioTest : public VirtualTimeTest {
protected:
    static constexpr unsigned kPort = 1;
    static constexpr std::uint64_t kUs = 1'000;  // nanoseconds
    static constexpr std::uint64_t kMs = 1'000'000;

    SimRadioTest();

    RadioProfile& Profile() { return profile_; }
    SimRadio& Radio();
    SimLine& Line() { return *line_; }
    std::shared_ptr<SimLine> SharedLine() const { return line_; }
    CSerial& Serial() { return *serial_; }
    std::uint64_t NowNs() const { return line_->PeerNowNs(); }
    // Lets virtual time pass with the program idle, and brings the line and the radio up to it.
    void Wait(std::uint64_t ns);

private:
    RadioProfile profile_ = SmallRadio::Profile();
    std::shared_ptr<SimLine> line_;
    std::shared_ptr<SimRadio> radio_;
    CSerial* serial_ = nullptr;
};
