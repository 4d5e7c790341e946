#include "kwip/CKwipMessage.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "errors/CGenError.h"

namespace {

// What a frame's header says: where the payload starts and the size field (payload + checksum).
struct FrameShape {
    std::size_t headerLength;
    std::size_t size;

    std::size_t FrameLength() const { return headerLength + size; }
};

// Nothing when `raw` is too short to hold the header.
std::optional<FrameShape> ShapeOf(std::span<const std::uint8_t> raw) {
    if (raw.empty())
        return std::nullopt;
    if ((raw[0] & CKwipMessage::kSizeNibble) != CKwipMessage::kSizeNibble) {
        return FrameShape{CKwipMessage::kShortHeaderBytes,
                          static_cast<std::size_t>(raw[0] & CKwipMessage::kSizeNibble)};
    }
    if (raw.size() < CKwipMessage::kLongHeaderBytes)
        return std::nullopt;
    return FrameShape{CKwipMessage::kLongHeaderBytes, static_cast<std::size_t>(raw[2] << 8 | raw[3])};
}

// A whole frame of `raw` with room for its opcode before the checksum.
std::optional<FrameShape> WholeFrameOf(std::span<const std::uint8_t> raw) {
    const std::optional<FrameShape> shape = ShapeOf(raw);
    if (!shape || shape->size == 0 || shape->FrameLength() > raw.size())
        return std::nullopt;
    return shape;
}

}  // namespace

std::uint8_t CKwipMessage::Build(std::uint8_t opcode, std::span<const std::uint8_t> payload, KwipForm form) {
    if (payload.size() > kMaxPayload) {
        throw CGenError(3, "CKwipMessage::Build: A payload of %u bytes does not fit a KWIP frame",
                        static_cast<unsigned>(payload.size()));
    }
    if (form == KwipForm::Short && payload.size() > kMaxShortPayload) {
        throw CGenError(3, "CKwipMessage::Build: A payload of %u bytes does not fit the short form",
                        static_cast<unsigned>(payload.size()));
    }
    if (form == KwipForm::Auto)
        form = payload.size() <= kMaxShortPayload ? KwipForm::Short : KwipForm::Long;
    const auto size = static_cast<std::uint8_t>(payload.size() + 1);
    if (form == KwipForm::Short) {
        frame_[0] = kShortMark | size;
        headerLength_ = kShortHeaderBytes;
    } else {
        frame_[0] = kLongMark;
        frame_[2] = 0x00;
        frame_[3] = size;
        headerLength_ = kLongHeaderBytes;
    }
    frame_[1] = opcode;
    std::copy(payload.begin(), payload.end(), frame_.begin() + headerLength_);
    opcode_ = opcode;
    payloadLength_ = static_cast<std::uint16_t>(payload.size());
    frameLength_ = static_cast<std::uint16_t>(headerLength_ + size);
    form_ = form;
    Finish();
    return checksum_;
}

std::uint8_t CKwipMessage::BuildByte(std::uint8_t opcode, std::uint8_t value) {
    return Build(opcode, std::span(&value, 1), KwipForm::Short);
}

std::uint8_t CKwipMessage::BuildEmpty(std::uint8_t opcode) {
    return Build(opcode, {}, KwipForm::Short);
}

void CKwipMessage::Finish() {
    checksum_ = Checksum(GetFrame());
    frame_[frameLength_ - 1] = checksum_;
}

void CKwipMessage::Parse(std::span<const std::uint8_t> raw) {
    const std::optional<FrameShape> shape = WholeFrameOf(raw);
    if (!shape)
        throw CGenError(3, "CKwipMessage::Parse: The frame is incomplete or has no opcode");
    if (shape->FrameLength() > kFrameBytes) {
        throw CGenError(3, "CKwipMessage::Parse: A frame of %u bytes does not fit the message buffer",
                        static_cast<unsigned>(shape->FrameLength()));
    }
    std::copy_n(raw.begin(), shape->FrameLength(), frame_.begin());
    headerLength_ = static_cast<std::uint16_t>(shape->headerLength);
    frameLength_ = static_cast<std::uint16_t>(shape->FrameLength());
    payloadLength_ = static_cast<std::uint16_t>(shape->size - 1);
    opcode_ = frame_[1];
    checksum_ = frame_[frameLength_ - 1];
    form_ = headerLength_ == kLongHeaderBytes ? KwipForm::Long : KwipForm::Short;
}

void CKwipMessage::CopyFrom(const CKwipMessage& other) {
    *this = other;
}

bool CKwipMessage::VerifyChecksum(std::span<const std::uint8_t> raw) {
    const std::optional<FrameShape> shape = WholeFrameOf(raw);
    if (!shape)
        return false;
    const std::span<const std::uint8_t> frame = raw.first(shape->FrameLength());
    return frame.back() == Checksum(frame);
}

std::uint8_t CKwipMessage::Checksum(std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> summed = bytes.first(bytes.empty() ? 0 : bytes.size() - 1);
    const unsigned sum = std::accumulate(summed.begin(), summed.end(), 0u);
    return static_cast<std::uint8_t>(0xFF - (sum & 0xFF));
}

KwipHeader CKwipMessage::GetHeader() const {
    return {opcode_, frameLength_, payloadLength_, headerLength_, checksum_};
}
