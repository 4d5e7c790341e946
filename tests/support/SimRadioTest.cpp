#include "SimRadioTest.h"

#include "platform/CPosixSerial.h"

SimRadioTest::SimRadioTest() : line_(std::make_shared<SimLine>(SharedClock())) {
    // Opening the port makes the radio, so that a test that never asks for it still has one.
    auto serial =
        std::make_unique<CPosixSerial>([this, opener = SimLine::Opener(line_, kPort)](unsigned port) {
            Radio();
            return opener(port);
        });
    serial_ = serial.get();
    UseSerial(std::move(serial));
}

SimRadio& SimRadioTest::Radio() {
    if (!radio_) {
        radio_ = std::make_shared<SimRadio>(profile_);
        radio_->AttachTo(line_);
    }
    return *radio_;
}

void SimRadioTest::Wait(std::uint64_t ns) {
    Radio();
    Clock().Advance(ns);
    line_->CatchUp();
}
