#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "SimUart.h"
#include "radio/RadioFrame.h"

// Assembles the KWIP frames a radio receives, one character at a time. Whatever cannot be a frame is
// garbage: a first byte without the header mark, a size of 0 or one beyond RadioFrame::kMaxPayload, a
// character that came with a line error, or a frame left unfinished for longer than kPauseNs. The
// reader drops garbage and then everything that follows until the line has been quiet for kPauseNs, as
// a radio's receiver finds the start of the next frame again; the program's retry comes after a longer
// pause than that and is heard whole.
class RadioFrameReader {
public:
    static constexpr std::uint64_t kPauseNs = 50'000'000;

    struct Result {
        enum class Kind { Frame, BadChecksum, Garbage };
        Kind kind = Kind::Garbage;
        std::vector<std::uint8_t> bytes;  // as received; for garbage, what was dropped up to here
        RadioFrame frame;                 // for Kind::Frame
    };

    // What the character completes: nothing, one result, or two when it follows a frame that the
    // pause before it left unfinished.
    std::vector<Result> Take(const SimCharacter& character);
    // Forgets any frame under way, as after the radio restarts or changes its rate.
    void Reset();

private:
    std::optional<Result> Accept(const SimCharacter& character);
    std::optional<Result> Complete();
    Result Drop();

    std::vector<std::uint8_t> frame_;
    std::size_t expected_ = 0;  // the frame's whole length once its header tells it, else 0
    std::uint64_t lastNs_ = 0;
    bool resynchronising_ = false;
};
