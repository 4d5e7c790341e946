#pragma once

#include <cstdint>
#include <memory>

#include "SimLine.h"
#include "VirtualTimeTest.h"
#include "radio/RadioProfile.h"
#include "radio/SimRadio.h"

// A test on virtual time whose platform serial port (a CPosixSerial, COM kPort) is on a SimLine with a
// simulated radio at the far end. The radio is made from Profile(), which starts as SmallRadio(), when
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

    // A radio that costs little time: 4 KiB of codeplug holding the byte pattern CodeplugByte, a 128 KiB
    // flash, a ZR5 loader that knows the bootcode SmallBootcode at 115200 baud, the latencies short
    // (erase 100 ms, restart 50 ms), and these statuses: 0 "TESTRADIO T1", 3 "R01.00", 4 "Z5", 5 00,
    // 11 "SN00001234", 14 20 20, 15 the identity kIdentity, 16 01.
    static RadioProfile SmallRadio();
    static std::uint8_t CodeplugByte(unsigned address) { return static_cast<std::uint8_t>(address * 7 + 3); }
    // 20 bytes: three ZR5 blocks, the last one padded.
    static std::vector<std::uint8_t> SmallBootcode();
    static const std::vector<std::uint8_t> kIdentity;

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
    RadioProfile profile_ = SmallRadio();
    std::shared_ptr<SimLine> line_;
    std::shared_ptr<SimRadio> radio_;
    CSerial* serial_ = nullptr;
};
