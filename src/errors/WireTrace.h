#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// What crosses the serial line, for a user who asks to watch it (corvida-cli --verbose). Process-wide
// like the message box, so the exchange and the bootstrap reach it without knowing who listens. Nothing
// is installed by default: then each report costs one test of a pointer. A report is made after its
// step has ended, outside every timed wait, and must not throw.
class WireTrace {
public:
    // One attempt of a KWIP command. The spans are valid only during the call.
    struct KwipAttempt {
        std::span<const std::uint8_t> request;
        std::optional<std::uint8_t> ack;      // nothing when no acknowledge arrived
        std::span<const std::uint8_t> reply;  // the reply bytes taken in, whole or in part
        unsigned attempt = 1;                 // from 1
        unsigned attempts = 1;                // the command's limit
        std::string_view failure;             // empty when the attempt succeeded, else the error's text
    };

    // One step of a bootcode download: detection ("detect"), the sync exchange ("sync"), or a block or
    // piece ("block 0x0010"); what was sent and what came back.
    struct BootstrapStep {
        std::string_view step;
        std::span<const std::uint8_t> sent;
        std::span<const std::uint8_t> received;
        std::string_view result;   // what the step found ("ZR5"), or empty
        std::string_view failure;  // empty when the step succeeded, else the error's text
    };

    virtual ~WireTrace() = default;

    virtual void OnKwipAttempt(const KwipAttempt& attempt) = 0;
    virtual void OnBootstrapStep(const BootstrapStep& step) = 0;
    // The open port now runs at this rate.
    virtual void OnRateChange(unsigned baud) = 0;

    // The caller keeps ownership and uninstalls (nullptr) before the trace dies.
    static void Install(WireTrace* trace);
    // The installed trace, or null: callers build a report only when there is one.
    static WireTrace* Installed();
};
