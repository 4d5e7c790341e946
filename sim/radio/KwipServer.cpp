#include "radio/KwipServer.h"

#include <array>

namespace {

constexpr std::size_t kStatusPayloadBytes = 1;
constexpr std::size_t kReadPayloadBytes = 4;  // the count, then the address
constexpr std::size_t kMinWritePayloadBytes = KwipServer::kAddressBytes + 1;

unsigned AddressAt(std::span<const std::uint8_t> bytes) {
    return (unsigned{bytes[0]} << 16) | (unsigned{bytes[1]} << 8) | bytes[2];
}

KwipServer::Outcome Refused() {
    return {};
}

KwipServer::Outcome Answered(std::uint8_t opcode, std::span<const std::uint8_t> payload) {
    KwipServer::Outcome outcome;
    outcome.accepted = true;
    outcome.reply = RadioFrame::Build(opcode, payload);
    return outcome;
}

}  // namespace

KwipServer::Outcome KwipServer::Serve(const RadioFrame& request, Mode mode) {
    const std::span<const std::uint8_t> payload = request.payload;
    switch (request.opcode) {
        case kRadioStatusOpcode:
            return Status(payload);
        case kReadOpcode:
            return Read(payload);
        case kWriteOpcode:
            return Write(payload, mode);
        case kEraseFlashOpcode:
            return EraseFlash(payload, mode);
        case kResetOpcode: {
            if (!payload.empty())
                return Refused();
            Outcome outcome;
            outcome.accepted = true;
            outcome.restarts = true;
            return outcome;
        }
        default:
            return Refused();
    }
}

KwipServer::Outcome KwipServer::Status(std::span<const std::uint8_t> payload) const {
    if (payload.size() != kStatusPayloadBytes)
        return Refused();
    const std::uint8_t code = payload[0];
    const auto text = memory_.Status(code);
    if (!text)
        return Answered(kEmptyStatusReply, {});
    std::vector<std::uint8_t> reply{code};
    reply.insert(reply.end(), text->begin(), text->end());
    return Answered(kRadioStatusReply, reply);
}

KwipServer::Outcome KwipServer::Read(std::span<const std::uint8_t> payload) const {
    if (payload.size() != kReadPayloadBytes)
        return Refused();
    const std::size_t count = payload[0];
    const std::span<const std::uint8_t> address = payload.subspan(1);
    if (count == 0 || count > kMaxReadCount)
        return Refused();
    const auto data = memory_.ReadCodeplug(AddressAt(address), count);
    if (!data)
        return Refused();
    std::vector<std::uint8_t> reply(address.begin(), address.end());
    reply.insert(reply.end(), data->begin(), data->end());
    return Answered(kReadDataReply, reply);
}

KwipServer::Outcome KwipServer::Write(std::span<const std::uint8_t> payload, Mode mode) {
    if (payload.size() < kMinWritePayloadBytes)
        return Refused();
    const unsigned address = AddressAt(payload);
    const std::span<const std::uint8_t> data = payload.subspan(kAddressBytes);
    const bool flashWindow = address >= RadioMemory::kFlashBase;
    const bool written = flashWindow ? mode == Mode::Bootcode && memory_.ProgramFlash(address, data)
                                     : memory_.WriteCodeplug(address, data);
    if (!written)
        return Refused();
    return Answered(kGoodWriteReply, {});
}

KwipServer::Outcome KwipServer::EraseFlash(std::span<const std::uint8_t> payload, Mode mode) {
    if (mode != Mode::Bootcode || payload.size() != 1 || payload[0] != kEraseFlashValue)
        return Refused();
    memory_.EraseFlash();
    Outcome outcome = Answered(kGoodWriteReply, {});
    outcome.afterErase = true;
    return outcome;
}

void KwipServer::Summarise(const RadioFrame& request, RadioRequest& entry) {
    const std::span<const std::uint8_t> payload = request.payload;
    switch (request.opcode) {
        case kResetOpcode:
            entry.kind = RequestKind::Reset;
            return;
        case kEraseFlashOpcode:
            entry.kind = RequestKind::EraseFlash;
            return;
        case kRadioStatusOpcode:
            entry.kind = RequestKind::RadioStatus;
            if (!payload.empty())
                entry.code = payload[0];
            return;
        case kReadOpcode:
            entry.kind = RequestKind::Read;
            if (payload.size() == kReadPayloadBytes) {
                entry.count = payload[0];
                entry.address = AddressAt(payload.subspan(1));
            }
            return;
        case kWriteOpcode:
            entry.kind = RequestKind::Write;
            if (payload.size() >= kAddressBytes) {
                entry.address = AddressAt(payload);
                entry.count = payload.size() - kAddressBytes;
            }
            return;
        default:
            entry.kind = RequestKind::UnknownOpcode;
            entry.code = request.opcode;
    }
}
