#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The radio's states. Running: its firmware speaks KWIP at 9600 baud. Restarting: after a reset or a
// power cycle, deaf until it runs again. Dead: restarted without an intact firmware in its flash, deaf
// until the operator puts it into bootstrap mode. Loader: the controller's bootstrap loader at the
// bootstrap rate. Bootcode: the downloaded bootcode speaks KWIP at its flash rate.
enum class RadioState { Running, Restarting, Dead, Loader, Bootcode };

enum class RequestKind {
    Reset,
    Read,
    EraseFlash,
    Write,
    RadioStatus,
    UnknownOpcode,  // a well-formed frame with an opcode the radio does not serve
    BadChecksum,    // a whole frame whose checksum is wrong
    Garbage,        // what cannot be a frame, or any character the radio has no use for
    Sync,           // a character the loader took as, or in place of, its sync character
    Block,          // an 8-byte block of ZR5 bootcode
    Bootcode,       // the whole bootcode has arrived and will run
};

// Done: carried out and answered (for a bootcode: it will run). Refused: answered with the negative
// acknowledge. Ignored: not answered. Overrun: came while the loader was still answering, which
// corrupts the bootcode it is taking; the loader then takes nothing more.
enum class RequestOutcome { Done, Refused, Ignored, Overrun };

// One request the radio received, for tests and radiosim's log.
struct RadioRequest {
    std::uint64_t timeNs = 0;  // when its last character had arrived
    RadioState state = RadioState::Running;
    RequestKind kind = RequestKind::Garbage;
    RequestOutcome outcome = RequestOutcome::Ignored;
    unsigned address = 0;   // read and write: the first address
    std::size_t count = 0;  // read: the bytes asked for; write: the data bytes; bootcode: its length
    std::uint8_t code = 0;  // status: the code asked for; unknown opcode: the opcode
    unsigned baud = 0;      // bootcode: the rate it runs at
    std::string fault;      // the scheduled fault that met the request, as a profile writes it
    std::vector<std::uint8_t> bytes;  // as received: the frame, the block, the character

    bool operator==(const RadioRequest&) const = default;
};

const char* StateName(RadioState state);
const char* KindName(RequestKind kind);
// One line: time in seconds, state, request and its outcome, e.g.
// "    1.234567 running    read 0002C5 10 bytes: done (fault read#2 garble 3)".
std::string Describe(const RadioRequest& request);
