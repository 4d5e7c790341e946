#pragma once

#include <cstdint>
#include <vector>

#include "radio/RadioFrame.h"
#include "radio/RadioMemory.h"
#include "radio/RadioRequest.h"

// What the radio makes of one well-formed KWIP request. Running firmware answers status requests, reads
// and writes of codeplug memory, and reset. The bootcode does the same and also erases the flash and
// programs the flash window. Everything else is refused with the negative acknowledge and changes
// nothing: an opcode the mode does not serve, a payload of the wrong length for its opcode (an erase
// without the 0x40, a read count of 0 or more than a reply can carry), an address range the radio does
// not hold whole, a flash write to cells not erased.
class KwipServer {
public:
    static constexpr std::uint8_t kResetOpcode = 0x10;
    static constexpr std::uint8_t kReadOpcode = 0x11;
    static constexpr std::uint8_t kEraseFlashOpcode = 0x15;
    static constexpr std::uint8_t kWriteOpcode = 0x17;
    static constexpr std::uint8_t kRadioStatusOpcode = 0x23;
    static constexpr std::uint8_t kReadDataReply = 0x80;
    static constexpr std::uint8_t kGoodWriteReply = 0x84;
    static constexpr std::uint8_t kEmptyStatusReply = 0x86;
    static constexpr std::uint8_t kRadioStatusReply = 0x8B;
    static constexpr std::uint8_t kEraseFlashValue = 0x40;
    static constexpr std::size_t kAddressBytes = 3;
    static constexpr std::size_t kMaxReadCount = RadioFrame::kMaxPayload - kAddressBytes;

    enum class Mode { Firmware, Bootcode };

    struct Outcome {
        bool accepted = false;
        std::vector<std::uint8_t> reply;  // the reply frame; empty for a refusal and for reset
        bool afterErase = false;          // the reply comes when the erase is done
        bool restarts = false;            // the radio restarts once its acknowledge is out
    };

    explicit KwipServer(RadioMemory& memory) : memory_(memory) {}

    Outcome Serve(const RadioFrame& request, Mode mode);
    // The request's kind, address, count and code as the request log keeps them.
    static void Summarise(const RadioFrame& request, RadioRequest& entry);

private:
    Outcome Status(std::span<const std::uint8_t> payload) const;
    Outcome Read(std::span<const std::uint8_t> payload) const;
    Outcome Write(std::span<const std::uint8_t> payload, Mode mode);
    Outcome EraseFlash(std::span<const std::uint8_t> payload, Mode mode);

    RadioMemory& memory_;
};
