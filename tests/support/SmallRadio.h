#pragma once

#include <cstdint>
#include <vector>

#include "radio/RadioProfile.h"

// A radio that costs tests little time: 4 KiB of codeplug holding the byte pattern CodeplugByte, a 128 KiB
// flash, a ZR5 loader that pulses and knows the bootcode Bootcode() at 115200 baud, short latencies
// (erase 100 ms, restart 50 ms), and these statuses: 0 "TESTRADIO T1", 3 "R01.00", 4 "Z5", 5 00,
// 11 "SN00001234", 14 20 20, 15 the identity kIdentity, 16 01.
struct SmallRadio {
    static const std::vector<std::uint8_t> kIdentity;

    static RadioProfile Profile();
    static std::uint8_t CodeplugByte(unsigned address) { return static_cast<std::uint8_t>(address * 7 + 3); }
    // 20 bytes: three ZR5 blocks, the last one padded.
    static std::vector<std::uint8_t> Bootcode();
};
