#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Input from a terminal in PARMRK mode, where the line's events come marked in the data: a break as
// FF 00 00, a character c received with a parity or framing error as FF 00 c, and a real FF doubled.
// Takes the bytes as they come (a mark may be split between reads), queues the data without the marks
// and keeps the events as CSerial line-error flags.
class MarkedInput {
public:
    // The marks do not tell a parity error from a framing error; with parity checked we report parity.
    void SetParityChecked(bool checked) { parityChecked_ = checked; }
    // Appends the data of `raw` to `data`.
    void Accept(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& data);
    unsigned TakeErrors();
    // Forgets a mark begun but not finished, as when the input is purged.
    void Reset() { state_ = State::Data; }

private:
    enum class State { Data, Escape, Event };

    void AcceptOne(std::uint8_t byte, std::vector<std::uint8_t>& data);

    State state_ = State::Data;
    bool parityChecked_ = false;
    unsigned errors_ = 0;
};
