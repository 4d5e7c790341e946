#pragma once

enum class Parity { None, Odd, Even };
enum class StopBits { One, OneAndHalf, Two };

// The framing of a serial line: bits per second, data bits per character, parity and stop bits.
struct LineSettings {
    unsigned baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings&) const = default;
};

// The length of the stop bits in half bits.
inline constexpr int StopHalfBits(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return 3;
        case StopBits::Two:
            return 4;
        case StopBits::One:
            break;
    }
    return 2;
}

inline constexpr int kMinDataBits = 5;
inline constexpr int kMaxDataBits = 8;

// Whether a UART can frame characters so: any rate above 0 and 5 to 8 data bits; one and a half stop
// bits exist only with 5 data bits and two stop bits only with more, as on the common UARTs (and in the
// Win32 rules the program was written against).
inline bool IsSupported(const LineSettings& line) {
    if (line.baud == 0 || line.dataBits < kMinDataBits || line.dataBits > kMaxDataBits)
        return false;
    if (line.stopBits == StopBits::OneAndHalf)
        return line.dataBits == kMinDataBits;
    if (line.stopBits == StopBits::Two)
        return line.dataBits != kMinDataBits;
    return true;
}
