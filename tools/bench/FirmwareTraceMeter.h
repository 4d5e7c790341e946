#pragma once

#include <cstdint>
#include <istream>
#include <optional>

// Times the firmware programming of a real-time run from corvida-cli's wire trace (--verbose), beside
// its wire-time bound. The trace stamps each KWIP attempt when it has ended (the reply taken in), to the
// millisecond; the firmware writes are the KWIP writes into the flash window that follow the last flash
// erase. The phase runs from the end of the first firmware write to the end of the last, so its bound
// counts the characters of every later attempt (request, acknowledge, reply) at the character time of
// the rate the trace last set, one request in flight; the firmware pauses nowhere.
class FirmwareTraceMeter {
public:
    struct Figures {
        double measuredSeconds = 0;
        double boundSeconds = 0;
        std::uint64_t writes = 0;  // firmware write attempts, the first included
        std::uint64_t characters = 0;
        unsigned baud = 0;
    };

    // Nothing when the trace holds no firmware writes after a flash erase.
    static std::optional<Figures> Measure(std::istream& trace);
};
