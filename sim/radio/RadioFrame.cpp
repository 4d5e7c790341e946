#include "radio/RadioFrame.h"

#include <numeric>
#include <stdexcept>

std::vector<std::uint8_t> RadioFrame::Build(std::uint8_t opcode, std::span<const std::uint8_t> payload) {
    if (payload.size() > kMaxPayload)
        throw std::invalid_argument("a KWIP payload of more than 254 bytes");
    const auto size = static_cast<std::uint8_t>(payload.size() + kChecksumBytes);
    std::vector<std::uint8_t> frame;
    if (payload.size() <= kMaxShortPayload) {
        frame = {static_cast<std::uint8_t>(kHeaderMark | size), opcode};
    } else {
        frame = {static_cast<std::uint8_t>(kHeaderMark | kLongForm), opcode, 0x00, size};
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Checksum(frame));
    return frame;
}

std::uint8_t RadioFrame::Checksum(std::span<const std::uint8_t> bytesBefore) {
    const unsigned sum = std::accumulate(bytesBefore.begin(), bytesBefore.end(), 0u);
    return static_cast<std::uint8_t>(~sum);
}
