#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "radio/ScheduledFault.h"

enum class Controller { ZR5, Q7 };

// A bootcode the radio's loader knows: the bytes it must receive (as the program sends them: the data of
// the bootcode file's records in file order) and the flash rate at which that bootcode speaks KWIP.
struct KnownBootcode {
    std::vector<std::uint8_t> image;
    unsigned flashBaud = 0;
};

// How the ZR5 loader makes itself known on the line, again and again until it has answered a sync
// character: a low pulse that reads as one character (kPulseReads) at 300 baud, or a short break held
// for breakNs; the next starts repeatNs after the previous one has ended (with repeatNs 0: once).
//
// The program looks for it as a UART reports it, a break being one event: it waits 70 ms for a break,
// and a break seen there must not come again within the next 20 ms; else it reads one character at 300
// baud within 2 s. So a loader announcing by break repeats short breaks more often than the 70 ms
// window and less often than those 20 ms (10 ms every 65 ms by default, which also leaves a program
// that finds the break at 300 baud, 33 ms after it began, time to send the sync before the next); a
// break held for seconds is one event that the window rarely meets, and at 300 baud no character. A
// pulse loader may pause longer, well within the 2 s, and is then found at 300 baud when no pulse falls
// into the window (at 2400 baud a pulse is a break). A sync character that meets the loader's own
// break or pulse on the line is lost to it (see SimRadio), and the program's retry finds it again. radiosim carries no breaks: there the announcement reaches the program only as the
// character it reads as at 300 baud, which a 10 ms break does (0xFC).
struct LoaderAnnouncement {
    enum class Kind { Pulse, Break };
    Kind kind = Kind::Pulse;
    std::uint64_t breakNs = 10'000'000;
    std::uint64_t repeatNs = 55'000'000;
};

// How long the radio takes, in nanoseconds of the line's clock.
struct RadioLatencies {
    std::uint64_t ackNs = 500'000;               // from a request's last character to the acknowledge
    std::uint64_t replyNs = 1'000'000;           // from the end of the acknowledge to the reply
    std::uint64_t eraseNs = 2'000'000'000;       // the flash erase, from the acknowledge to its reply
    std::uint64_t restartNs = 300'000'000;       // from a reset or power cycle to hearing requests
    std::uint64_t loaderAnswerNs = 500'000;      // from the sync or a block's last byte to the answer
    std::uint64_t bootcodeStartNs = 50'000'000;  // from the whole bootcode to its first character
};

// Where the firmware keeps its release text in the flash, so that a radio reset into newly flashed
// firmware answers status 3 with the release the kit's image carries.
struct ReleaseLocation {
    std::size_t offset = 0;
    std::size_t length = 0;

    bool operator==(const ReleaseLocation&) const = default;
};

// Everything that makes one simulated radio. Tests fill it in code; radiosim reads it from a profile
// file (RadioProfileReader).
struct RadioProfile {
    static constexpr std::size_t kKiB = 1024;
    static constexpr std::array<std::size_t, 3> kFlashSizes = {128 * kKiB, 256 * kKiB, 512 * kKiB};
    static constexpr std::size_t kMaxStatusBytes = 253;  // a status reply's payload is the code and these
    static constexpr std::size_t kMaxCodeplugBytes = 0x400000;  // below the flash window

    std::string name;
    Controller controller = Controller::ZR5;
    std::map<std::uint8_t, std::vector<std::uint8_t>> statuses;  // by status code; others get 0x86
    std::size_t flashBytes = 128 * kKiB;
    std::vector<std::uint8_t> firmware;  // the flash's present content from offset 0 (zeros after)
    std::optional<ReleaseLocation> releaseInFlash;
    // Once reflashed, the firmware starts only when the flash ends in a FirmwareTrailer that holds.
    bool firmwareCheckValue = false;
    std::vector<std::uint8_t> codeplug;  // the codeplug memory, codeplug address 0 first
    unsigned bootstrapBaud = 2400;
    std::uint8_t syncCharacter = 0xFD;
    LoaderAnnouncement announcement;
    std::vector<KnownBootcode> bootcodes;
    RadioLatencies latencies;
    std::vector<ScheduledFault> faults;

    // Throws std::invalid_argument naming the first setting a radio cannot have.
    void Check() const;
};
