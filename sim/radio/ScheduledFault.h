#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "radio/RadioRequest.h"

// A fault the radio commits when it meets the n-th request of a kind (counted from 1 over the radio's
// life; `any` counts every well-formed KWIP request). Written "<kind>#<n> <fault> [<byte>]":
//
//     write#3 nak        the third write gets the negative acknowledge and is not carried out
//     any#7 silence      the seventh KWIP request gets no answer and is not carried out
//     read#2 bad-checksum, status#1 lose 0, block#4 garble 9, read#1 line-error 2, sync#1 break 0
//     write#40 reset     the radio resets instead of answering, in the middle of the transfer
//
// Kinds: any, reset, read, erase, write, status (KWIP), sync, block (the ZR5 loader; sync also Q7's).
// The byte faults count the bytes of the answer from 0: the acknowledge, then the reply; for the loader
// the sync answer or the block's 16 (its own 8 behind the interface box). lose: that byte never arrives (its time passes silent). garble: it
// arrives with bits flipped. line-error: it arrives, and the program's next read fails with a framing
// error, as a driver aborts a read on one. break: the line is held low for kBreakNs in its place.
// bad-checksum: the request is carried out and its reply's checksum is wrong (KWIP only, as is nak).
struct ScheduledFault {
    enum class Kind { NegativeAck, BadChecksum, Silence, LoseByte, GarbleByte, LineError, Break, Reset };

    static constexpr std::uint64_t kBreakNs = 20'000'000;
    static constexpr std::uint8_t kGarbleMask = 0x81;

    std::optional<RequestKind> on;  // nothing: any KWIP request
    unsigned number = 1;
    Kind kind = Kind::Silence;
    std::size_t byte = 0;  // for the byte faults

    // Throws std::invalid_argument with the reason for text that is not a fault.
    static ScheduledFault Parse(std::string_view text);
    std::string Text() const;
    bool IsByteFault() const;

    bool operator==(const ScheduledFault&) const = default;
};
