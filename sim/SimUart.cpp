#include "SimUart.h"

#include <bit>
#include <cmath>

#include "platform/CSerial.h"

namespace {

constexpr double kNsPerSecond = 1e9;

int ParityBits(const LineSettings& line) {
    return line.parity == Parity::None ? 0 : 1;
}

// The parity bit that makes the count of ones odd (odd parity) or even (even parity).
bool ParityBit(std::uint8_t data, Parity parity) {
    const bool oddOnes = std::popcount(data) % 2 == 1;
    return parity == Parity::Odd ? !oddOnes : oddOnes;
}

std::uint64_t BitEdgeNs(std::uint64_t startNs, double bits, double bitNs) {
    return startNs + static_cast<std::uint64_t>(std::llround(bits * bitNs));
}

}  // namespace

double SimUart::BitNs(unsigned baud) {
    return kNsPerSecond / baud;
}

std::uint64_t SimUart::FrameNs(const LineSettings& line) {
    const int halfBits = 2 + 2 * line.dataBits + 2 * ParityBits(line) + StopHalfBits(line.stopBits);
    return BitEdgeNs(0, halfBits / 2.0, BitNs(line.baud));
}

std::uint64_t SimUart::Transmit(SimWire& wire, std::uint8_t byte, const LineSettings& line,
                                std::uint64_t startNs) {
    const double bitNs = BitNs(line.baud);
    const std::uint8_t data = static_cast<std::uint8_t>(byte & ((1u << line.dataBits) - 1));
    const auto holdLowIf = [&](bool low, int bit) {
        if (low)
            wire.HoldLow(BitEdgeNs(startNs, bit, bitNs), BitEdgeNs(startNs, bit + 1, bitNs));
    };
    holdLowIf(true, 0);
    for (int bit = 0; bit < line.dataBits; ++bit)
        holdLowIf(((data >> bit) & 1) == 0, 1 + bit);
    if (line.parity != Parity::None)
        holdLowIf(!ParityBit(data, line.parity), 1 + line.dataBits);
    return startNs + FrameNs(line);
}

std::uint64_t SimUart::PulseNs(std::uint8_t reads, unsigned baud) {
    return BitEdgeNs(0, 1 + std::countr_zero(reads), BitNs(baud));
}

void SimUart::SetLine(const LineSettings& line, std::uint64_t nowNs) {
    line_ = line;
    huntFromNs_ = nowNs;
}

std::optional<SimUart::Frame> SimUart::Peek(const SimWire& wire, std::uint64_t untilNs) const {
    const std::optional<std::uint64_t> fall = wire.NextFall(huntFromNs_);
    if (!fall)
        return std::nullopt;
    const double bitNs = BitNs(line_.baud);
    const auto sampleNs = [&](int bit) { return BitEdgeNs(*fall, bit + 0.5, bitNs); };
    const auto isMark = [&](int bit) { return !wire.IsLow(sampleNs(bit)); };

    Frame frame;
    if (sampleNs(0) > untilNs)
        return std::nullopt;
    if (isMark(0)) {  // too short for a start bit
        frame.character.timeNs = frame.resumeNs = sampleNs(0);
        return frame;
    }
    const std::uint64_t endNs = *fall + FrameNs(line_);
    if (endNs > untilNs)
        return std::nullopt;

    std::uint8_t data = 0;
    for (int bit = 0; bit < line_.dataBits; ++bit) {
        if (isMark(1 + bit))
            data = static_cast<std::uint8_t>(data | (1u << bit));
    }
    int next = 1 + line_.dataBits;
    unsigned errors = 0;
    bool parityMark = false;
    if (line_.parity != Parity::None) {
        parityMark = isMark(next++);
        if (parityMark != ParityBit(data, line_.parity))
            errors |= CSerial::kParityError;
    }
    const bool stopMark = isMark(next);
    frame.resumeNs = sampleNs(next);
    frame.character = {data, endNs, errors};
    frame.kind = Frame::Kind::Character;
    if (!stopMark && data == 0 && !parityMark) {
        frame.kind = Frame::Kind::Break;
    } else if (!stopMark) {
        frame.character.errors |= CSerial::kFramingError;
    }
    return frame;
}
