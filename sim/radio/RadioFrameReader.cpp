#include "radio/RadioFrameReader.h"

#include <utility>

namespace {

constexpr std::size_t kSizeHighByte = 2;  // offsets of the long form's size in the frame
constexpr std::size_t kSizeLowByte = 3;
constexpr std::uint8_t kSizeNibble = 0x0F;

}  // namespace

std::vector<RadioFrameReader::Result> RadioFrameReader::Take(const SimCharacter& character) {
    std::vector<Result> results;
    const bool paused = character.timeNs - lastNs_ > kPauseNs;
    lastNs_ = character.timeNs;
    if (paused) {
        if (!frame_.empty())
            results.push_back(Drop());
        resynchronising_ = false;
    }
    if (resynchronising_)
        return results;
    if (std::optional<Result> result = Accept(character))
        results.push_back(std::move(*result));
    return results;
}

void RadioFrameReader::Reset() {
    frame_.clear();
    expected_ = 0;
    resynchronising_ = false;
}

std::optional<RadioFrameReader::Result> RadioFrameReader::Accept(const SimCharacter& character) {
    frame_.push_back(character.byte);
    if (character.errors != 0)
        return Drop();
    if (frame_.size() == 1) {
        if ((character.byte & RadioFrame::kHeaderMark) != RadioFrame::kHeaderMark)
            return Drop();
        const unsigned size = character.byte & kSizeNibble;
        if (size == RadioFrame::kLongForm)
            return std::nullopt;  // the size comes in bytes 2 and 3
        if (size == 0)
            return Drop();
        expected_ = RadioFrame::kShortHeaderBytes + size;  // the size counts the payload and the checksum
    } else if (expected_ == 0 && frame_.size() == RadioFrame::kLongHeaderBytes) {
        const unsigned size = (frame_[kSizeHighByte] << 8) | frame_[kSizeLowByte];
        if (size == 0 || size > RadioFrame::kMaxPayload + RadioFrame::kChecksumBytes)
            return Drop();
        expected_ = RadioFrame::kLongHeaderBytes + size;
    }
    if (expected_ == 0 || frame_.size() < expected_)
        return std::nullopt;
    return Complete();
}

std::optional<RadioFrameReader::Result> RadioFrameReader::Complete() {
    Result result;
    result.bytes = std::exchange(frame_, {});
    const std::size_t headerBytes = (result.bytes[0] & kSizeNibble) == RadioFrame::kLongForm
                                        ? RadioFrame::kLongHeaderBytes
                                        : RadioFrame::kShortHeaderBytes;
    expected_ = 0;
    const std::span<const std::uint8_t> beforeChecksum =
        std::span(result.bytes).first(result.bytes.size() - RadioFrame::kChecksumBytes);
    if (RadioFrame::Checksum(beforeChecksum) != result.bytes.back()) {
        result.kind = Result::Kind::BadChecksum;
        return result;
    }
    result.kind = Result::Kind::Frame;
    result.frame.opcode = result.bytes[1];
    result.frame.payload.assign(beforeChecksum.begin() + static_cast<std::ptrdiff_t>(headerBytes),
                                beforeChecksum.end());
    return result;
}

RadioFrameReader::Result RadioFrameReader::Drop() {
    Result result;
    result.bytes = std::exchange(frame_, {});
    expected_ = 0;
    resynchronising_ = true;
    return result;
}
