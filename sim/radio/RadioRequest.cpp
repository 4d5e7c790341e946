#include "radio/RadioRequest.h"

#include "errors/TextFormat.h"

namespace {

constexpr std::uint64_t kNsPerSecond = 1'000'000'000;
constexpr std::uint64_t kNsPerMicrosecond = 1'000;

std::string Details(const RadioRequest& request) {
    switch (request.kind) {
        case RequestKind::Read:
        case RequestKind::Write:
            return FormatText("%06X %u bytes", request.address, static_cast<unsigned>(request.count));
        case RequestKind::RadioStatus:
            return FormatText("code %u", static_cast<unsigned>(request.code));
        case RequestKind::UnknownOpcode:
            return FormatText("opcode %02X", static_cast<unsigned>(request.code));
        case RequestKind::Bootcode:
            return FormatText("%u bytes, runs at %u baud", static_cast<unsigned>(request.count),
                              request.baud);
        case RequestKind::Sync:
        case RequestKind::Block:
        case RequestKind::Garbage:
        case RequestKind::BadChecksum: {
            std::string hex;
            for (const std::uint8_t byte : request.bytes)
                hex += FormatText("%02X", static_cast<unsigned>(byte));
            return hex;
        }
        case RequestKind::Reset:
        case RequestKind::EraseFlash:
            break;
    }
    return {};
}

const char* OutcomeName(RequestOutcome outcome) {
    switch (outcome) {
        case RequestOutcome::Done:
            return "done";
        case RequestOutcome::Refused:
            return "refused";
        case RequestOutcome::Overrun:
            return "overrun";
        case RequestOutcome::Ignored:
            break;
    }
    return "ignored";
}

}  // namespace

const char* StateName(RadioState state) {
    switch (state) {
        case RadioState::Running:
            return "running";
        case RadioState::Restarting:
            return "restarting";
        case RadioState::Dead:
            return "dead";
        case RadioState::Loader:
            return "loader";
        case RadioState::Bootcode:
            break;
    }
    return "bootcode";
}

const char* KindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::Reset:
            return "reset";
        case RequestKind::Read:
            return "read";
        case RequestKind::EraseFlash:
            return "erase";
        case RequestKind::Write:
            return "write";
        case RequestKind::RadioStatus:
            return "status";
        case RequestKind::UnknownOpcode:
            return "unknown";
        case RequestKind::BadChecksum:
            return "bad-checksum";
        case RequestKind::Garbage:
            return "garbage";
        case RequestKind::Sync:
            return "sync";
        case RequestKind::Block:
            return "block";
        case RequestKind::Bootcode:
            break;
    }
    return "bootcode";
}

std::string Describe(const RadioRequest& request) {
    std::string line = FormatText("%5u.%06u %-10s %s", static_cast<unsigned>(request.timeNs / kNsPerSecond),
                                  static_cast<unsigned>(request.timeNs % kNsPerSecond / kNsPerMicrosecond),
                                  StateName(request.state), KindName(request.kind));
    const std::string details = Details(request);
    if (!details.empty())
        line += " " + details;
    line += std::string(": ") + OutcomeName(request.outcome);
    if (!request.fault.empty())
        line += " (fault " + request.fault + ")";
    return line;
}
