#include "SimSerialTest.h"

#include "platform/CPosixSerial.h"

SimSerialTest::SimSerialTest() : line_(std::make_shared<SimLine>(SharedClock())) {
    line_->AttachPeer(peer_);
    auto serial = std::make_unique<CPosixSerial>(SimLine::Opener(line_, kPort));
    serial_ = serial.get();
    UseSerial(std::move(serial));
}
