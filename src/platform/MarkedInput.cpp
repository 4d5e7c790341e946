#include "platform/MarkedInput.h"

#include <utility>

#include "platform/CSerial.h"

namespace {

constexpr std::uint8_t kMarkByte = 0xFF;

}  // namespace

void MarkedInput::Accept(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& data) {
    for (const std::uint8_t byte : raw)
        AcceptOne(byte, data);
}

void MarkedInput::AcceptOne(std::uint8_t byte, std::vector<std::uint8_t>& data) {
    switch (state_) {
        case State::Data:
            if (byte == kMarkByte) {
                state_ = State::Escape;
            } else {
                data.push_back(byte);
            }
            return;
        case State::Escape:
            if (byte == 0) {
                state_ = State::Event;
                return;
            }
            state_ = State::Data;
            data.push_back(kMarkByte);  // FF FF is a real FF; anything else was no mark at all
            if (byte != kMarkByte)
                data.push_back(byte);
            return;
        case State::Event:
            state_ = State::Data;
            if (byte == 0) {
                errors_ |= CSerial::kBreak;
                return;
            }
            errors_ |= parityChecked_ ? CSerial::kParityError : CSerial::kFramingError;
            data.push_back(byte);
            return;
    }
}

unsigned MarkedInput::TakeErrors() {
    return std::exchange(errors_, 0);
}
