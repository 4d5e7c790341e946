#include "SimRadioTest.h"

#include "platform/CPosixSerial.h"

const std::vector<std::uint8_t> SimRadioTest::kIdentity = {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1,
                                                           0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};

namespace {

constexpr std::size_t kSmallCodeplugBytes = 4096;
constexpr std::size_t kSmallBootcodeBytes = 20;

std::vector<std::uint8_t> Text(std::string_view text) {
    return {text.begin(), text.end()};
}

}  // namespace

RadioProfile SimRadioTest::SmallRadio() {
    RadioProfile profile;
    profile.name = "small test radio";
    profile.statuses = {{0, Text("TESTRADIO T1")}, {3, Text("R01.00")}, {4, Text("Z5")}, {5, {0x00}},
                        {11, Text("SN00001234")},  {14, {0x20, 0x20}},  {15, kIdentity}, {16, {0x01}}};
    profile.codeplug.resize(kSmallCodeplugBytes);
    for (unsigned address = 0; address < profile.codeplug.size(); ++address)
        profile.codeplug[address] = CodeplugByte(address);
    profile.bootcodes = {{SmallBootcode(), 115200}};
    profile.latencies.eraseNs = 100 * kMs;
    profile.latencies.restartNs = 50 * kMs;
    return profile;
}

std::vector<std::uint8_t> SimRadioTest::SmallBootcode() {
    std::vector<std::uint8_t> image(kSmallBootcodeBytes);
    for (std::size_t at = 0; at < image.size(); ++at)
        image[at] = static_cast<std::uint8_t>(0xB0 + at);
    return image;
}

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
