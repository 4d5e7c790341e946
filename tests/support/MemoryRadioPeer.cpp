#include "MemoryRadioPeer.h"

#include <numeric>

#include "SimLine.h"

namespace {

constexpr std::uint8_t kReset = 0x10;
constexpr std::uint8_t kRead = 0x11;
constexpr std::uint8_t kWrite = 0x17;
constexpr std::uint8_t kStatus = 0x23;
constexpr std::uint8_t kReadReply = 0x80;
constexpr std::uint8_t kWriteReply = 0x84;
constexpr std::uint8_t kStatusReply = 0x8B;
constexpr std::uint8_t kLongForm = 0x0F;
constexpr std::size_t kMaxShortPayload = 13;

std::uint8_t Checksum(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    return static_cast<std::uint8_t>(0xFF - std::accumulate(bytes.begin(), bytes.begin() + count, 0u));
}

std::uint32_t Address(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 16 | std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2];
}

}  // namespace

std::size_t MemoryRadioPeer::FrameLength() const {
    if (frame_.empty())
        return 0;
    if ((frame_[0] & 0x0F) != kLongForm)
        return (frame_[0] & 0x0F) + 2;
    if (frame_.size() < 4)
        return 0;
    return (std::size_t{frame_[2]} << 8 | frame_[3]) + 4;
}

void MemoryRadioPeer::OnCharacter(SimLine& line, const SimCharacter& character) {
    frame_.push_back(character.byte);
    const std::size_t length = FrameLength();
    if (length == 0 || frame_.size() < length)
        return;
    Answer(line, character.timeNs + kTurnaroundNs);
    frame_.clear();
}

bool MemoryRadioPeer::Touches(std::uint32_t address, std::uint32_t count) const {
    const auto first = failing_.lower_bound(address);
    return first != failing_.end() && *first < address + count;
}

void MemoryRadioPeer::Answer(SimLine& line, std::uint64_t atNs) {
    const std::vector<std::uint8_t> nack = {kNack};
    const std::size_t header = (frame_[0] & 0x0F) == kLongForm ? 4 : 2;
    const std::uint8_t opcode = frame_[1];
    const std::vector<std::uint8_t> payload(frame_.begin() + header, frame_.end() - 1);
    if (frame_.back() != Checksum(frame_, frame_.size() - 1)) {
        line.PeerSend(nack, atNs);
        return;
    }
    std::vector<std::uint8_t> answer = {kAck};
    if (opcode == kReset && payload.empty() && !failReset_) {
        requests_.push_back({kReset, 0, 0});
    } else if (opcode == kRead && payload.size() == 4) {
        const std::uint32_t count = payload[0];
        const std::uint32_t address = Address(payload, 1);
        if (address + count > memory_.size() || Touches(address, count)) {
            line.PeerSend(nack, atNs);
            return;
        }
        requests_.push_back({kRead, address, count});
        std::vector<std::uint8_t> data(payload.begin() + 1, payload.end());
        data.insert(data.end(), memory_.begin() + address, memory_.begin() + address + count);
        const std::vector<std::uint8_t> reply = Reply(kReadReply, data);
        answer.insert(answer.end(), reply.begin(), reply.end());
    } else if (opcode == kWrite && header == 4 && payload.size() >= 3) {
        const std::uint32_t address = Address(payload, 0);
        const auto count = static_cast<std::uint32_t>(payload.size() - 3);
        if (address + count > memory_.size() || Touches(address, count)) {
            line.PeerSend(nack, atNs);
            return;
        }
        requests_.push_back({kWrite, address, count});
        std::copy(payload.begin() + 3, payload.end(), memory_.begin() + address);
        const std::vector<std::uint8_t> reply = Reply(kWriteReply, {});
        answer.insert(answer.end(), reply.begin(), reply.end());
    } else if (opcode == kStatus && payload.size() == 1 && statuses_.count(payload[0]) != 0) {
        requests_.push_back({kStatus, payload[0], 0});
        std::vector<std::uint8_t> data = {payload[0]};
        const std::vector<std::uint8_t>& text = statuses_.at(payload[0]);
        data.insert(data.end(), text.begin(), text.end());
        const std::vector<std::uint8_t> reply = Reply(kStatusReply, data);
        answer.insert(answer.end(), reply.begin(), reply.end());
    } else {
        line.PeerSend(nack, atNs);
        return;
    }
    line.PeerSend(answer, atNs);
}

std::vector<std::uint8_t> MemoryRadioPeer::Reply(std::uint8_t opcode,
                                                 const std::vector<std::uint8_t>& payload) const {
    std::vector<std::uint8_t> frame;
    if (payload.size() <= kMaxShortPayload) {
        frame = {static_cast<std::uint8_t>(0xF0 | (payload.size() + 1)), opcode};
    } else {
        const std::size_t size = payload.size() + 1;
        frame = {0xFF, opcode, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Checksum(frame, frame.size()));
    return frame;
}
