#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codeplug/CodeplugImage.h"
#include "kwip/CKwipBroker.h"

// Where a codeplug's bytes are: the file image, or the radio, reached through the embedded KWIP broker
// in requests of at most kChunkBytes data bytes. A radio transfer past the 24-bit address space is
// refused as "Access out of codeplug" before anything is sent.
class CodeplugMemory {
public:
    enum class Source { kRadio = 0, kImage = 1 };
    static constexpr std::size_t kChunkBytes = 32;
    static constexpr std::uint64_t kRadioAddressLimit = std::uint64_t{CKwipBroker::kMaxAddress} + 1;

    // Logs the failing operation's line for the chunk at `address`.
    using FailureLine = void (*)(unsigned address);

    Source GetSource() const { return source_; }
    void SetSource(Source source) { source_ = source; }
    CodeplugImage& Image() { return image_; }
    const CodeplugImage& Image() const { return image_; }
    CKwipBroker& Broker() { return broker_; }

    // Transfers through the source and passes its failure on unchanged: CGenError 3 "Access out of
    // codeplug" beyond the image, the broker's error from the radio.
    void Fetch(std::uint64_t address, std::span<std::uint8_t> destination);
    void Store(std::uint64_t address, std::span<const std::uint8_t> source);

    // As Fetch and Store, but a radio failure is logged (its text, then `line` with the failing chunk's
    // address) and raised as CGenError 3 `text`.
    void Read(std::uint64_t address, std::span<std::uint8_t> destination, FailureLine line, const char* text);
    void Write(std::uint64_t address, std::span<const std::uint8_t> source, FailureLine line,
               const char* text);

    // For probes: false after logging the failure's text.
    bool TryFetch(std::uint64_t address, std::span<std::uint8_t> destination);

private:
    // Runs a radio transfer; its failure is logged with the chunk under way and raised as `text`.
    template <typename Transfer>
    static void Guarded(FailureLine line, const char* text, Transfer transfer);
    static void CheckRadioAddress(std::uint64_t address, std::size_t count);
    // Chunk by chunk; `chunk` follows the address of the chunk under way.
    void RadioRead(std::uint64_t address, std::span<std::uint8_t> destination, std::uint64_t& chunk);
    void RadioWrite(std::uint64_t address, std::span<const std::uint8_t> source, std::uint64_t& chunk);

    CKwipBroker broker_;
    Source source_ = Source::kRadio;
    CodeplugImage image_;
};
