#include "SmallRadio.h"

#include <string_view>

const std::vector<std::uint8_t> SmallRadio::kIdentity = {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1,
                                                         0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};

namespace {

constexpr std::size_t kCodeplugBytes = 4096;
constexpr std::size_t kBootcodeBytes = 20;
constexpr unsigned kFlashBaud = 115200;
constexpr std::uint64_t kMs = 1'000'000;

std::vector<std::uint8_t> Text(std::string_view text) {
    return {text.begin(), text.end()};
}

}  // namespace

RadioProfile SmallRadio::Profile() {
    RadioProfile profile;
    profile.name = "small test radio";
    profile.statuses = {{0, Text("TESTRADIO T1")}, {3, Text("R01.00")}, {4, Text("Z5")}, {5, {0x00}},
                        {11, Text("SN00001234")},  {14, {0x20, 0x20}},  {15, kIdentity}, {16, {0x01}}};
    profile.codeplug.resize(kCodeplugBytes);
    for (unsigned address = 0; address < profile.codeplug.size(); ++address)
        profile.codeplug[address] = CodeplugByte(address);
    profile.bootcodes = {{Bootcode(), kFlashBaud}};
    // A pulse twice a second: most start times find it at 300 baud, a few at 2400 baud as a break.
    profile.announcement = {LoaderAnnouncement::Kind::Pulse, 10 * kMs, 500 * kMs};
    profile.latencies.eraseNs = 100 * kMs;
    profile.latencies.restartNs = 50 * kMs;
    return profile;
}

std::vector<std::uint8_t> SmallRadio::Bootcode() {
    std::vector<std::uint8_t> image(kBootcodeBytes);
    for (std::size_t at = 0; at < image.size(); ++at)
        image[at] = static_cast<std::uint8_t>(0xB0 + at);
    return image;
}
